#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <climits>
#include <filesystem>
#include <functional>
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

// Lookups go through an index of the lines; after each kind of change they
// must find what a scan from the top finds: the first of duplicates, names
// without case or blanks, keys of a section headed twice.
TEST(Profile, LookupsFindTheFirstMatchAfterEveryChange) {
    TempDir dir;
    WriteFileBytes(dir.file("other.ini"), "[Loaded]\nk=from file\n");
    struct Row {
        const char* section;
        const char* key;
        const char* expected;  // nullptr: not there
    };
    struct Step {
        const char* change;
        std::function<void(CProfile&)> apply;
        std::vector<Row> rows;
        const char* placed = "";  // text the lines must then hold
    };
    const std::vector<Step> steps = {
        {"as read",
         [](CProfile&) {},
         {{"main", "key a", "1"},
          {" MAIN ", "KEY A ", "1"},
          {"Main", "key b", "x"},
          {"main", "key c", "3"},
          {"other", "key a", "other"},
          {"", "top", "before any section"},
          {"Main", "top", nullptr},
          {"Nowhere", "key a", nullptr},
          {"main", "", nullptr}}},
        {"value replaced",
         [](CProfile& p) { p.WriteString("MAIN", "KEY C", "33"); },
         {{"main", "key c", "33"}, {"main", "key a", "1"}, {"other", "key a", "other"}}},
        {"key added in the first block of its section, moving the lines below",
         [](CProfile& p) { p.WriteInt("main", "Key D", 4); },
         {{"main", "key d", "4"},
          {"other", "key a", "other"},
          {"main", "key c", "33"},
          {"main", "key b", "x"}},
         "KEY B=x\nKey D=4\n\n[Other]"},
        {"section added",
         [](CProfile& p) { p.WriteString("New", "k", "n"); },
         {{"new", "K", "n"}, {"main", "key b", "x"}}},
        {"key added to the keys before any section, under a header of their own",
         [](CProfile& p) { p.WriteString("", "second", "s"); },
         {{"", "second", "s"}, {"", "top", "before any section"}, {"new", "k", "n"}}},
        {"text set",
         [](CProfile& p) { p.SetText("[Main]\nkey a=fresh\n"); },
         {{"main", "key a", "fresh"}, {"other", "key a", nullptr}, {"new", "k", nullptr}}},
        {"missing file loaded",
         [&](CProfile& p) {
             p.SetPath(dir.file("none.ini"));
             p.Load();
         },
         {{"main", "key a", nullptr}}},
        {"file loaded",
         [&](CProfile& p) {
             p.SetPath(dir.file("other.ini"));
             p.Load();
         },
         {{"LOADED", "K", "from file"}, {"main", "key a", nullptr}}},
    };
    CProfile p;
    p.SetText(
        "top = before any section\n[Main]\n  Key A  =  1 \nkey a=2\nKEY B=x\n\n[Other]\nKey A=other\n"
        "[ MAIN ]\nkey c=3\nKey B=dup\n");
    for (const Step& step : steps) {
        SCOPED_TRACE(step.change);
        step.apply(p);
        EXPECT_NE(p.Text().find(step.placed), std::string::npos);
        for (const Row& r : step.rows) {
            SCOPED_TRACE(testing::Message() << '[' << r.section << "] " << r.key);
            EXPECT_EQ(p.HasKey(r.section, r.key), r.expected != nullptr);
            EXPECT_EQ(p.GetString(r.section, r.key, "<none>"), r.expected ? r.expected : "<none>");
        }
    }
}
