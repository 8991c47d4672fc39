#pragma once
// Conversions that must never hit undefined behaviour on bad input.

#include <climits>
#include <cmath>
#include <string>

// The program's pi, short as it has always been: stored view points and the
// 3-D pictures were made with it.
inline constexpr double kPi = 3.141592654;

// A heading in degrees brought into [0, 360) by whole turns at once (a
// heading of 1e300 from a file must not loop); a whole turn is north, 0.
// NaN and infinities give 0.
inline double NormalizeDegrees(double a) {
    if (!std::isfinite(a)) return 0.0;
    a = std::fmod(a, 360.0);
    if (a < 0.0) a += 360.0;
    // A tiny negative heading comes up to exactly 360.
    if (a >= 360.0) a = 0.0;
    return a + 0.0;  // no "-0.00" in the panel
}

// A heading as it is shown or written with that many decimals: one that
// rounds up to a whole turn is north, never 360.
inline double RoundedHeading(double a, int decimals) {
    const double unit = std::pow(10.0, decimals);
    return NormalizeDegrees(std::round(NormalizeDegrees(a) * unit) / unit);
}

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
