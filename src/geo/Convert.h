#pragma once
// Conversions that must never hit undefined behaviour on bad input.

#include <climits>
#include <cmath>
#include <string>

// Truncates toward zero and saturates to the int range; NaN gives 0.
inline int SaturateToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return static_cast<int>(v);
}

// Adds delta to a counter, sticking at the int range instead of wrapping.
inline void AddSaturated(int& counter, long long delta) {
    const long long sum = (long long)counter + delta;
    counter = sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : int(sum);
}

// printf into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
