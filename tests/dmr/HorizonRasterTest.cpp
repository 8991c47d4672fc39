// The floating horizon: what it paints, what it hides, where it may write.
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "dmr/HorizonRaster.h"

using namespace dmr;

TEST(HorizonRaster, RandomSegmentsStayInsideAndTheHorizonNeverFalls) {
    Mix rnd{7};
    for (const auto& [w, h] : {std::pair{1, 1}, {3, 2}, {64, 48}, {301, 7}}) {
        CHorizonRaster r;
        r.Reset(w, h);
        // Mostly near the picture, sometimes at the 16-bit limits.
        auto at = [&](int n) {
            const int k = int(rnd.Next(10));
            return k == 0 ? -32768 : k == 1 ? 32767 : int(rnd.Next(std::uint32_t(3 * n + 20))) - n - 10;
        };
        for (int n = 0; n < 4000; ++n) {
            const std::vector<std::int32_t> before = r.HorizonArray();
            r.DrawHorizonLine(at(w), at(h), at(w), at(h), rnd.Next(0x2000000), rnd.Next(2) != 0);
            ASSERT_EQ(r.Pixels().size(), std::size_t(w * h));
            for (int x = 0; x < w; ++x) {
                ASSERT_GE(r.Horizon(x), before[std::size_t(x)]) << w << "x" << h << " column " << x;
                ASSERT_LE(r.Horizon(x), h);
            }
        }
    }
}

TEST(HorizonRaster, BothEndsOfEveryOctantArePlotted) {
    const int dirs[][2] = {{7, 3}, {3, 7},  {-3, 7}, {-7, 3}, {-7, -3}, {-3, -7}, {3, -7}, {7, -3},
                           {5, 5}, {-5, 5}, {0, 6},  {6, 0},  {0, 0},   {13, 1},  {1, 13}, {-13, -1}};
    for (const auto& d : dirs)
        for (const bool plain : {false, true}) {
            CHorizonRaster r;
            r.Reset(40, 40);
            if (plain)
                r.DrawLine(20, 20, 20 + d[0], 20 + d[1], 1);
            else
                r.DrawHorizonLine(20, 20, 20 + d[0], 20 + d[1], 1, true);
            EXPECT_EQ(r.Pixel(20, 20), 1u) << d[0] << "," << d[1] << plain;
            EXPECT_EQ(r.Pixel(20 + d[0], 20 + d[1]), 1u) << d[0] << "," << d[1] << plain;
        }
}

TEST(HorizonRaster, HidesLowerLinesKeepsPriorityAndClosesColumnsAboveThePicture) {
    CHorizonRaster r;
    r.Reset(20, 10);
    r.DrawHorizonLine(0, 4, 19, 4, 0x10, true);
    // Exactly on the horizon is drawn; below it is not.
    r.DrawHorizonLine(0, 4, 5, 4, 0x20, true);
    r.DrawHorizonLine(6, 3, 19, 3, 0x30, true);
    EXPECT_EQ(r.Pixel(2, 4), 0x20u);
    EXPECT_EQ(r.Pixel(10, 3), kUnpainted);
    // Layer bits hold against a plain colour, not against equal bits.
    r.DrawHorizonLine(0, 5, 19, 5, 0x05000040, true);
    r.DrawHorizonLine(0, 5, 9, 5, 0x50, true);
    r.DrawHorizonLine(10, 5, 19, 5, 0x05000060, true);
    EXPECT_EQ(r.Pixel(3, 5), 0x05000040u);
    EXPECT_EQ(r.Pixel(12, 5), 0x05000060u);
    // A cross line leaves its end column open for the next row's line.
    r.DrawHorizonLine(4, 6, 8, 8, 0x70, false);
    EXPECT_EQ(r.Horizon(8), 5);
    EXPECT_EQ(r.Horizon(7), 8);
    // Leaving the top closes the columns past the exit; later lines there vanish.
    r.DrawHorizonLine(10, 7, 16, 13, 0x80, true);
    for (int x = 13; x <= 16; ++x) EXPECT_EQ(r.Horizon(x), 10) << x;
    r.DrawHorizonLine(13, 9, 16, 9, 0x90, true);
    EXPECT_NE(r.Pixel(14, 9), 0x90u);
    // Wholly left of the picture: nothing at all.
    const auto before = r.HorizonArray();
    r.DrawHorizonLine(-5, 0, -1, 9, 0xA0, true);
    EXPECT_EQ(r.HorizonArray(), before);
}
