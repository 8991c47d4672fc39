// Headings from the panel, files and the GPS track come into [0, 360] by
// whole turns, whatever their size.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geo/Convert.h"

TEST(Heading, WholeTurnsComeOffAndBadValuesGiveNorth) {
    const struct {
        double in, out;
    } rows[] = {{0.0, 0.0},
                {359.5, 359.5},
                {360.0, 360.0},
                {720.0, 360.0},
                {725.0, 5.0},
                {-30.0, 330.0},
                {-360.0, 0.0},
                {-0.0, 0.0},
                {1e300, 360.0},
                {std::numeric_limits<double>::quiet_NaN(), 0.0},
                {-std::numeric_limits<double>::infinity(), 0.0}};
    for (const auto& r : rows) {
        const double h = NormalizeDegrees(r.in);
        EXPECT_EQ(h, r.out) << r.in;
        EXPECT_FALSE(std::signbit(h)) << r.in;  // the panel never shows "-0.0"
    }
}
