// The search area: its grid, route rules, autosave and ".sad" files, and the
// export to a Waypoint+ file and to the receiver's upload list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "DocTestEnv.h"
#include "doc/SearchArea.h"
#include "doc/SearchAreaLinks.h"
#include "geo/TextHelpers.h"
#include "platform/ByteOrder.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/Prompt.h"
#include "platform/WaitCursor.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A field at S: base line east, direction line north, 1000 m each.
SearchAreaData Field(double baseAngleDeg = 90, int edge = 0) {
    SearchAreaData d;
    const double a = baseAngleDeg * M_PI / 180;
    d.BaseStart = CPointD(500000, 5100000);
    d.BaseEnd = CPointD(500000 + 1000 * std::sin(a), 5100000 + 1000 * std::cos(a));
    d.DirectionEnd = CPointD(500000, 5101000);
    d.PointsAtEdge = edge;
    return d;
}

struct RecordingLink : ISearchGpsLink {
    std::vector<std::string> items;  // "W name", "R name", "alloc n", "start op follow"
    bool busy = false;               // a transfer runs: no list to fill
    int room = -1;                   // records taken before one is refused (-1 all), as the list tells
    bool AllocateGPSdata(std::uint16_t n) override {
        items.push_back("alloc " + std::to_string(n));
        return !busy;
    }
    bool AddWaypointToGPSdata(const WaypointRecord& w) override { return Add("W " + WptName(w)); }
    bool AddRouteToGPSdata(const std::string& name) override { return Add("R " + name); }
    bool Add(const std::string& item) {
        items.push_back(item);
        if (room == 0) return MsgBox("no room"), false;
        if (room > 0) --room;
        return true;
    }
    void StartUpload(int op, unsigned follow) override {
        items.push_back("start " + std::to_string(op) + " " + std::to_string(follow));
    }
};

struct FakeSearchDialog : ISearchAreaDialog {
    std::function<bool(SearchFieldProperties&)> answer;
    SearchFieldProperties seen;
    bool RunSearchAreaDialog(SearchFieldProperties& p) override {
        seen = p;
        return answer && answer(p);
    }
};

}  // namespace

TEST(SearchGrid, BandsAndPointsFollowTheFieldGeometry) {
    struct Case {
        double angle;
        int edge;
        int bands;
        double firstOffset;  // metres of band 0 along the base line
        double spacing;
    } cases[] = {
        {90, 0, 6, 75, 150},            // middle: 75, 225 .. 825
        {90, 1, 7, 0, 150},             // edge: 0, 150 .. 900
        {60, 0, 5, 86.6025, 173.2051},  // 150 / sin 60
    };
    for (const Case& c : cases) {
        SearchGrid g;
        ASSERT_TRUE(MakeSearchGrid(Field(c.angle, c.edge), g)) << c.angle;
        EXPECT_EQ(g.bands, c.bands) << c.angle << " " << c.edge;
        EXPECT_NEAR(g.spacing, c.spacing, 1e-3);
        EXPECT_EQ(g.points, 11);  // 1000 m / 100 m + 1
        const CPointD s = g.Point(0, 0), last = g.Point(g.bands - 1, 0);
        EXPECT_NEAR(std::hypot(s.easting - 500000, s.northing - 5100000), c.firstOffset, 1e-3);
        EXPECT_NEAR(std::hypot(last.easting - 500000, last.northing - 5100000),
                    c.firstOffset + (c.bands - 1) * c.spacing, 1e-3);
        EXPECT_NEAR(g.Point(0, 10).northing - g.Point(0, 0).northing, 1000, 1e-6);
    }
    EXPECT_EQ(SearchGrid::PointName(0, 0), "A00");
    EXPECT_EQ(SearchGrid::PointName(0, 10), "A10");
    EXPECT_EQ(SearchGrid::PointName(25, 7), "Z07");
}

