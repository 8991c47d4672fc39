#include "geo/Convert.h"

#include <cstdarg>
#include <cstdio>

std::string Format(const char* fmt, ...) {
    char small[256];
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, fmt, args);
    va_end(args);
    std::string out;
    if (n > 0) {
        if (static_cast<std::size_t>(n) < sizeof small) {
            out.assign(small, static_cast<std::size_t>(n));
        } else {
            out.resize(static_cast<std::size_t>(n));
            std::vsnprintf(out.data(), out.size() + 1, fmt, again);
        }
    }
    va_end(again);
    return out;
}
