#include "JsonText.h"

#include "CFormat.h"

#include <QJsonDocument>

namespace brisvander {

std::string CompactJsonLine(const QJsonObject& object)
{
    const QByteArray compact = QJsonDocument(object).toJson(QJsonDocument::Compact);
    std::string line;
    line.reserve(static_cast<std::size_t>(compact.size()) + 1);
    for (qsizetype i = 0; i < compact.size(); ++i) {
        const auto byte = static_cast<unsigned char>(compact[i]);
        const auto next = i + 1 < compact.size() ? static_cast<unsigned char>(compact[i + 1]) : 0u;
        if (byte == 0x7F) {
            line += "\\u007f";
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) { // U+0080 to U+009F in UTF-8
            line += CFormat("\\u%04x", next);
            ++i;
        } else {
            line += static_cast<char>(byte);
        }
    }
    return line + "\n";
}

} // namespace brisvander