TEST(SearchGrid, DegenerateFieldsGiveNoGridAndHugeOnesAreCapped) {
    const auto nan = std::nan("");
    std::vector<std::function<void(SearchAreaData&)>> bad = {
        [](SearchAreaData& d) { d.DirectionEnd = CPointD(); },            // unset corner
        [](SearchAreaData& d) { d.BaseEnd = d.BaseStart; },               // coincident
        [](SearchAreaData& d) { d.BaseEnd = CPointD(500000, 5100500); },  // collinear
        [](SearchAreaData& d) { d.BandWidth = 0; },
        [](SearchAreaData& d) { d.PointDistance = -5; },
        [nan](SearchAreaData& d) { d.BandWidth = nan; },
        [nan](SearchAreaData& d) { d.DirectionEnd.easting = nan; },
    };
    for (std::size_t i = 0; i < bad.size(); ++i) {
        SearchAreaData d = Field();
        bad[i](d);
        SearchGrid g;
        EXPECT_FALSE(MakeSearchGrid(d, g)) << i;
    }
    SearchAreaData d = Field();
    d.BandWidth = 1;
    d.PointDistance = 0.001;
    SearchGrid g;
    ASSERT_TRUE(MakeSearchGrid(d, g));
    EXPECT_TRUE(g.capped);
    EXPECT_EQ(g.bands, kMaxSearchBands);
    EXPECT_LE(1LL * g.bands * g.points, kMaxSearchPoints);
    EXPECT_LE(g.nb, g.bands);
}

TEST(SearchArea, RouteSlotsRulesAndMessages) {
    CScriptedPrompter prompter;
    int updates = 0;
    CSearchArea area([&](UpdateHint, const void*) { ++updates; });
    for (int r = 1; r <= 9; ++r) {
        EXPECT_EQ(area.NewRoute(-1), r);
        area.AddRoutePoint(r, CPointD(r, r));
    }
    EXPECT_EQ(area.NewRoute(-1), -1);  // the tenth
    EXPECT_TRUE(prompter.Saw("Maximum number of routes exceeded!"));
    EXPECT_EQ(area.NewRoute(10), -1);
    EXPECT_TRUE(prompter.Saw("Internal Error! Invalid Route number."));
    for (int i = 0; i < 31; ++i) area.AddRoutePoint(0, CPointD(i, i + 1));
    EXPECT_EQ(area.Data().Routes[0].Count, 30);
    EXPECT_TRUE(prompter.Saw("Maximum number of points per route exceeded!"));
    const int before = updates;
    area.AddRoutePoint(-1, CPointD(1, 1));
    area.EndRoute(10);
    area.DeleteRoute(-3);
    EXPECT_EQ(updates, before);

    EXPECT_EQ(area.FindFirstRoute(), 1);
    EXPECT_EQ(area.FindNextRoute(0), 1);
    EXPECT_EQ(area.FindNextRoute(9), -1);
    EXPECT_EQ(area.FindPreviousRoute(1), -1);
    area.DeleteRoute(5);
    EXPECT_EQ(area.FindNextRoute(4), 6);
    EXPECT_EQ(area.FindPreviousRoute(6), 4);
    EXPECT_EQ(area.NewRoute(-1), 5);  // the freed slot
    EXPECT_EQ(area.RouteBeingDrawn[5], 1);
    area.EndRoute(5);
    EXPECT_EQ(area.RouteBeingDrawn[5], 0);
}

TEST(SearchArea, FieldCornersFillInOrderAndHitTestCodes) {
    CSearchArea area;
    EXPECT_FALSE(area.HasSearchArea());
    EXPECT_EQ(area.AddSearchFieldPoint(CPointD(1000, 5000000)), 0);
    EXPECT_TRUE(area.HasSearchArea());
    EXPECT_EQ(area.AddSearchFieldPoint(CPointD(2000, 5000000)), 0);
    EXPECT_EQ(area.AddSearchFieldPoint(CPointD(1000, 5001000)), 1);
    EXPECT_EQ(area.AddSearchFieldPoint(CPointD(9, 9)), 1);  // all set already: unchanged
    EXPECT_EQ(area.Data().DirectionEnd.easting, 1000);

    area.NewRoute(3);
    area.AddRoutePoint(3, CPointD(5000, 5000000));
    area.AddRoutePoint(3, CPointD(5010, 5000000));
    int index = -1;
    EXPECT_EQ(area.HitTestSearchElement(CPointD(5011, 5000000), 4, 4, &index), (1u << 16) | (3u << 8) | 2u);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(area.HitTestSearchElement(CPointD(2001, 5000001), 4, 4, &index), 1u);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(area.HitTestSearchElement(CPointD(3000, 5000000), 4, 4, &index), 0u);
    ASSERT_NE(area.SearchPoint(1, 2), nullptr);
    EXPECT_EQ(area.SearchPoint(1, 2), &area.Data().DirectionEnd);
    area.DeleteRoute(3);
    EXPECT_EQ(area.SearchPoint((1u << 16) | (3u << 8) | 2u, 1), nullptr);  // gone with its route
}

