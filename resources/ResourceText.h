#pragma once
// The table's UTF-8 texts as the window shows them.
#include <QString>

#include <string_view>

namespace brisvander {

inline QString ResourceText(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace brisvander
