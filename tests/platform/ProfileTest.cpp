#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <filesystem>

#include "TestUtil.h"
#include "platform/Profile.h"

TEST(Profile, LooksUpSectionsAndKeysWithoutCaseOrSurroundingBlanks) {
    CProfile p;
    p.SetText("[Preferences]\n  First Time = 0 \n[ dmr ]\nAzimut=3.100000e+02\n");
    EXPECT_EQ(p.GetInt("PREFERENCES", "first time", 1), 0);
    EXPECT_EQ(p.GetInt(" preferences ", "FIRST TIME ", 1), 0);
    EXPECT_EQ(p.GetString("DMR", "AZIMUT", ""), "3.100000e+02");
    EXPECT_TRUE(p.HasKey("Dmr", "azimut"));
    // Keys belong to their own section only.
    EXPECT_EQ(p.GetInt("DMR", "First Time", 7), 7);
    EXPECT_EQ(p.GetString("Nowhere", "Azimut", "def"), "def");
    // A byte-order mark from another editor does not hide the first section.
    p.SetText("\xEF\xBB\xBF[PREFERENCES]\nFirst Time=0\n");
    EXPECT_EQ(p.GetInt("Preferences", "First Time", 1), 0);
}

TEST(Profile, ReadsLeadingDecimalIntegersAndCutsLongText) {
    CProfile p;
    p.SetText(
        "[S]\na=417500.000\nb=  -12abc\nc=abc\nd=99999999999999\ne=-99999999999999\nf=+7\nt=abcdefgh\n");
    EXPECT_EQ(p.GetInt("S", "a", 1), 417500);
    EXPECT_EQ(p.GetInt("S", "b", 1), -12);
    EXPECT_EQ(p.GetInt("S", "c", 1), 0);
    EXPECT_EQ(p.GetInt("S", "d", 1), INT_MAX);
    EXPECT_EQ(p.GetInt("S", "e", 1), INT_MIN);
    EXPECT_EQ(p.GetInt("S", "f", 1), 7);
    EXPECT_EQ(p.GetString("S", "t", "", 5), "abcd");
    EXPECT_EQ(p.GetString("S", "missing", "longdefault", 5), "long");
}

TEST(Profile, NumbersArePlainDecimalsOnly) {
    EXPECT_DOUBLE_EQ(LeadingDouble("-4.465"), -4.465);
    EXPECT_DOUBLE_EQ(LeadingDouble("+1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(LeadingDouble("4.623000e+02"), 462.3);
    EXPECT_DOUBLE_EQ(LeadingDouble(" 2.50m"), 2.5);
    EXPECT_DOUBLE_EQ(LeadingDouble(".5"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingDouble("1e"), 1.0);
    EXPECT_DOUBLE_EQ(LeadingDouble("3,5"), 3.0);
    EXPECT_EQ(LeadingDouble("nan"), 0.0);
    EXPECT_EQ(LeadingDouble("inf"), 0.0);
    EXPECT_EQ(LeadingDouble("-infinity"), 0.0);
    EXPECT_EQ(LeadingDouble("0x10"), 0.0);
    EXPECT_EQ(LeadingDouble(""), 0.0);
    EXPECT_EQ(LeadingDouble("e5"), 0.0);
    EXPECT_TRUE(std::isfinite(LeadingDouble("1e999")));
    EXPECT_EQ(LeadingDouble("1e-999"), 0.0);
}

TEST(Profile, WritingKeepsUnknownLinesAndPlacesNewKeysInTheirSection) {
    CProfile p;
    p.SetText(
        "; my notes\r\n[Preferences]\r\nFirst Time=1\r\nSomething Else = x\r\n\r\n[Mine]\r\nfoo=bar\r\n"
        "not a key line\r\n");
    p.WriteInt("PREFERENCES", "first time", 0);
    p.WriteString("PREFERENCES", "New Key", "v");
    p.WriteString("DMR", "Azimut", "1");
    EXPECT_EQ(p.Text(),
              "; my notes\n[Preferences]\nfirst time=0\nSomething Else = x\nNew Key=v\n\n[Mine]\nfoo=bar\n"
              "not a key line\n\n[DMR]\nAzimut=1\n");
    // A value cannot break the file into lines.
    p.WriteString("DMR", "Text", "a\nb");
    EXPECT_EQ(p.GetString("dmr", "text", ""), "a b");
}

TEST(Profile, MissingFileIsEmptyAndSaveRoundTrips) {
    TempDir dir;
    CProfile p(dir.file("x.ini"));
    EXPECT_FALSE(p.Load());
    EXPECT_EQ(p.GetInt("A", "b", 42), 42);
    p.WriteInt("A", "b", 5);
    ASSERT_TRUE(p.Save());
    EXPECT_EQ(ReadFileBytes(dir.file("x.ini")), "[A]\nb=5\n");
    CProfile q(dir.file("x.ini"));
    ASSERT_TRUE(q.Load());
    EXPECT_EQ(q.GetInt("a", "B", 0), 5);
}

TEST(Profile, FailedSaveLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    // The target is a folder: the temporary is written but cannot replace it.
    std::filesystem::create_directories(dir.file("x.ini/inside"));
    CProfile p(dir.file("x.ini"));
    p.WriteInt("A", "b", 5);
    EXPECT_FALSE(p.Save());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("x.ini/inside")));
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++entries;
    EXPECT_EQ(entries, 1);
    // A folder that does not exist.
    CProfile q(dir.file("none/x.ini"));
    EXPECT_FALSE(q.Save());
}