TEST(SearchArea, AutosaveLayoutTruncationAndClampedCounts) {
    CSearchArea a;
    a.Data() = Field(90, 1);
    a.Data().BandWidth = 123.5;
    a.Data().Routes[2].Count = 3;
    a.Data().Routes[2].Points[1] = CPointD(7, 8);
    const std::string bytes = a.DatBytes();
    ASSERT_EQ(bytes.size(), 4908u);
    double v;
    std::memcpy(&v, bytes.data() + 0, 8);
    EXPECT_EQ(v, 123.5);
    std::memcpy(&v, bytes.data() + 8, 8);
    EXPECT_EQ(v, 100.0);
    EXPECT_EQ(LoadLE32s(bytes.data() + 16), 1);
    std::memcpy(&v, bytes.data() + 20, 8);
    EXPECT_EQ(v, 500000.0);  // BaseStart easting
    std::memcpy(&v, bytes.data() + 60, 8);
    EXPECT_EQ(v, 5101000.0);  // DirectionEnd northing
    EXPECT_EQ(LoadLE32s(bytes.data() + 68 + 2 * 484), 3);
    std::memcpy(&v, bytes.data() + 68 + 2 * 484 + 4 + 16, 8);
    EXPECT_EQ(v, 7.0);

    std::string damaged = bytes;
    StoreLE32(damaged.data() + 68, std::uint32_t(-4));
    StoreLE32(damaged.data() + 68 + 484, 1000);
    CSearchArea b;
    b.ReadDat(damaged);
    EXPECT_EQ(b.Data().Routes[0].Count, 0);
    EXPECT_EQ(b.Data().Routes[1].Count, 30);
    EXPECT_EQ(b.Data().Routes[2].Points[1].northing, 8);

    CSearchArea c;  // short: what it holds, defaults after
    c.ReadDat(bytes.substr(0, 28));
    EXPECT_EQ(c.Data().BandWidth, 123.5);
    EXPECT_EQ(c.Data().PointsAtEdge, 1);
    EXPECT_EQ(c.Data().BaseStart.northing, 0.0);  // its easting was cut in half
}

TEST(SearchArea, SadRoundTripAndDefaults) {
    CSearchArea a;
    a.Data() = Field(90, 1);  // exact in three decimals
    a.Data().BaseEnd.northing = 5100000.5;
    a.Data().BandWidth = 120.25;
    a.Data().PointDistance = 75.5;
    for (int i = 0; i < 5; ++i)
        a.Data().Routes[0].Points[a.Data().Routes[0].Count++] = CPointD(501000 + i, 5102000.125);
    a.Data().Routes[9].Count = 1;
    a.Data().Routes[9].Points[0] = CPointD(500003, 5100004);
    const std::string text = a.SadText();
    EXPECT_EQ(text.find("[SEARCH AREA PERIMETER]\nSearch Area Perimeter Point Count=5\n"
                        "Search Area Perimeter Point 0 Northing=5102000.125\nSearch Area Perimeter Point 0 "
                        "Easting=501000.000\n"),
              0u);
    EXPECT_NE(text.find("Search Route 1 Point Count=0\nSearch Route 2 Point Count=0\n"), std::string::npos);
    EXPECT_NE(text.find("Search Search Band=120.250\nSearch Point Dist=75.500\nSearch Points Edge=1\n"),
              std::string::npos);

    CSearchArea b;
    b.Data().Routes[0].Points[7] = CPointD(55, 55);  // overwritten: points 5-29 read as 0
    ASSERT_TRUE(b.ReadSad(text));
    EXPECT_TRUE(b.DatBytes() == a.DatBytes());

    CSearchArea c;
    c.Data().BandWidth = 1;
    EXPECT_TRUE(
        c.ReadSad("[SEARCH ROUTES]\nSearch Route 4 Point Count=99\n[SEARCH AREA PERIMETER]\n"
                  "Search Area Perimeter Point Count=-2\n"));
    EXPECT_EQ(c.Data().BandWidth, 150.0);
    EXPECT_EQ(c.Data().PointDistance, 100.0);
    EXPECT_EQ(c.Data().Routes[4].Count, 30);
    EXPECT_EQ(c.Data().Routes[0].Count, 0);
}

