#pragma once
// The read-only output area: plain text with a thin sunken edge, wrapped at
// word boundaries, tabs advancing to the next tab stop. It cannot be edited,
// selected or scrolled.
#include <QFrame>
#include <QString>

namespace brisvander {

class OutputPane : public QFrame {
public:
    explicit OutputPane(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

} // namespace brisvander
