#pragma once
// The read-only output area: plain text with a thin sunken edge, wrapped at
// word boundaries, tabs advancing to the next tab stop. It cannot be edited
// or selected; text taller than the area scrolls.
#include <QAbstractScrollArea>
#include <QString>

namespace brisvander {

class OutputPane : public QAbstractScrollArea {
public:
    explicit OutputPane(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    // Shows the text from its first line.
    void setText(const QString& text);

    // Height of the text at the current width, margins included.
    int TextHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect TextArea() const;
    void UpdateScrollRange();

    QString m_text;
};

} // namespace brisvander