// A ".sad" value that is no number or outside what a search area of the map
// can use refuses the file and changes nothing; the limits are taken, and
// what is written reads back to the same file.
TEST(SearchArea, SadValuesOutsideTheMapAreRefusedAndTheLimitsRoundTrip) {
    const std::string field = "[SEARCH FIELD]\n";
    const char* bad[] = {
        "Search Search Band=1e300\n",
        "Search Point Dist=1e300\n",
        "Search Search Band=0.0009\n",
        "Search Point Dist=1000000.001\n",
        "Search Search Band=-150\n",
        "Search Search Band=abc\n",
        "Search Base Start Northing=1e300\nSearch Base Start Easting=500000\n",
        "Search Base Start Northing=5100000\nSearch Base Start Easting=1e300\n",
        "Search Base End Northing=5100000\n",  // easting 0: neither unset nor on the map
        "Search Vector End Northing=5500000.001\nSearch Vector End Easting=500000\n",
        "Search Vector End Northing=5100000\nSearch Vector End Easting=89999.999\n",
        "Search Vector End Northing=nan\nSearch Vector End Easting=500000\n",
    };
    const std::string routes[] = {
        "[SEARCH AREA PERIMETER]\nSearch Area Perimeter Point 29 Northing=1e300\n",
        "[SEARCH ROUTES]\nSearch Route 9 Point Count=1\nSearch Route 9 Point 0 Northing=5100000\n"
        "Search Route 9 Point 0 Easting=930000.001\n",
        "[SEARCH ROUTES]\nSearch Route 1 Point 0 Northing=x\n",
    };
    std::vector<std::string> texts;
    for (const char* b : bad) texts.push_back(field + b);
    texts.insert(texts.end(), std::begin(routes), std::end(routes));
    CSearchArea a;
    a.Data() = Field();
    a.Data().Routes[2].Count = 1;
    a.Data().Routes[2].Points[0] = CPointD(450000, 5000000);
    const std::string before = a.DatBytes();
    for (const std::string& text : texts) {
        EXPECT_FALSE(a.ReadSad(text)) << text;
        EXPECT_TRUE(a.DatBytes() == before) << text;
    }

    CSearchArea lo, hi;
    lo.Data() = hi.Data() = Field();
    lo.Data().BandWidth = lo.Data().PointDistance = 0.001;
    hi.Data().BandWidth = hi.Data().PointDistance = 1e6;
    lo.Data().BaseStart = CPointD(90000, 4660000);
    hi.Data().BaseStart = CPointD(930000, 5500000);
    lo.Data().Routes[0].Count = hi.Data().Routes[9].Count = 2;
    lo.Data().Routes[0].Points[0] = CPointD(90000, 5500000);
    hi.Data().Routes[9].Points[1] = CPointD(930000, 4660000);  // point 0 unset
    for (CSearchArea* s : {&lo, &hi}) {
        const std::string text = s->SadText();
        CSearchArea back;
        ASSERT_TRUE(back.ReadSad(text)) << text;
        EXPECT_TRUE(back.DatBytes() == s->DatBytes()) << text;
        EXPECT_EQ(back.SadText(), text);
    }
}

