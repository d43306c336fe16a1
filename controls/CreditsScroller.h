#pragma once
// The credits panel as a widget: lines rise through it one pixel every
// 50 ms, like a film's closing titles. The logic lives in CreditsScroll.
#include "CreditsScroll.h"

#include <QBasicTimer>
#include <QFont>
#include <QImage>
#include <QStringList>
#include <QWidget>

namespace brisvander {

class CCreditsScroller : public QWidget {
public:
    static constexpr int TickMilliseconds = 50;

    explicit CCreditsScroller(QWidget* parent = nullptr);

    void AddLines(const QStringList& lines);
    QString SetFontName(const QString& faceName);
    void SetFontSize(int pixels);
    void SetFontItalic(bool italic);
    COLORREF SetTextColor(COLORREF colour);
    COLORREF SetBkColor(COLORREF colour);
    // The plain border; the sunken edge inside it always stays.
    void SetBorder(bool border);

    const CreditsScroll& Scroll() const { return m_scroll; }
    bool IsTicking() const { return m_timer.isActive(); }
    // The panel's inner area in widget coordinates.
    QRect ClientArea() const;
    // One timer tick, as the timer would run it.
    void Tick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int EdgeWidth() const;
    void MakeFont();
    void Invalidate();
    void EnsureCanvas();
    void DrawEdges(QPainter& painter) const;

    CreditsScroll m_scroll;
    QFont m_font;
    QImage m_canvas;  // the panel's pixels between paints, as the window would keep them
    QBasicTimer m_timer;
    bool m_bBorder = true;
    bool m_bPaintPending = true;
};

} // namespace brisvander
