#include "OutputPane.h"

#include <QPainter>
#include <QScrollBar>

namespace brisvander {

namespace {
constexpr int TextMargin = 2;
// Tab stops every eight average characters, as the report's columns expect.
constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;
} // namespace

OutputPane::OutputPane(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Window);
}

void OutputPane::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    UpdateScrollRange();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

QRect OutputPane::TextArea() const
{
    return viewport()->rect().adjusted(TextMargin, TextMargin, -TextMargin, -TextMargin);
}

int OutputPane::TextHeight() const
{
    const QRect area = TextArea();
    const QRect needed = fontMetrics().boundingRect(QRect(0, 0, qMax(1, area.width()), 1 << 20), TextFlags, m_text);
    return needed.height() + 2 * TextMargin;
}

void OutputPane::UpdateScrollRange()
{
    const int visible = viewport()->height();
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, qMax(0, TextHeight() - visible));
    bar->setPageStep(visible);
    bar->setSingleStep(fontMetrics().lineSpacing());
}

void OutputPane::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void OutputPane::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QRect area = TextArea();
    painter.setClipRect(viewport()->rect());
    painter.drawText(area.translated(0, -verticalScrollBar()->value()).adjusted(0, 0, 0, 1 << 20), TextFlags, m_text);
}

} // namespace brisvander
