#include "OutputPane.h"

#include <QPainter>

namespace brisvander {

namespace {
constexpr int TextMargin = 2;
}

OutputPane::OutputPane(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setBackgroundRole(QPalette::Window);
}

void OutputPane::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void OutputPane::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(TextMargin, TextMargin, -TextMargin, -TextMargin);
    painter.setClipRect(contentsRect());
    // Tab stops every eight average characters, as the report's columns expect.
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs, m_text);
}

} // namespace brisvander
