// The stores written in idle time a minute after they change, on a clock the
// test moves: nothing before the minute or without a change, nothing while a
// transfer or drag is under way, a failing store reported once; counter files
// that did not change are not written at the end either.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "doc/DocTestEnv.h"
#include "doc/StoreAutosave.h"

namespace {

struct SaveEnv : DocEnv {
    std::int64_t now = 0;  // milliseconds
    bool busy = false;
    std::vector<std::string> writes;  // every target the atomic writer was given
    bool failTrack = false;
    WriteFault spy{[this](const std::string& p) {
        writes.push_back(p.substr(p.rfind('/') + 1));
        return failTrack && p.find("TrackLog") != std::string::npos;
    }};
    CStoreAutosave save{[this] { return doc.get(); }, [this] { return busy; }, [this] { return now; }};
    SaveEnv() {
        ApplyDatum();
        Make();
        doc->Waypoints().WriteWptCounters();  // a new database has no counter files yet
        writes.clear();
    }
    // A pass at the time given in seconds; the targets written in it.
    std::string Pass(double seconds) {
        now = std::int64_t(seconds * 1000);
        writes.clear();
        save.Step();
        std::string s;
        for (const auto& w : writes) s += (s.empty() ? "" : " ") + w;
        return s;
    }
    void AddPoint() {
        TrackPoint p{};
        p.position = QuadrantCentre(4, 4);
        ASSERT_TRUE(doc->TrackLogStore().Append(p));
    }
    void AddWaypoint() {
        GPSrecord rec;
        const CPointD at = QuadrantCentre(4, 4);
        ASSERT_TRUE(geo.GKToWGS84(at.easting, at.northing, rec.latitude, rec.longitude));
        rec.name = "HUT";
        rec.flag = 1;
        ASSERT_GE(doc->AddImportedWaypoint(rec), 0);
    }
    void AddRoutePoint() {
        doc->NewRoute(1);
        doc->AddRoutePoint(1, QuadrantCentre(4, 4));
    }
};

}  // namespace

TEST(StoreAutosave, ChangesAreWrittenAMinuteLaterAndOnlyThen) {
    const struct {
        const char* change;  // t: a track point, w: a waypoint, s: a search route point, -: none
        bool busyAtMinute;
        std::vector<std::string> passes;  // at 0 s, 59.9 s, 60 s, 61 s, 200 s
    } rows[] = {
        {"-", false, {"", "", "", "", ""}},
        {"t", false, {"", "", "TrackLog.dat", "", ""}},
        {"w", false, {"", "", "WAutoCnt.dat TEMP.wdb", "", ""}},
        {"tw", false, {"", "", "WAutoCnt.dat TEMP.wdb TrackLog.dat", "", ""}},
        {"s", false, {"", "", "SearchArea.dat", "", ""}},
        // A transfer or drag under way: written at the first pass after it.
        {"t", true, {"", "", "", "TrackLog.dat", ""}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.change);
        SaveEnv env;
        const std::string change = r.change;
        if (change.find('t') != std::string::npos) env.AddPoint();
        if (change.find('w') != std::string::npos) env.AddWaypoint();
        if (change.find('s') != std::string::npos) env.AddRoutePoint();
        std::vector<std::string> got;
        got.push_back(env.Pass(0));
        EXPECT_EQ(env.save.DueInMs(), change == "-" ? -1 : 60000);
        got.push_back(env.Pass(59.9));
        env.busy = r.busyAtMinute;
        got.push_back(env.Pass(60));
        // Due but waiting: the driver is asked back after a while, not at once.
        EXPECT_EQ(env.save.DueInMs(), r.busyAtMinute ? CStoreAutosave::kBusyRecheckMs : -1);
        env.busy = false;
        got.push_back(env.Pass(61));
        got.push_back(env.Pass(200));
        EXPECT_EQ(got, r.passes);
        EXPECT_TRUE(env.prompter.texts.empty());
    }
}

// A store that cannot be written says so once, not at every minute, and is
// written when it can be again.
TEST(StoreAutosave, AFailingStoreIsReportedOnceAndTriedAgain) {
    SaveEnv env;
    env.failTrack = true;
    env.AddPoint();
    double t = 0;
    for (int minute = 0; minute < 4; ++minute, t += 61) {
        env.Pass(t);
        EXPECT_EQ(env.Pass(t + 60), "TrackLog.dat");
    }
    // The file and the reason come with the message.
    EXPECT_EQ(env.prompter.texts,
              std::vector<std::string>{"Error writing Binary TrackLog file " + env.tmp.dir() +
                                       "TrackLog.dat: " + std::strerror(ENOSPC)});
    env.failTrack = false;
    env.Pass(t);
    EXPECT_EQ(env.Pass(t + 60), "TrackLog.dat");
    EXPECT_EQ(env.Pass(t + 200), "");
    EXPECT_TRUE(FileExists(env.tmp.dir() + "TrackLog.dat"));
}

// Counter files whose counts did not change are not written at the end (a
// folder the user may not write to raised two boxes at every exit); changed
// ones are.
TEST(StoreAutosave, UnchangedCounterFilesAreNotWrittenAtTheEnd) {
    DocEnv env;
    env.ApplyDatum();
    env.Make();
    env.doc.reset();  // the first end writes the counter files
    ASSERT_TRUE(FileExists(env.WptFile("WAutoCnt.dat")) && FileExists(env.WptFile("WAutoDel.dat")));
    for (bool change : {false, true}) {
        std::vector<std::string> counters;
        WriteFault spy([&](const std::string& p) {
            if (p.find("WAuto") != std::string::npos) counters.push_back(p.substr(p.rfind('/') + 1));
            return false;
        });
        env.Make();
        if (change) {
            GPSrecord rec;
            const CPointD at = QuadrantCentre(4, 4);
            ASSERT_TRUE(env.geo.GKToWGS84(at.easting, at.northing, rec.latitude, rec.longitude));
            rec.name = "HUT";
            rec.flag = 1;
            ASSERT_GE(env.doc->AddImportedWaypoint(rec), 0);
        }
        env.doc.reset();
        EXPECT_EQ(counters, change ? std::vector<std::string>{"WAutoCnt.dat"} : std::vector<std::string>{});
    }
    EXPECT_TRUE(env.prompter.texts.empty());
}
