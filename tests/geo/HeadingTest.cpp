// Headings from the panel, files and the GPS track come into [0, 360) by
// whole turns, whatever their size, and are shown and written without ever
// rounding up to 360.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geo/Convert.h"

TEST(Heading, WholeTurnsComeOffAndBadValuesGiveNorth) {
    const struct {
        double in, out;
    } rows[] = {{0.0, 0.0},
                {359.5, 359.5},
                {360.0, 0.0},
                {720.0, 0.0},
                {725.0, 5.0},
                {-30.0, 330.0},
                {-360.0, 0.0},
                {-0.0, 0.0},
                {-1e-20, 0.0},  // comes up to 360 in one step
                {1e300, 0.0},
                {std::numeric_limits<double>::quiet_NaN(), 0.0},
                {-std::numeric_limits<double>::infinity(), 0.0}};
    for (const auto& r : rows) {
        const double h = NormalizeDegrees(r.in);
        EXPECT_EQ(h, r.out) << r.in;
        EXPECT_FALSE(std::signbit(h)) << r.in;  // the panel never shows "-0.0"
    }
}

TEST(Heading, RoundingForTextNeverGivesAWholeTurn) {
    const struct {
        double in;
        int decimals;
        double out;
    } rows[] = {{359.996, 2, 0.0}, {359.994, 2, 359.99}, {-0.001, 2, 0.0},   {0.004, 2, 0.0},
                {359.6, 0, 0.0},   {359.4, 0, 359.0},    {365.256, 2, 5.26}, {12.345, 1, 12.3}};
    for (const auto& r : rows) {
        const double h = RoundedHeading(r.in, r.decimals);
        EXPECT_DOUBLE_EQ(h, r.out) << r.in;
        EXPECT_FALSE(std::signbit(h)) << r.in;
    }
}