TEST(SearchAreaDoc, AutosaveSurvivesARestartAndAnUnreadableFileIsKept) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    doc.SearchArea().Data() = Field();
    doc.NewRoute(1);
    doc.AddRoutePoint(1, CPointD(1, 2));
    CVornaDoc& again = env.Reopen();
    EXPECT_EQ(again.SearchData().BaseEnd.easting, 501000);
    EXPECT_EQ(again.SearchData().Routes[1].Count, 1);
    EXPECT_EQ(ReadAll(env.tmp.dir() + "SearchArea.dat").size(), 4908u);

    env.doc.reset();
    const std::string path = env.tmp.dir() + "SearchArea.dat";
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);  // cannot be read as a file
    env.Make();
    EXPECT_TRUE(env.prompter.Saw("SearchArea.dat can not be read"));
    env.doc.reset();
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(SearchAreaDoc, ExportSequences) {
    DocEnv env;
    env.ApplyDatum();
    CVornaDoc& doc = env.Make();
    RecordingLink link;
    doc.SetSearchGpsLink(&link);
    CCommandMap map;
    doc.AddSearchCommands(map);
    SearchAreaData d = Field();
    d.DirectionEnd = CPointD(500000, 5100200);  // 3 points per band
    d.BaseEnd = CPointD(500300, 5100000);       // 2 bands
    d.Routes[2].Count = 2;
    d.Routes[2].Points[0] = CPointD(500000, 5100000);
    d.Routes[2].Points[1] = CPointD(500100, 5100000);
    doc.SearchArea().Data() = d;

    // Text file without "route through all": points, band ends, drawn routes.
    env.settings.exportToGps = 0;
    env.settings.searchRouteThroughAll = 0;
    const std::string file = env.tmp.dir() + "out.txt";
    env.prompter.files.push_back(file);
    EXPECT_TRUE(map.OnCommand(cmd::ExportToGps));
    std::string text = ReadAll(file);
    std::vector<std::string> names;
    for (std::size_t at = text.find('\n') + 1; at < text.size(); at = text.find('\n', at) + 1) {
        std::string rest = text.substr(at, text.find('\n', at) - at);
        const std::string key = NextToken(rest, ','), f1 = NextToken(rest, ','), f2 = NextToken(rest, ',');
        names.push_back(key + "," + (key == "RouteName" ? f1 : Trimmed(f2)));
    }
    const std::string W = env.settings.waypointKeyword + ",";
    const std::vector<std::string> plain = {
        W + "A00",        W + "A01",        W + "A02",        W + "B00",        W + "B01",
        W + "B02",        "RouteName,1",    "RoutePoint,A00", "RoutePoint,A02", "RouteName,2",
        "RoutePoint,B00", "RoutePoint,B02", "RouteName,3",    "RoutePoint,S00", "RoutePoint,S01"};
    EXPECT_EQ(names, plain);
    EXPECT_NE(text.find("RouteName,3,S\n"), std::string::npos);

    // Upload with "route through all": one list of routes, operation 6.
    env.settings.exportToGps = 1;
    env.settings.searchRouteThroughAll = 1;
    map.OnCommand(cmd::ExportToGps);
    const std::vector<std::string> through = {"alloc 512", "R A",   "W A00",    "W A01", "W A02",
                                              "R B",       "W B00", "W B01",    "W B02", "R S",
                                              "W S00",     "W S01", "start 6 0"};
    EXPECT_EQ(link.items, through);
    link.items.clear();
    map.OnCommand(cmd::ExportToGpsRoutes);  // only without route through all
    EXPECT_TRUE(link.items.empty());

    // Upload without it: the points, then 33059 sends the routes.
    env.settings.searchRouteThroughAll = 0;
    map.OnCommand(cmd::ExportToGps);
    EXPECT_EQ(link.items.back(), "start 5 " + std::to_string(cmd::ExportToGpsRoutes));
    EXPECT_EQ(link.items.size(), 1u + 6 + 1);
    link.items.clear();
    map.OnCommand(cmd::ExportToGpsRoutes);
    const std::vector<std::string> second = {"alloc 512", "R A", "W A00", "W A02", "R B",      "W B00",
                                             "W B02",     "R S", "W S00", "W S01", "start 6 0"};
    EXPECT_EQ(link.items, second);

    // An incomplete field exports only the header line.
    env.settings.exportToGps = 0;
    doc.SearchArea().Data().DirectionEnd = CPointD();
    const std::string empty = env.tmp.dir() + "empty.txt";
    env.prompter.files.push_back(empty);
    map.OnCommand(cmd::ExportToGps);
    text = ReadAll(empty);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    doc.SetSearchGpsLink(nullptr);
}

