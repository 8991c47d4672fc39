// Waypoint+ text: byte-exact lines in any locale, headers and dates, and the
// track log and waypoints through a file and back.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "doc/DocTestEnv.h"
#include "doc/WptText.h"

namespace {

// 2024-01-15 and 2024-07-15 (summer time here), 10:00 UTC.
enum : std::int32_t { kJan = 1705312800, kJul = 1721037600 };

void ExpectLines() {
    const auto track = [](std::int32_t t) {
        TrackPoint p{};
        p.position = CPointD(450123.5, 5100000.25), p.time = t, p.segmentStart = 1;
        return TrackPointPlusLine("TP", 46.5, 15.25, p);
    };
    // Waypoint lines show local time; a line break in a text stays inside the line.
    const std::pair<std::string, const char*> lines[] = {
        {track(kJul),
         "TP,D,  46.500000000,  15.2500000000,07/15/2024,10:00:00,1,450123.500000,5100000.250000\n"},
        {track(0),
         "TP,D,  46.500000000,  15.2500000000,01/01/1970,00:00:00,1,450123.500000,5100000.250000\n"},
        {WaypointPlusLine("WP", {-46.5, -15.25, "AB", "X\nY", kJul, 1}),
         "WP,D,AB    , -46.500000000, -15.2500000000,07/15/2024,12:00:00,X Y\n"},
        {WaypointPlusLine("WP", {1.0, 2.0, "ABCDEF", "", 0, 1}),
         "WP,D,ABCDEF,   1.000000000,   2.0000000000,01/01/1970,01:00:00,\n"}};
    for (const auto& [got, want] : lines) EXPECT_EQ(got, want);
}

struct TextEnv : DocEnv {
    CVornaDoc& doc = Make();
    CTrackLogStore& log = doc.TrackLogStore();
    std::string file = tmp.file("log.txt");
    TextEnv() {
        ApplyDatum();
        log.Clear(0);
    }
    void Import(int what) {
        prompter.files = {file};
        std::string folder;
        ImportFile(doc, settings, geo, what, folder);
    }
};

}  // namespace

TEST(WptText, LinesAreByteExactAlsoUnderADecimalComma) {
    ExpectLines();
    TempDir locales;
    const bool comma = UseDecimalCommaLocale(locales);
    if (comma) ExpectLines();
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    if (!comma) GTEST_SKIP() << "no decimal-comma locale installed and none could be compiled with localedef";
}

