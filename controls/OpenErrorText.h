#pragma once
// The words for a link that could not be opened, by the opener's start code.
#include <QString>

namespace brisvander {

QString OpenErrorText(int code);

} // namespace brisvander
