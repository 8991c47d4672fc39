#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "geo/Convert.h"
#include "geo/TextHelpers.h"
#include "geo/Types.h"

namespace {

// Every ReadLine result of a file with the given bytes, until it returns 0.
std::vector<std::string> ReadAllLines(const std::string& bytes) {
    TempDir dir;
    const std::string path = dir.file("lines.txt");
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    std::vector<std::string> lines;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return lines;
    std::string line = "sentinel";
    while (ReadLine(f, line) == 1) lines.push_back(line);
    EXPECT_EQ(line, lines.empty() ? "sentinel" : lines.back()) << "a failed read changed the line";
    EXPECT_EQ(ReadLine(f, line), 0) << "end of file is sticky";
    std::fclose(f);
    return lines;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(ReadLine, TrimsTrailingSpaceOnlyAndKeepsALastLineWithoutFeed) {
    EXPECT_EQ(ReadAllLines("abc \t\r\n  abc\n\nlast"), (Lines{"abc", "  abc", "", "last"}));
    EXPECT_EQ(ReadAllLines("a\vb\f\n \r\n"), (Lines{"a\vb", ""}));
    EXPECT_EQ(ReadAllLines(""), Lines{});
}

TEST(ReadLine, NulBytesBecomeBlanks) {
    EXPECT_EQ(ReadAllLines(std::string("a\0b\0\0\n\0\0c", 10)), (Lines{"a b", "  c"}));
}

TEST(ReadLine, LongLinesArriveIn254BytePieces) {
    const std::string first(254, 'x');
    const std::string second(46, 'y');
    EXPECT_EQ(ReadAllLines(first + second + "\nnext\n"), (Lines{first, second, "next"}));
    // Exactly 254 bytes: the line feed is left over and reads as an empty line.
    EXPECT_EQ(ReadAllLines(first + "\nnext\n"), (Lines{first, "", "next"}));
    // Blanks at the end of a piece go with the trim, as they do at the end of a line.
    EXPECT_EQ(ReadAllLines(std::string(250, 'z') + "    tail\n"), (Lines{std::string(250, 'z'), "tail"}));
}

TEST(ReadLine, ReturnsZeroAndKeepsTheLineOnAReadError) {
    TempDir dir;
    const std::string path = dir.file("w.txt");
    ASSERT_TRUE(WriteFileBytes(path, "data\n"));
    std::FILE* f = std::fopen(path.c_str(), "wb");  // write-only: reading fails
    ASSERT_NE(f, nullptr);
    std::string line = "kept";
    EXPECT_EQ(ReadLine(f, line), 0);
    EXPECT_EQ(line, "kept");
    std::fclose(f);
}

TEST(Tokens, CommaSplittingKeepsLeadingBlanksAndEmptyFields) {
    std::string rest = "a, b ,,c";
    EXPECT_EQ(NextCommaToken(rest), "a");
    EXPECT_EQ(NextCommaToken(rest), " b");
    EXPECT_EQ(rest, ",c");
    EXPECT_EQ(NextCommaToken(rest), "");
    EXPECT_EQ(NextCommaToken(rest), "c");
    EXPECT_EQ(rest, "");
    EXPECT_EQ(NextCommaToken(rest), "");
    EXPECT_EQ(rest, "");

    rest = "  abc \t";
    EXPECT_EQ(NextCommaToken(rest), "  abc");
    EXPECT_EQ(rest, "");
    rest = ",x";
    EXPECT_EQ(NextCommaToken(rest), "");
    EXPECT_EQ(rest, "x");
    rest = "x,  ";
    EXPECT_EQ(NextCommaToken(rest), "x");
    EXPECT_EQ(rest, "  ");  // the rest is not trimmed
}

TEST(Tokens, BlankSplittingSkipsLeadingSpaceButNotTabs) {
    std::string rest = "  one two";
    EXPECT_EQ(NextBlankToken(rest), "one");
    EXPECT_EQ(rest, "two");
    EXPECT_EQ(NextBlankToken(rest), "two");
    EXPECT_EQ(rest, "");

    rest = "  one\ttwo";
    EXPECT_EQ(NextBlankToken(rest), "one\ttwo");
    EXPECT_EQ(rest, "");

    rest = "a  b";
    EXPECT_EQ(NextBlankToken(rest), "a");
    EXPECT_EQ(rest, " b");
    EXPECT_EQ(NextBlankToken(rest), "b");

    // Leading space leaves the caller's string even without a separator.
    rest = " \t\r\n";
    EXPECT_EQ(NextBlankToken(rest), "");
    EXPECT_EQ(rest, "");
}

TEST(Tokens, GivenSeparatorSplitsAPath) {
    std::string rest = "  c:\\dir\\sub";
    EXPECT_EQ(NextToken(rest, '\\'), "c:");
    EXPECT_EQ(rest, "dir\\sub");
    EXPECT_EQ(NextToken(rest, '\\'), "dir");
    EXPECT_EQ(NextToken(rest, '\\'), "sub");
    EXPECT_EQ(rest, "");

    rest = " \tkey = value ";
    EXPECT_EQ(NextToken(rest, '='), "key");
    EXPECT_EQ(rest, " value ");
    EXPECT_EQ(NextToken(rest, '='), "value");
}

TEST(TextCase, AsciiOnlyCaseFoldingAndTrims) {
    EXPECT_EQ(ToUpperAscii("abz AZ 09 \xe4"), "ABZ AZ 09 \xe4");
    EXPECT_EQ(ToLowerAscii("ABZ az \xc4"), "abz az \xc4");
    EXPECT_TRUE(EqualsNoCase("Preferences", "PREFERENCES"));
    EXPECT_FALSE(EqualsNoCase("Preference", "PREFERENCES"));
    EXPECT_FALSE(EqualsNoCase("\xe4", "\xc4"));
    std::string s = " \t\v\fmid dle\r\n ";
    TrimLeft(s);
    EXPECT_EQ(s, "mid dle\r\n ");
    TrimRight(s);
    EXPECT_EQ(s, "mid dle");
}

TEST(Format, ProducesTextOfAnyLength) {
    EXPECT_EQ(Format("%s=%d %.2f", "k", 42, 1.5), "k=42 1.50");
    EXPECT_EQ(Format("%s", ""), "");
    const std::string big(1000, 'q');
    EXPECT_EQ(Format("<%s>", big.c_str()), "<" + big + ">");
}

TEST(ValueTypes, CornersAndSaturation) {
    const CRectD q(CPointD(5, 6), CPointD(1, 2));
    EXPECT_EQ(q.Corner21().easting, 1);
    EXPECT_EQ(q.Corner21().northing, 6);
    EXPECT_EQ(SaturateToInt(1e12), 2147483647);
    EXPECT_EQ(SaturateToInt(-2.9), -2);
}