TEST(SearchAreaDoc, AnUploadStopsAtTheFirstRefusedRecordAndABusyLinkGetsNone) {
    DocEnv env;
    env.ApplyDatum();
    CVornaDoc& doc = env.Make();
    RecordingLink link;
    doc.SetSearchGpsLink(&link);
    CCommandMap map;
    doc.AddSearchCommands(map);
    SearchAreaData d = Field();
    d.DirectionEnd = CPointD(500000, 5100200);  // 3 points per band
    d.BaseEnd = CPointD(500300, 5100000);       // 2 bands
    doc.SearchArea().Data() = d;
    env.settings.exportToGps = 1;
    const struct {
        int routeThroughAll;
        unsigned command;
        bool busy;
        int room;
        std::vector<std::string> items;
        const char* message;
    } rows[] = {
        {1, cmd::ExportToGps, false, 2, {"alloc 512", "R A", "W A00", "W A01"}, "no room"},
        {0,
         cmd::ExportToGps,
         false,
         4,
         {"alloc 512", "W A00", "W A01", "W A02", "W B00", "W B01"},
         "no room"},
        {0, cmd::ExportToGpsRoutes, false, 0, {"alloc 512", "R A"}, "no room"},
        {1, cmd::ExportToGps, true, -1, {"alloc 512"}, "Error! The GPS link is busy with another transfer."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.items.size());
        env.settings.searchRouteThroughAll = r.routeThroughAll;
        link.items.clear();
        link.busy = r.busy;
        link.room = r.room;
        env.prompter.texts.clear();
        map.OnCommand(r.command);
        EXPECT_EQ(link.items, r.items);  // nothing after the refusal, and no upload started
        EXPECT_EQ(env.prompter.texts, std::vector<std::string>{r.message});
    }
    doc.SetSearchGpsLink(nullptr);
}

TEST(SearchAreaDoc, LoadRefusesOtherFilesAndReadErrorsKeepingTheArea) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    CCommandMap map;
    doc.AddSearchCommands(map);
    SearchAreaData d = Field();
    d.Routes[3].Count = 1;
    d.Routes[3].Points[0] = CPointD(500100, 5100100);
    doc.SearchArea().Data() = d;
    const std::string before = doc.SearchArea().DatBytes();
    env.prompter.defaultAnswer = IDNO;  // save the area first? no
    const std::string dir = env.tmp.dir();
    ASSERT_TRUE(WriteFileBytes(dir + "map.bmp", BmpBytes(8, 4, 8, 1024)));
    ASSERT_TRUE(WriteFileBytes(dir + "empty.sad", ""));
    ASSERT_TRUE(WriteFileBytes(dir + "other.ini", "[SEARCH]\nSearch Route Through All=1\n"));
    ASSERT_TRUE(WriteFileBytes(dir + "routes.sad", "[search routes]\r\nSearch Route 2 Point Count=0\r\n"));
    std::filesystem::create_directory(dir + "folder.sad");
    const std::string notSad = " is not a search area definition file!", unread = " could not be read.";
    const struct {
        std::string file;
        std::string message;  // empty: loaded
    } rows[] = {
        {"map.bmp", notSad},    {"empty.sad", notSad}, {"other.ini", notSad},
        {"folder.sad", unread}, {"gone.sad", unread},  // deleted after it was chosen
        {"routes.sad", ""},                            // one section, in another letter case, is enough
    };
    std::vector<int> depthAtBox;
    env.prompter.onBox = [&depthAtBox] { depthAtBox.push_back(WaitCursorDepth()); };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.file);
        env.prompter.texts.clear();
        env.prompter.files.push_back(dir + r.file);
        depthAtBox.clear();
        WaitCursorPeak() = 0;
        EXPECT_NO_THROW(map.OnCommand(cmd::LoadSearchArea));
        EXPECT_EQ(WaitCursorPeak(), 1);
        EXPECT_EQ(WaitCursorDepth(), 0);
        if (r.message.empty()) {
            EXPECT_FALSE(doc.HasSearchArea());
            continue;
        }
        EXPECT_EQ(env.prompter.texts.back(), "Error! File " + dir + r.file + r.message);
        EXPECT_EQ(env.prompter.texts.size(), 2u);  // the question to save first, then the refusal
        EXPECT_EQ(depthAtBox.back(), 0);           // the refusal is read with the usual cursor
        EXPECT_TRUE(doc.SearchArea().DatBytes() == before);
        // What is written in idle time and at the end is the area kept.
        ASSERT_TRUE(doc.SaveStoresAtExit(CVornaDoc::StoreExit::Commit).empty());
        EXPECT_TRUE(ReadAll(dir + "SearchArea.dat") == before);
    }
}

