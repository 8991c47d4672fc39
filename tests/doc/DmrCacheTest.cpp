// The elevation cache: node addressing, shared claims, missing and short files.
#include <gtest/gtest.h>

#include <filesystem>

#include "DocTestEnv.h"

namespace {
// Quadrant file whose entry i holds base + i % 1000 centimetres, little-endian.
std::string DmrBytes(int base) {
    std::string bytes;
    for (int i = 0; i < 10000; ++i) bytes += {char((base + i % 1000) & 255), char((base + i % 1000) >> 8)};
    return bytes;
}
}  // namespace

TEST(DmrCache, NodesAddressTheirQuadrantsEntriesAndClaimsShareOneGrid) {
    DocEnv env;
    const std::string dir = env.settings.dmrDataDir;
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(WriteFileBytes(dir + "Q_--_DMR.dat", DmrBytes(1000)));
    // Two bytes and one odd byte: the rest of the grid has no height.
    ASSERT_TRUE(WriteFileBytes(dir + "Q_-A_DMR.dat", std::string("\x10\x27\x05", 3)));
    ASSERT_TRUE(WriteFileBytes(dir + "q_ab_dmr.DAT", DmrBytes(2000)));  // another letter case
    CVornaDoc& doc = env.Make();
    QuadrantFlags f{};
    const struct {
        int n, e;
        double z;
    } rows[] = {
        {52199, 3700, (1000 + 9900 % 1000) / 100.0},  // north-west corner node of the area
        {52100, 3700, 10.0},                          // south-west node of the quadrant
        {52100, 3701, 10.01},
        {52101, 3700, 11.0},
        {52200, 3800, -1.0},
        {52150, 3699, -1.0},   // outside
        {52100, 3800, 100.0},  // 10000 m from the short file
        {52100, 3801, -0.01},
    };
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(doc.GetDmrZ(r.n, r.e, f, 0), r.z) << r.n << " " << r.e;
    EXPECT_EQ(doc.DmrClaimCount(0), 1);
    EXPECT_DOUBLE_EQ(doc.GetDmrZAt(370049, 5210051), 11.0);  // nearest node, the cache's own claim
    EXPECT_EQ(doc.DmrClaimCount(0), 2);

    const int ab = QuadrantAt(1, 2);
    QuadrantFlags a{}, b{};
    EXPECT_EQ(doc.ReadDmrQuadrant(ab, a), 1);
    EXPECT_EQ(doc.ReadDmrQuadrant(ab, a), 1);
    EXPECT_EQ(doc.DmrClaimCount(ab), 1);
    std::filesystem::remove(dir + "q_ab_dmr.DAT");
    const int n = 52000 + 5, e = 3900 + 7;  // row 5, column 7 of quadrant AB
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(n, e, b, 0), (2000 + 507) / 100.0) << "not read again";
    doc.CloseDmrQuadrant(ab, a);
    doc.CloseDmrQuadrant(ab, a);  // no longer a's: nothing
    EXPECT_TRUE(doc.DmrLoaded(ab));
    doc.CloseDmrQuadrant(ab, b);
    EXPECT_FALSE(doc.DmrLoaded(ab));
    EXPECT_EQ(doc.ReadDmrQuadrant(ab, a), 0);
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(n, e, a, 0), -0.01);
    EXPECT_DOUBLE_EQ(doc.GetDmrZ(n, e, a, 1), 0.01);
    EXPECT_TRUE(env.prompter.texts.empty());
}
