#include "Trace.h"

#ifndef NDEBUG
#include <cstdarg>
#include <cstdio>

namespace brisvander {

void Trace(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

} // namespace brisvander
#endif
