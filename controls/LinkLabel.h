#pragma once
// A label that is a hyperlink: underlined in the link colour, the hot colour
// under the pointer, the visited colour once opened, a hand pointer, the
// target as tooltip; a click opens the target, a failure is said in words.
#include "ColorRef.h"

#include <QCursor>
#include <QFont>
#include <QLabel>

#include <functional>
#include <optional>

namespace brisvander {

class CLinkLabel : public QLabel {
public:
    using Opener = std::function<int(const QString& target)>;
    using MessageShower = std::function<void(const QString& text)>;

    explicit CLinkLabel(QWidget* parent = nullptr);
    ~CLinkLabel() override;

    // Call once the owner has given the label its text, font and geometry:
    // target from the text (or text from the target), underlined font,
    // size fitted to the text, hand pointer, tooltip.
    void Attach();

    void SetOpened(bool opened);
    void FitToText();
    void LoadHandCursor();
    void ShowOpenError(int code);
    void OnLinkClicked();

    // The colour the text is drawn in now.
    COLORREF CurrentTextColour() const;
    bool IsHot() const { return m_bHot; }
    bool IsOpened() const { return m_bOpened; }
    QString Target() const { return m_strTarget; }

    // The desktop behind a click; tests replace it.
    void SetOpener(Opener opener) { m_opener = std::move(opener); }
    void SetFailureSignals(std::function<void()> beep, MessageShower showMessage);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    COLORREF m_clrNormal = Rgb(0, 0, 238);
    COLORREF m_clrVisited = Rgb(85, 26, 139);
    COLORREF m_clrHot;
    bool m_bHot = false;
    bool m_bOpened = false;
    bool m_bUnderlined = true;
    bool m_bFitToText = true;
    QString m_strTarget;
    QFont m_linkFont;
    std::optional<QCursor> m_hHandCursor;
    bool m_bPressed = false;

    Opener m_opener;
    std::function<void()> m_beep;
    MessageShower m_showMessage;
};

} // namespace brisvander
