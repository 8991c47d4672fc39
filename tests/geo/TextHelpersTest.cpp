#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "geo/Convert.h"
#include "geo/TextHelpers.h"
#include "geo/Types.h"

namespace {

using Lines = std::vector<std::string>;

// Every ReadLine result of a file with the given bytes, until it returns 0.
Lines ReadAllLines(const std::string& bytes) {
    TempDir dir;
    EXPECT_TRUE(WriteFileBytes(dir.file("lines.txt"), bytes));
    Lines lines;
    std::FILE* f = std::fopen(dir.file("lines.txt").c_str(), "rb");
    std::string line = "sentinel";
    while (ReadLine(f, line) == 1) lines.push_back(line);
    EXPECT_EQ(line, lines.empty() ? "sentinel" : lines.back()) << "a failed read changed the line";
    EXPECT_EQ(ReadLine(f, line), 0) << "end of file is sticky";
    std::fclose(f);
    return lines;
}

}  // namespace

TEST(ReadLine, TrimsTrailingSpaceTurnsNulsIntoBlanksAndCutsLongLines) {
    const std::string x254(254, 'x'), z250(250, 'z');
    const struct {
        std::string bytes;
        Lines lines;
    } rows[] = {
        {"abc \t\r\n  abc\n\nlast", {"abc", "  abc", "", "last"}},
        {"a\vb\f\n \r\n", {"a\vb", ""}},
        {"", {}},
        {std::string("a\0b\0\0\n\0\0c", 10), {"a b", "  c"}},
        {x254 + std::string(46, 'y') + "\nnext\n", {x254, std::string(46, 'y'), "next"}},
        // Exactly 254 bytes: the line feed is left over and reads as an empty line.
        {x254 + "\nnext\n", {x254, "", "next"}},
        // Blanks at the end of a piece go with the trim, as at the end of a line.
        {z250 + "    tail\n", {z250, "tail"}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ReadAllLines(r.bytes), r.lines) << r.bytes.substr(0, 20);
        // Text already in memory reads the same.
        Lines inMemory;
        std::size_t pos = 0;
        std::string line = "sentinel";
        while (ReadLine(r.bytes, pos, line) == 1) inMemory.push_back(line);
        EXPECT_EQ(inMemory, r.lines) << r.bytes.substr(0, 20);
        EXPECT_EQ(line, inMemory.empty() ? "sentinel" : inMemory.back());
    }

    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.file("w.txt"), "data\n"));
    std::FILE* f = std::fopen(dir.file("w.txt").c_str(), "wb");  // write-only: reading fails
    std::string line = "kept";
    EXPECT_EQ(ReadLine(f, line), 0);
    EXPECT_EQ(line, "kept");
    std::fclose(f);
}

TEST(Tokens, SplitAtTheirSeparatorKeepingWhatEachFormNeeds) {
    // kind: ',' comma tokens (leading blanks kept), ' ' blank tokens, else NextToken with that separator.
    const struct {
        char kind;
        std::string text;
        Lines tokens;  // successive tokens, then the rest
    } rows[] = {
        {',', "a, b ,,c", {"a", " b", "", "c", ""}},
        {',', "  abc \t", {"  abc", ""}},
        {',', "x,  ", {"x", "  "}},  // the rest is not trimmed
        {' ', "  one two", {"one", "two", ""}},
        {' ', "  one\ttwo", {"one\ttwo", ""}},  // tabs do not separate
        {' ', "a  b", {"a", " b"}},
        {' ', " \t\r\n", {"", ""}},
        {'\\', "  c:\\dir\\sub", {"c:", "dir", "sub", ""}},
        {'=', " \tkey = value ", {"key", " value "}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        std::string rest = r.text;
        for (std::size_t i = 0; i + 1 < r.tokens.size(); ++i) {
            const std::string t = r.kind == ','   ? NextCommaToken(rest)
                                  : r.kind == ' ' ? NextBlankToken(rest)
                                                  : NextToken(rest, r.kind);
            EXPECT_EQ(t, r.tokens[i]) << i;
        }
        EXPECT_EQ(rest, r.tokens.back());
    }
}

TEST(Convert, FormatTakesAnyLengthAndSaturationHoldsTheIntRange) {
    EXPECT_EQ(Format("%s=%d %.2f", "k", 42, 1.5), "k=42 1.50");
    const std::string big(1000, 'q');
    EXPECT_EQ(Format("<%s>", big.c_str()), "<" + big + ">");
    EXPECT_EQ(SaturateToInt(1e12), 2147483647);
    EXPECT_EQ(SaturateToInt(-2.9), -2);
    EXPECT_EQ(SaturateToInt(0.0 / 0.0), 0);
    const struct {
        int a;
        long long b;
        int sum;
    } sums[] = {{INT_MAX, 1, INT_MAX},    {INT_MIN, -1, INT_MIN},        {5, LLONG_MAX, INT_MAX},
                {-5, LLONG_MIN, INT_MIN}, {INT_MIN, LLONG_MAX, INT_MAX}, {1, -2, -1}};
    for (const auto& r : sums) EXPECT_EQ(SaturatedSum(r.a, r.b), r.sum) << r.a << " + " << r.b;
    const CRectD q(CPointD(5, 6), CPointD(1, 2));  // field order E1, E2, N1, N2
    EXPECT_EQ(q.Corner21().easting, 1);
    EXPECT_EQ(q.Corner21().northing, 6);
}
