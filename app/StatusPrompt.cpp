#include "StatusPrompt.h"

namespace brisvander {

QString ElideAtWordBoundary(const QString& text, int width, const std::function<int(const QString&)>& measure)
{
    if (measure(text) <= width)
        return text;
    const QString ellipsis(QChar(0x2026));
    qsizetype cut = text.lastIndexOf(QLatin1Char(' '));
    while (cut > 0) {
        const QString start = text.left(cut).trimmed();
        if (!start.isEmpty() && measure(start + ellipsis) <= width)
            return start + ellipsis;
        cut = text.lastIndexOf(QLatin1Char(' '), cut - 1);
    }
    const qsizetype firstBlank = text.indexOf(QLatin1Char(' '));
    return firstBlank < 0 ? text : text.left(firstBlank) + ellipsis;
}

} // namespace brisvander
