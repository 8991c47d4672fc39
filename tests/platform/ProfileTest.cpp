#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <climits>
#include <filesystem>
#include <vector>

#include "TestUtil.h"
#include "platform/Profile.h"

TEST(Profile, LooksUpSectionsAndKeysWithoutCaseOrSurroundingBlanks) {
    CProfile p;
    p.SetText(
        "\xEF\xBB\xBF[Preferences]\n  First Time = 0 \n[ dmr ]\nAzimut=3.100000e+02\n[S]\na=417500.000\n"
        "b=  -12abc\nc=abc\nd=99999999999999\ne=-99999999999999\nt=abcdefgh\n");
    EXPECT_EQ(p.GetInt(" PREFERENCES ", "first time ", 1), 0);
    EXPECT_EQ(p.GetString("DMR", "AZIMUT", ""), "3.100000e+02");
    EXPECT_EQ(p.GetInt("DMR", "First Time", 7), 7);  // keys belong to their own section
    EXPECT_EQ(p.GetString("Nowhere", "Azimut", "def"), "def");
    const std::pair<const char*, int> ints[] = {{"a", 417500},  {"b", -12},     {"c", 0},
                                                {"d", INT_MAX}, {"e", INT_MIN}, {"missing", 1}};
    for (const auto& [key, expected] : ints) EXPECT_EQ(p.GetInt("S", key, 1), expected) << key;
    EXPECT_EQ(p.GetString("S", "t", "", 5), "abcd");
    EXPECT_EQ(p.GetString("S", "missing", "longdefault", 5), "long");
}

TEST(Profile, RealNumbersArePlainDecimalsAndSaturateBySize) {
    const std::string z(400, '0');
    std::vector<std::pair<std::string, double>> rows = {
        {"-4.465", -4.465}, {"+1e3", 1000.0}, {" 2.50m", 2.5},    {".5", 0.5},         {"1e", 1.0},
        {"3,5", 3.0},       {"nan", 0},       {"-infinity", 0},   {"0x10", 0},         {"", 0},
        {"e5", 0},          {"1e-999", 0},    {"1e999", DBL_MAX}, {"-1e999", -DBL_MAX}};
    rows.insert(rows.end(), {{"1e99999999999999999999", DBL_MAX},
                             {"0." + z + "1e5", 0},
                             {"1" + z + "e-1", DBL_MAX},
                             {"0." + z + "1e399", 1e-2},
                             {"000" + z + "5e-320", 5e-320}});
    for (const auto& [text, expected] : rows)
        EXPECT_DOUBLE_EQ(LeadingDouble(text), expected) << text.substr(0, 40);
}

TEST(Profile, WritingKeepsUnknownLinesTheirEndingsAndPlacesNewKeysInTheirSection) {
    CProfile p;
    p.SetText(
        "; my notes\r\n[Preferences]\r\nFirst Time=1\r\nSomething Else = x\r\n\r\n[Mine]\nfoo=bar\r\r\r\n"
        "not a key line\r\r\n");
    p.WriteInt("PREFERENCES", "first time", 0);
    p.WriteString("PREFERENCES", "New Key", "v");
    p.WriteString("DMR", "Azimut", "1");
    p.WriteString("DMR", "Text", "a\nb");  // a value cannot break the file into lines
    const std::string expected =
        "; my notes\r\n[Preferences]\r\nfirst time=0\r\nSomething Else = x\r\nNew "
        "Key=v\r\n\r\n[Mine]\nfoo=bar\r\r\r\n"
        "not a key line\r\r\n\r\n[DMR]\r\nAzimut=1\r\nText=a b\r\n";
    EXPECT_EQ(p.Text(), expected);
    EXPECT_EQ(p.GetString("mine", "foo", ""), "bar");

    TempDir dir;
    p.SetPath(dir.file("x.ini"));
    ASSERT_TRUE(p.Save().ok());
    CProfile q(dir.file("x.ini"));
    ASSERT_EQ(q.Load(), LoadStatus::Loaded);
    ASSERT_TRUE(q.Save().ok());
    EXPECT_EQ(ReadFileBytes(dir.file("x.ini")), expected);
}

TEST(Profile, LoadTellsAMissingFileFromOneThatCannotBeRead) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("folder.ini"));
    std::filesystem::create_symlink("loop.ini", dir.file("loop.ini"));  // fails to open even for root
    const struct {
        std::string path;
        LoadStatus expected;
        int error;
    } rows[] = {
        {dir.file("none.ini"), LoadStatus::Missing, ENOENT},
        {dir.file("folder.ini"), LoadStatus::Unreadable, EISDIR},
        {dir.file("loop.ini"), LoadStatus::Unreadable, ELOOP},
        {"/proc/self/mem", LoadStatus::Unreadable, EIO},  // a read that fails half-way
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.path);
        CProfile p(r.path);
        p.SetText("[A]\nb=1\n");
        EXPECT_EQ(p.Load(), r.expected);
        EXPECT_EQ(p.LoadError(), r.error);
        EXPECT_EQ(p.GetInt("A", "b", 42), 42);
    }
}

TEST(Profile, FailedSaveSaysWhyAndLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("x.ini/inside"));  // the temporary cannot replace a folder
    CProfile p(dir.file("x.ini"));
    p.WriteInt("A", "b", 5);
    for (const AtomicWriteResult& res : {p.Save(), CProfile(dir.file("none/x.ini")).Save()})
        EXPECT_TRUE(!res.ok() && !res.Reason().empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("x.ini/inside")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}