TEST(WptText, HeadersDatesAndFieldsReadBounded) {
    // clang-format off
    const std::pair<const char*, std::int32_t> comments[] = {
        {"05-JUN-02 14:23 camp", 1023286980},  // read as UTC, also in summer
        {"01-JAN-34 00:00", 2019686400}, {"5-JUN-02 14:23 camp", 0}, {"05-Jun-02 14:23", 0},
        {"05-JUN-02 14-23", 0}, {"05-JUN-02 14:2", 0}, {"01-JAN-50 00:00", 0}};  // clang-format on
    for (const auto& [text, t] : comments) EXPECT_EQ(ParseDateTime(text), t) << text;

    const char* kTail = ",1,450000.5,5100000.25";
    // clang-format off
    struct Row { std::string text; int points; std::int32_t time; const char* message; };
    const std::string h = "Datum,WGS84,WGS84,0,0,0,0,0\n", tp = "TP,D,46.5,15.25,";
    const Row rows[] = {
        {"Datum,WGS84,WGS84,0,0,0,0\n" + tp + "07/15/2024,10:00:00" + kTail, 0, 0, "Invalid input file format!"},
        {"Datum,WGS84,WGS84,0,0,0,0,0,9\r\n" + tp + "07/15/2024,10:00:00" + kTail + "\r\n", 1, kJul, ""},
        {h + tp + "01/01/1970,00:00:00" + kTail, 1, 0, ""},
        {h + tp + "07/15/2024,10:00" + kTail, 1, 0, ""},
        {h + tp + "07/15/2035,10:00:00" + kTail, 1, 0, ""},
        {h + "TP,X,46.5" + kTail, 0, 0, "Invalid data format in line 1"},
        {h + "WP,D,HUT   ,46.5,15.25,01/01/2024,10:00:00,\n" + tp, 1, 0, ""},
        {h + "\n" + tp + "01/15/2024,10:00:00" + kTail, 1, kJan, "record type in line:''"},
        // A year past an int's digits is no time, not a wrapped one (this one wraps to 2024).
        {h + tp + "07/15/4294969320,10:00:00" + kTail, 1, 0, ""},
        // Numbers no receiver writes and places off the map are refused line by line.
        {h + "TP,D,nan,15.25,07/15/2024,10:00:00" + kTail, 0, 0, "Invalid data format in line 1"},
        {h + "TP,D,90.5,15.25,07/15/2024,10:00:00" + kTail, 0, 0, "Invalid data format in line 1"},
        {h + "TP,D,46.5,-180.5,07/15/2024,10:00:00" + kTail, 0, 0, "Invalid data format in line 1"},
        {h + "TP,D,46.5,inf,07/15/2024,10:00:00" + kTail, 0, 0, "Invalid data format in line 1"},
        {h + "TP,D,44.0,15.25,07/15/2024,10:00:00\n" + tp + "07/15/2024,10:00:00" + kTail, 1, kJul,
         "Invalid data format in line 1"},
        {h + tp + "07/15/2024,10:00:00,1,inf,5100000.25", 0, 0, "Invalid data format in line 1"},
        {h + tp + "07/15/2024,10:00:00,1,450000.5,1e300", 0, 0, "Invalid data format in line 1"},
        {h + tp + "07/15/2024,10:00:00,1,650000.5,5100000.25", 0, 0, "Invalid data format in line 1"},
    };  // clang-format on
    for (const Row& row : rows) {
        TextEnv env;
        WriteFileBytes(env.file, row.text);
        env.Import(0);
        ASSERT_EQ(env.log.Count(), row.points) << row.text;
        EXPECT_EQ(std::string(row.message).empty(), env.prompter.texts.empty()) << row.text;
        EXPECT_TRUE(!*row.message || env.prompter.Saw(row.message)) << row.text;
        if (row.points == 0) continue;
        const TrackPoint p = env.log.Points()[0];
        EXPECT_EQ(p.time, row.time) << row.text;
        // Written grid coordinates win over the degrees; without them the degrees count.
        const bool grid = row.text.find(kTail) != std::string::npos;
        EXPECT_EQ(p.position.easting == 450000.5, grid) << row.text;
        EXPECT_GT(p.position.easting, 100000.0) << row.text;
    }
    // Lines are sized to their numbers: the line feed of a huge one is kept.
    TrackPoint huge{};
    huge.position = CPointD(1e252, -1e252);
    for (const std::string& line : {TrackPointPlusLine("TP", 1e300, -1e300, huge),
                                    WaypointPlusLine("WP", {1e300, -1e300, "AB", "C", 0, 1})}) {
        EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
        EXPECT_EQ(line.back(), '\n');
        EXPECT_GT(line.size(), 500u);
    }

    // A log without room stops the file with one message.
    TextEnv full;
    full.log.Clear(kMaxTrackPoints);
    full.prompter.texts.clear();
    WriteFileBytes(full.file, h + tp + "x" + kTail + "\n" + tp + "x" + kTail);
    full.Import(0);
    EXPECT_EQ(full.prompter.texts, std::vector<std::string>{"Error! TrackLog not initialised in ImportFile"});
}

