#pragma once
// Developer trace lines: written to standard error in debug builds, compiled
// to nothing in release builds.

namespace brisvander {

#ifdef NDEBUG
inline void Trace(const char*, ...) {}
#else
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif

} // namespace brisvander
