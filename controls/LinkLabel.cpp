#include "LinkLabel.h"

#include "FitToText.h"
#include "LinkOpener.h"
#include "OpenErrorText.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

namespace brisvander {

namespace {

COLORREF ToColorRef(const QColor& colour) { return Rgb(colour.red(), colour.green(), colour.blue()); }

void ShowExclamationBox(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Brisvander"), text, QMessageBox::Ok, owner);
    box.exec();
}

} // namespace

CLinkLabel::CLinkLabel(QWidget* parent)
    : QLabel(parent),
      // A snapshot: later changes of the palette do not reach this label.
      m_clrHot(ToColorRef(QApplication::palette().color(QPalette::Highlight))),
      m_opener([](const QString& target) { return OpenLink(target); }),
      m_beep([] { QApplication::beep(); }),
      m_showMessage([this](const QString& text) { ShowExclamationBox(window(), text); })
{
    // A plain static text sits at the top left of its box.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

CLinkLabel::~CLinkLabel() = default;

void CLinkLabel::SetFailureSignals(std::function<void()> beep, MessageShower showMessage)
{
    m_beep = std::move(beep);
    m_showMessage = std::move(showMessage);
}

void CLinkLabel::Attach()
{
    if (m_strTarget.isEmpty())
        m_strTarget = text();
    if (text().isEmpty())
        setText(m_strTarget);

    m_linkFont = font();
    m_linkFont.setUnderline(m_bUnderlined);
    setFont(m_linkFont);

    FitToText();
    LoadHandCursor();
    setToolTip(m_strTarget);
}

void CLinkLabel::SetOpened(bool opened)
{
    m_bOpened = opened;
    update();
}

void CLinkLabel::FitToText()
{
    if (!m_bFitToText)
        return;
    const QRect box = geometry();
    const LabelRect current{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()};
    const QFontMetrics metrics(m_linkFont);
    const Qt::Alignment align = alignment();
    const LabelAlignment style{(align & Qt::AlignHCenter) != 0, (align & Qt::AlignRight) != 0,
                               (align & Qt::AlignVCenter) != 0};
    const LabelRect fitted = FitRectToText(current, metrics.horizontalAdvance(text()), metrics.height(), style);
    setGeometry(fitted.left, fitted.top, fitted.Width(), fitted.Height());
}

void CLinkLabel::LoadHandCursor()
{
    if (m_hHandCursor)
        return;
    m_hHandCursor = QCursor(Qt::PointingHandCursor);
    setCursor(*m_hHandCursor);
}

void CLinkLabel::ShowOpenError(int code) { m_showMessage(OpenErrorText(code)); }

void CLinkLabel::OnLinkClicked()
{
    const int result = m_opener(m_strTarget);
    m_bOpened = result > 32;
    if (m_bOpened) {
        SetOpened(true);
        return;
    }
    m_beep();
    ShowOpenError(result);
}

COLORREF CLinkLabel::CurrentTextColour() const
{
    if (m_bHot)
        return m_clrHot;
    return m_bOpened ? m_clrVisited : m_clrNormal;
}

void CLinkLabel::paintEvent(QPaintEvent*)
{
    const COLORREF colour = CurrentTextColour();
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)));
    painter.drawText(contentsRect(), static_cast<int>(alignment()), text());
}

void CLinkLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    m_bHot = true;
    repaint();
}

void CLinkLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    m_bHot = false;
    repaint();
}

void CLinkLabel::mousePressEvent(QMouseEvent* event)
{
    m_bPressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_bPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_bPressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        OnLinkClicked();
}

} // namespace brisvander
