#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "AppDocEnv.h"

namespace {

// Quadrant file whose entry i holds base + i % 1000 metres, little-endian.
void WriteDmr(const std::string& path, int base) {
    std::string bytes;
    for (int i = 0; i < 10000; ++i) {
        const int v = base + i % 1000;
        bytes += char(v & 255);
        bytes += char((v >> 8) & 255);
    }
    ASSERT_TRUE(WriteFileBytes(path, bytes));
}

}  // namespace

TEST(DmrCache, NodesMapToEntriesOfTheirQuadrant) {
    AppDocEnv env;
    std::filesystem::create_directories(env.app.dmrDataDir);
    WriteDmr(env.app.dmrDataDir + "Q_--_DMR.dat", 1000);
    CVornaDoc& doc = env.Make();
    QuadrantFlags f{};
    // North-west corner node of the area: row 99, column 0 of quadrant 0.
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(52199, 3700, f, 0), (1000 + 9900 % 1000) / 100.0);
    // South-west node of the quadrant and one step east and north of it.
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(52100, 3700, f, 0), 10.0);
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(52100, 3701, f, 0), 10.01);
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(52101, 3700, f, 0), 11.0);
    EXPECT_EQ(f[0], 1);
    EXPECT_EQ(doc.DmrClaimCount(0), 1);
    // Outside the area: no claim, -1.
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(52200, 3800, f, 0), -1.0);
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(52150, 3699, f, 0), -1.0);
    // The status text's nearest node, on the document's own claims.
    EXPECT_DOUBLE_EQ(doc.GetDmrZAt(370049, 5210051), 11.0);
    EXPECT_EQ(doc.DmrClaimCount(0), 2);
    EXPECT_TRUE(env.prompter.texts.empty());
}

TEST(DmrCache, MissingFilesReadMinusOneCentimetreAndClaimsAreCounted) {
    AppDocEnv env;
    std::filesystem::create_directories(env.app.dmrDataDir);
    // A file from Windows in other letter case is found.
    WriteDmr(env.app.dmrDataDir + "q_ab_dmr.DAT", 2000);
    CVornaDoc& doc = env.Make();
    const int ab = 1 * 28 + 2;
    QuadrantFlags a{}, b{};
    EXPECT_EQ(doc.ReadDmrQuadrant(ab, a), 1);
    EXPECT_EQ(doc.DmrClaimCount(ab), 1);
    EXPECT_EQ(doc.ReadDmrQuadrant(ab, a), 1);  // already this consumer's
    EXPECT_EQ(doc.DmrClaimCount(ab), 1);

    // A second consumer shares the grid: the file is not read again.
    std::filesystem::remove(env.app.dmrDataDir + "q_ab_dmr.DAT");
    const int n = 52000 + 5, e = 3900 + 7;  // row 5, column 7 of quadrant AB
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(n, e, b, 0), (2000 + 507) / 100.0);
    EXPECT_EQ(doc.DmrClaimCount(ab), 2);
    doc.CloseDmrQuadrant(ab, a);
    EXPECT_TRUE(doc.DmrLoaded(ab));
    doc.CloseDmrQuadrant(ab, a);  // never claimed by a any more: nothing
    EXPECT_EQ(doc.DmrClaimCount(ab), 1);
    doc.CloseDmrQuadrant(ab, b);
    EXPECT_FALSE(doc.DmrLoaded(ab));
    EXPECT_EQ(doc.DmrClaimCount(ab), 0);

    // Now missing: -0.01 everywhere, returned as its absolute value on request.
    EXPECT_EQ(doc.ReadDmrQuadrant(ab, a), 0);
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(n, e, a, 0), -0.01);
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(n, e, a, 1), 0.01);
    EXPECT_TRUE(env.prompter.texts.empty());
}

TEST(DmrCache, ShortFilesFillTheRestAsMissing) {
    AppDocEnv env;
    std::filesystem::create_directories(env.app.dmrDataDir);
    ASSERT_TRUE(WriteFileBytes(env.app.dmrDataDir + "Q_--_DMR.dat", std::string("\x10\x27\x05", 3)));
    CVornaDoc& doc = env.Make();
    QuadrantFlags f{};
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(52100, 3700, f, 0), 100.0);  // 10000 m
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(52100, 3701, f, 0), -0.01);
}