TEST(WptText, TrackLogAndWaypointsComeBackFromTheirFile) {
    TextEnv env;
    const std::int32_t times[] = {0, kJan, kJul, kJul + 60};
    for (int i = 0; i < 4; ++i) {
        TrackPoint p{};
        p.position = CPointD(QuadrantCentre(4, 4).easting + i * 10.25, QuadrantCentre(4, 4).northing - i);
        p.time = times[i];
        p.segmentStart = i == 2;
        env.log.Append(p);
    }
    const std::vector<TrackPoint> before(env.log.Points(), env.log.Points() + 4);
    env.prompter.files = {env.file};
    ASSERT_TRUE(WriteTrackLog(env.doc, env.settings, env.geo, 9, -2, ""));  // either order, held to the log
    // Clearing waits for a chosen file: a cancelled dialog keeps the log.
    for (const std::string& chosen : {std::string(), env.file}) {
        env.prompter.answers = {IDYES};
        env.prompter.files = {chosen};
        TrackLogFromFile(env.doc, env.settings, env.geo);
        ASSERT_EQ(env.log.Count(), 4);
    }
    for (int i = 0; i < 4; ++i) {
        const TrackPoint& p = env.log.Points()[i];
        const TrackPoint& q = before[std::size_t(i)];
        EXPECT_LT(
            std::hypot(p.position.easting - q.position.easting, p.position.northing - q.position.northing),
            1e-6);
        EXPECT_EQ(std::make_pair(p.time, p.segmentStart), std::make_pair(times[i], int(i == 2))) << i;
    }

    // Appending: a missing final line feed comes first; an empty file gets the header.
    const std::string one = TrackPointPlusLine("TP", 0, 0, before[0]);
    const std::pair<std::string, std::string> appends[] = {
        {"Datum,WGS84,WGS84,0,0,0,0,0\nTP,D,1,2,,", "Datum,WGS84,WGS84,0,0,0,0,0\nTP,D,1,2,,\n"},
        {"", kWptPlusHeader}};
    for (const auto& [old, head] : appends) {
        WriteFileBytes(env.file, old);
        env.prompter.files = {env.file};
        env.prompter.answers = {IDNO};
        ASSERT_TRUE(WriteTrackLog(env.doc, env.settings, env.geo, 0, 0, ""));
        const std::string now = ReadFileBytes(env.file);
        EXPECT_EQ(now.substr(0, head.size()), head);
        EXPECT_EQ(now.size(), head.size() + one.size());
    }

    // Appending to a folder is refused, not thrown out of the command.
    {
        const std::string dir = env.tmp.file("folder.txt");
        std::filesystem::create_directory(dir);
        CWptExportFile refused;
        env.prompter.files = {dir};
        env.prompter.answers = {IDNO};
        env.prompter.texts.clear();
        EXPECT_FALSE(refused.Open(env.settings.wptExportDir, "", env.settings));
        EXPECT_EQ(env.prompter.texts.back(), "Waypoint file appending error");
    }

    // Stored waypoints: a deleted one writes nothing.
    CWptExportFile out;
    env.prompter.files = {env.file};
    ASSERT_TRUE(out.Open(env.settings.wptExportDir, "", env.settings));
    for (std::uint16_t flags : {0x8000, 0})
        WriteWptLine(out, MakeWpt(flags ? "GONE" : "LIVE", QuadrantCentre(4, 4), flags), "", env.settings,
                     env.geo);
    ASSERT_TRUE(out.Close());
    const std::string text = ReadFileBytes(env.file);
    EXPECT_EQ(text.substr(0, 42), std::string(kWptPlusHeader) + "WP,D,LIVE  ,  ");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);

    // Waypoints (CRLF lines): the padded name is trimmed, the comment gives the time, and a
    // waypoint that exists already is not added twice.
    std::string wpt =
        WaypointPlusLine("Waypoint", GPSrecord{46.5, 15.25, "HUT", "05-JUN-02 14:23 HUT", 0, 1});
    WriteFileBytes(env.file, kWptPlusHeader + wpt.insert(wpt.size() - 1, "\r"));
    env.Import(1);
    env.Import(1);
    ASSERT_EQ(env.Db().GetLiveWptCount(kTempBase), 1);
    EXPECT_TRUE(env.dialogs.kinds.empty());  // never asked about the existing one
    const WaypointRecord* r = env.doc.GetWptRecord(kTempBase, 0);
    EXPECT_STREQ(r->Name, "HUT");
    EXPECT_EQ(r->Created, 1023286980);
    EXPECT_STREQ(r->Comment, "HUT");

    // Names are read as the record keeps them, so a long one is found again on a
    // second import; bad degrees and places off the map add nothing.
    WriteFileBytes(env.file, kWptPlusHeader + WaypointPlusLine("WP", {46.6, 15.35, "WATERFALL", "", 0, 1}) +
                                 "WP,D,A1    ,1e300,15.25,01/01/2024,10:00:00,\n"
                                 "WP,D,A2    ,nan,15.25,01/01/2024,10:00:00,\n"
                                 "WP,D,A3    ,46.5,180.5,01/01/2024,10:00:00,\n"
                                 "WP,D,A4    ,44.0,15.25,01/01/2024,10:00:00,\n");
    env.prompter.texts.clear();
    env.Import(1);
    env.Import(1);
    EXPECT_TRUE(env.dialogs.kinds.empty());
    ASSERT_EQ(env.Db().GetLiveWptCount(kTempBase), 2);
    EXPECT_STREQ(env.doc.GetWptRecord(kTempBase, 1)->Name, "WATERF");
    std::vector<std::string> refused;
    for (int pass = 0; pass < 2; ++pass)
        for (int line = 2; line <= 5; ++line)
            refused.push_back("Invalid data format in line " + std::to_string(line));
    EXPECT_EQ(env.prompter.texts, refused);
}

