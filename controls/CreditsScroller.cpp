#include "CreditsScroller.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QTimerEvent>

namespace brisvander {

namespace {

QColor ToQColor(COLORREF colour) { return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

QRect ToQRect(const PanelRect& rect)
{
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

CreditsFont DefaultGuiFont()
{
    const QFont font = QApplication::font();
    return CreditsFont{font.family().toStdString(), QFontInfo(font).pixelSize(), font.italic()};
}

// Draws into the panel's canvas with the panel's font.
class CanvasSurface final : public CreditsSurface {
public:
    CanvasSurface(QImage& canvas, const QFont& font) : m_canvas(canvas), m_font(font), m_metrics(font)
    {
        if (!m_canvas.isNull()) {
            m_painter.begin(&m_canvas);
            m_painter.setFont(m_font);
        }
    }

    PanelRect ClientRect() const override { return PanelRect{0, 0, m_canvas.width(), m_canvas.height()}; }

    TextExtent MeasureText(const std::string& sample) override
    {
        return TextExtent{m_metrics.horizontalAdvance(QString::fromStdString(sample)), m_metrics.height(),
                          m_metrics.descent()};
    }

    void FillRect(const PanelRect& rect, COLORREF colour) override
    {
        if (m_painter.isActive())
            m_painter.fillRect(ToQRect(rect), ToQColor(colour));
    }

    void DrawCentredText(const std::string& text, const PanelRect& rect, COLORREF colour) override
    {
        if (!m_painter.isActive())
            return;
        const QRect box = ToQRect(rect);
        m_painter.save();
        m_painter.setClipRect(box);
        m_painter.setPen(ToQColor(colour));
        m_painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(text));
        m_painter.restore();
    }

private:
    QImage& m_canvas;
    const QFont& m_font;
    QFontMetrics m_metrics;
    QPainter m_painter;
};

} // namespace

CCreditsScroller::CCreditsScroller(QWidget* parent) : QWidget(parent), m_scroll(DefaultGuiFont())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    MakeFont();
}

void CCreditsScroller::AddLines(const QStringList& lines)
{
    std::vector<std::string> entries;
    entries.reserve(lines.size());
    for (const QString& line : lines)
        entries.push_back(line.toStdString());
    EnsureCanvas();
    CanvasSurface surface(m_canvas, m_font);
    m_scroll.AddLines(entries, surface);
    Invalidate();
}

QString CCreditsScroller::SetFontName(const QString& faceName)
{
    const std::string previous = m_scroll.SetFontName(faceName.toStdString());
    MakeFont();
    Invalidate();
    return QString::fromStdString(previous);
}

void CCreditsScroller::SetFontSize(int pixels)
{
    m_scroll.SetFontSize(pixels);
    MakeFont();
    Invalidate();
}

void CCreditsScroller::SetFontItalic(bool italic)
{
    m_scroll.SetFontItalic(italic);
    MakeFont();
    Invalidate();
}

COLORREF CCreditsScroller::SetTextColor(COLORREF colour)
{
    const COLORREF previous = m_scroll.SetTextColor(colour);
    Invalidate();
    return previous;
}

COLORREF CCreditsScroller::SetBkColor(COLORREF colour)
{
    const COLORREF previous = m_scroll.SetBkColor(colour);
    Invalidate();
    return previous;
}

void CCreditsScroller::SetBorder(bool border)
{
    m_bBorder = border;
    EnsureCanvas();
    Invalidate();
}

int CCreditsScroller::EdgeWidth() const { return m_bBorder ? 2 : 1; }

QRect CCreditsScroller::ClientArea() const
{
    const int edge = EdgeWidth();
    return rect().adjusted(edge, edge, -edge, -edge);
}

void CCreditsScroller::MakeFont()
{
    const CreditsFont& description = m_scroll.Font();
    QFont font(QString::fromStdString(description.faceName));
    if (description.pixelSize > 0)
        font.setPixelSize(description.pixelSize);
    font.setItalic(description.italic);
    m_font = font;
}

void CCreditsScroller::Invalidate()
{
    m_bPaintPending = true;
    update();
}

void CCreditsScroller::EnsureCanvas()
{
    const QSize size = ClientArea().size().expandedTo(QSize(0, 0));
    if (m_canvas.size() != size) {
        m_canvas = size.isEmpty() ? QImage() : QImage(size, QImage::Format_RGB32);
        m_bPaintPending = true;
    }
}

void CCreditsScroller::Tick()
{
    EnsureCanvas();
    CanvasSurface surface(m_canvas, m_font);
    m_scroll.ScrollStep(surface);
    update(ClientArea());
}

void CCreditsScroller::paintEvent(QPaintEvent*)
{
    EnsureCanvas();
    if (m_bPaintPending) {
        // As the original's paint: blank the panel, keep the positions,
        // restart the tick period.
        m_timer.stop();
        {
            CanvasSurface surface(m_canvas, m_font);
            m_scroll.Paint(surface);
        }
        m_timer.start(TickMilliseconds, this);
        m_bPaintPending = false;
    }
    QPainter painter(this);
    DrawEdges(painter);
    if (!m_canvas.isNull())
        painter.drawImage(ClientArea().topLeft(), m_canvas);
}

void CCreditsScroller::DrawEdges(QPainter& painter) const
{
    QRect outer = rect();
    if (m_bBorder) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(outer.adjusted(0, 0, -1, -1));
        outer.adjust(1, 1, -1, -1);
    }
    // The sunken edge: shadow above and left, light below and right.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(outer.topLeft(), outer.topRight());
    painter.drawLine(outer.topLeft(), outer.bottomLeft());
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(outer.bottomLeft(), outer.bottomRight());
    painter.drawLine(outer.topRight(), outer.bottomRight());
}

void CCreditsScroller::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        Tick();
    else
        QWidget::timerEvent(event);
}

void CCreditsScroller::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    EnsureCanvas();
    Invalidate();
}

void CCreditsScroller::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Invalidate();
}

void CCreditsScroller::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

} // namespace brisvander