TEST(SearchAreaDoc, PropertiesTurnTheHeadingAndSadFilesRoundTrip) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    FakeSearchDialog dlg;
    doc.SetSearchDialog(&dlg);
    CCommandMap map;
    doc.AddSearchCommands(map);
    SearchAreaData& d = doc.SearchArea().Data();
    d.BaseStart = CPointD(500000, 5100000);
    d.DirectionEnd = CPointD(501000, 5100000);  // due east: 90
    dlg.answer = [](SearchFieldProperties& p) {
        p.heading = 0;
        p.bandWidth = 200;
        p.pointsAtEdge = 1;
        p.routeThroughAll = 1;
        return true;
    };
    map.OnCommand(cmd::SearchFieldProperties);
    EXPECT_TRUE(dlg.seen.headingEditable);
    EXPECT_EQ(dlg.seen.heading, 90);
    EXPECT_NEAR(d.DirectionEnd.easting, 500000, 1e-6);
    EXPECT_NEAR(d.DirectionEnd.northing, 5101000, 1e-6);
    EXPECT_EQ(d.BandWidth, 200);
    EXPECT_EQ(d.PointsAtEdge, 1);
    EXPECT_EQ(env.settings.searchRouteThroughAll, 1);

    // A heading that rounds to a whole turn is offered as north.
    d.DirectionEnd =
        CPointD(500000 - 1000 * std::sin(0.3 * M_PI / 180), 5100000 + 1000 * std::cos(0.3 * M_PI / 180));
    dlg.answer = nullptr;  // Cancel
    map.OnCommand(cmd::SearchFieldProperties);
    EXPECT_EQ(dlg.seen.heading, 0);

    d.DirectionEnd = CPointD();
    map.OnCommand(cmd::SearchFieldProperties);
    EXPECT_FALSE(dlg.seen.headingEditable);
    EXPECT_EQ(dlg.seen.heading, 0);

    d.DirectionEnd = CPointD(500500, 5100500);
    d.BaseEnd = CPointD(501000, 5100000);
    const std::string sad = env.tmp.dir() + "a.sad";
    env.prompter.files.push_back(sad);
    map.OnCommand(cmd::SaveSearchArea);
    const std::string saved = doc.SearchArea().DatBytes();
    env.prompter.answers.push_back(IDNO);  // overwrite? no
    env.prompter.files.push_back(sad);
    map.OnCommand(cmd::SaveSearchArea);
    EXPECT_TRUE(env.prompter.Saw("File " + sad + " allready exists! Would you like to overwrite it?"));

    env.prompter.answers.push_back(IDYES);  // clear
    map.OnCommand(cmd::ClearSearchArea);
    EXPECT_FALSE(doc.HasSearchArea());
    env.prompter.files.push_back(sad);
    map.OnCommand(cmd::LoadSearchArea);
    EXPECT_TRUE(doc.SearchArea().DatBytes() == saved);
    EXPECT_EQ(env.settings.searchAreaDir, env.tmp.dir());
    doc.SetSearchDialog(nullptr);
}

// "Load Search Area..." of a file with a value off the map: the read
// error's one message, and the area and its autosave stay.
TEST(SearchAreaDoc, LoadingASadWithAValueOffTheMapKeepsTheArea) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    CCommandMap map;
    doc.AddSearchCommands(map);
    doc.SearchArea().Data() = Field();
    const std::string before = doc.SearchArea().DatBytes();
    const std::string sad = env.tmp.file("off.sad");
    ASSERT_TRUE(WriteFileBytes(sad, "[SEARCH FIELD]\nSearch Search Band=1e300\n"));
    env.prompter.answers.push_back(IDNO);  // save the area first? no
    env.prompter.files.push_back(sad);
    map.OnCommand(cmd::LoadSearchArea);
    EXPECT_EQ(env.prompter.texts,
              (std::vector<std::string>{"Would you like to save existing search area before loading new one?",
                                        "Error! File " + sad + " could not be read."}));
    EXPECT_TRUE(doc.SearchArea().DatBytes() == before);
}