// Several chosen files are read in turn, a missing one reported between them;
// lines are read as the file reader reads them, so a header or a waypoint line
// with trailing blanks is accepted and a line of more than 254 bytes goes on
// as a line of its own.
TEST(WptText, SeveralFilesImportInTurnWithLinesReadAsTheLineReaderReadsThem) {
    TextEnv env;
    const std::string a = env.tmp.file("a.txt"), b = env.tmp.file("b.txt"), gone = env.tmp.file("gone.txt");
    const std::string header = "Datum,WGS84,WGS84,0,0,0,0,0 \t\r\n";
    WriteFileBytes(a, header + WaypointPlusLine("WP", {46.5, 15.25, "ONE", "", 0, 1}));
    std::string two = WaypointPlusLine("WP", {46.6, 15.35, "TWO", "", 0, 1});
    two.insert(two.size() - 1, "   ");
    std::string three = WaypointPlusLine("WP", {46.7, 15.45, "THREE", "", 0, 1});
    three.insert(three.size() - 1, std::string(300, 'c'));  // a comment far past the line's bound
    WriteFileBytes(b, kWptPlusHeader + two + three);
    // A folder picked among the files is refused like a file that went.
    const std::string dir = env.tmp.file("sub");
    std::filesystem::create_directory(dir);
    env.prompter.fileLists = {{a, gone, dir, b}};
    std::string folder;
    ImportFile(env.doc, env.settings, env.geo, 1, folder);
    EXPECT_EQ(folder, env.tmp.dir());
    ASSERT_EQ(env.Db().GetLiveWptCount(kTempBase), 3);
    const char* names[] = {"ONE", "TWO", "THREE"};
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(env.doc.GetWptRecord(kTempBase, i)->Name, names[i]);
    EXPECT_EQ(
        env.prompter.texts,
        (std::vector<std::string>{"Error opening Waypoint file " + gone, "Error opening Waypoint file " + dir,
                                  "Warning! Could not recognize record type in line:''. Would you like "
                                  "to continue?"}));
    EXPECT_EQ(std::string(env.doc.GetWptRecord(kTempBase, 2)->Comment), std::string(23, 'c'));

    // A cancelled dialog reads nothing and keeps the folder.
    env.prompter.fileLists = {{}};
    env.prompter.texts.clear();
    folder = "/kept/";
    ImportFile(env.doc, env.settings, env.geo, 1, folder);
    EXPECT_EQ(folder, "/kept/");
    EXPECT_TRUE(env.prompter.texts.empty());
}

// "Track Log from File..." answered Yes empties the log only once a chosen
// file's header was accepted: a cancelled dialog or a file of another kind
// leaves the log; a good file replaces it. What changed is repainted.
TEST(WptText, AClearedTrackLogWaitsForAnAcceptedFile) {
    TextEnv probe;
    const std::string gpx = probe.tmp.file("day.gpx");
    WriteFileBytes(gpx, "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\"></gpx>\n");
    TrackPoint one{};
    one.position = QuadrantCentre(4, 4);
    one.segmentStart = 1;
    WriteFileBytes(probe.file, std::string(kWptPlusHeader) + TrackPointPlusLine("TrackPoint", 0, 0, one));
    const struct {
        std::vector<std::string> chosen;  // empty: the dialog is cancelled
        int count;
        const char* message;
    } rows[] = {
        {{}, 5, ""},
        {{gpx}, 5, "Invalid input file format!"},
        {{probe.file}, 1, ""},
        {{gpx, probe.file}, 1, "Invalid input file format!"},
    };
    for (const auto& r : rows) {
        TextEnv env;
        for (int i = 0; i < 5; ++i) env.log.Append(one);
        env.prompter.answers = {IDYES};
        env.prompter.fileLists = {r.chosen};
        env.view.hints.clear();
        TrackLogFromFile(env.doc, env.settings, env.geo);
        const std::string messages = env.prompter.texts.size() > 1 ? env.prompter.texts[1] : "";
        EXPECT_EQ(std::tuple(env.log.Count(), messages), std::tuple(r.count, std::string(r.message)))
            << r.chosen.size();
        EXPECT_EQ(env.view.hints, r.chosen.empty() ? std::vector<long>{} : std::vector<long>{kHintAll});
    }
}
