#include <gtest/gtest.h>

#include <QString>

#include "platform/Text.h"

TEST(Text, CaseRulesAreAsciiOnlyAndTrimsTakeAllWhiteSpace) {
    EXPECT_EQ(ToUpperAscii("abz AZ 09 \xe4"), "ABZ AZ 09 \xe4");
    EXPECT_EQ(ToLowerAscii("ABZ az @[ \xc4"), "abz az @[ \xc4");
    EXPECT_TRUE(EqualsNoCase("Preferences", "PREFERENCES"));
    EXPECT_FALSE(EqualsNoCase("Preference", "PREFERENCES"));
    EXPECT_FALSE(EqualsNoCase("\xe4", "\xc4"));
    EXPECT_FALSE(EqualsNoCase("@", "`"));
    std::string s = " \t\v\fmid dle\r\n ";
    EXPECT_EQ(Trimmed(s), "mid dle");
    TrimLeft(s);
    EXPECT_EQ(s, "mid dle\r\n ");
    TrimRight(s);
    EXPECT_EQ(s, "mid dle");
}

TEST(Text, FixedFieldsStayWithinTheirBoundsAndLatin1KeepsEveryByte) {
    char field[4] = {'a', 'b', 'c', 'd'};  // no NUL, as in a damaged record
    EXPECT_EQ(FixedText(field), "abcd");
    SetFixedText(field, "xyz12");
    EXPECT_EQ(std::string(field, 4), std::string("xyz\0", 4));
    SetFixedText(field, "q");
    EXPECT_EQ(std::string(field, 4), std::string("q\0\0\0", 4));
    EXPECT_EQ(FixedText(field), "q");

    std::string all;
    for (int c = 1; c < 256; ++c) all += char(c);
    EXPECT_EQ(Latin1Bytes(Latin1Text(all)), all);
    EXPECT_EQ(Latin1Text("M\xfcHLE"), QString::fromUtf8("M\xc3\xbcHLE"));
    EXPECT_EQ(Latin1Bytes(QString::fromUtf8("a\xe2\x82\xac")), "a?");  // the euro sign
}
