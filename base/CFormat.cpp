#include "CFormat.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <locale.h>

namespace brisvander {

namespace {
// Switches the calling thread to the "C" locale for one formatting call.
class ScopedCLocale {
public:
    ScopedCLocale()
    {
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        if (cLocale != static_cast<locale_t>(0))
            m_previous = uselocale(cLocale);
    }
    ~ScopedCLocale()
    {
        if (m_previous != static_cast<locale_t>(0))
            uselocale(m_previous);
    }
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

private:
    locale_t m_previous = static_cast<locale_t>(0);
};
} // namespace

std::string CFormat(const char* format, ...)
{
    ScopedCLocale cLocale;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        text.resize(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<std::size_t>(needed));
    }
    va_end(args);
    return text;
}

} // namespace brisvander
