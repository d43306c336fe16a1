#pragma once
// printf-style formatting with the "C" locale's conventions whatever the
// process locale is (a point as decimal separator for %f).
#include <string>

namespace brisvander {

std::string CFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace brisvander
