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

// a + b held to the int range instead of wrapping (pixel positions at the
// limits, counters).
inline int SaturatedSum(int a, long long b) {
    // b is first held to a range that cannot overflow the sum yet still
    // lies beyond the int range from any a.
    constexpr long long kFar = 1LL << 40;
    const long long sum = (long long)a + (b > kFar ? kFar : b < -kFar ? -kFar : b);
    return sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : int(sum);
}

// Adds delta to a counter, sticking at the int range instead of wrapping.
inline void AddSaturated(int& counter, long long delta) { counter = SaturatedSum(counter, delta); }

// printf into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
