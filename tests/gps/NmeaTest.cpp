// Live NMEA reception: sentences taken apart, fixes turned into the track
// log's kept points and live end, real receiver captures through a
// pseudo-terminal, damaged input, and the GPS commands.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "NmeaLines.h"
#include "doc/DocTestEnv.h"
#include "gps/NmeaReceiver.h"
#include "platform/CommandIds.h"

namespace {

struct Env : DocEnv {
    std::FILE* debugLog = nullptr;
    CNmeaReceiver rx{settings, geo, debugLog};
    QueuePort* port = nullptr;
    Env() {
        ApplyDatum();
        Make();
        rx.SetPortFactory([this] {
            auto p = std::make_unique<QueuePort>();
            port = p.get();
            return p;
        });
    }
    ~Env() {
        if (debugLog) std::fclose(debugLog);
    }
    CTrackLogStore& Log() { return doc->TrackLogStore(); }
    NmeaPass Send(const std::string& bytes) {
        port->in += bytes;
        return rx.Receive(&Log());
    }
    // Lines the debug log holds, one per handled sentence.
    std::vector<std::string> DebugLines() {
        std::vector<std::string> lines;
        std::rewind(debugLog);
        char buf[512];
        while (std::fgets(buf, sizeof buf, debugLog)) lines.emplace_back(buf);
        return lines;
    }
};

}  // namespace

TEST(Nmea, SentencesAreCheckedBeforeTheirFieldsAreTrusted) {
    const struct {
        std::string line;
        bool valid, fix;
        double lat, lon;
    } rows[] = {
        {Gga("4807.038", "01131.000", "1"), true, true, 48 + 7.038 / 60, 11 + 31.0 / 60},
        {Gga("4807.038", "01131.000", "0"), true, false, 0, 0},
        {Gga("4807.038", "01131.000", "8"), true, true, 48 + 7.038 / 60, 11 + 31.0 / 60},
        {Gga("4807", "01131", "2"), true, true, 48 + 7 / 60.0, 11 + 31 / 60.0},
        {Gga("4807.038", "01131.000", ""), true, false, 0, 0},
        {Gga("4807.038", "01131.000", "1a"), true, false, 0, 0},
        {Gga("48", "1", "23"), true, false, 0, 0},                    // too short
        {Gga("0000.0000", "000000.0000", "1"), true, false, 0, 0},    // longitude too long
        {Gga("48a7.038", "01131.000", "1"), true, false, 0, 0},       // not a number
        {Gga("4867.038", "01131.000", "1"), true, false, 0, 0},       // 67 minutes
        {Gga("9107.038", "01131.000", "1"), true, false, 0, 0},       // beyond the pole
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08", true, true, 48 + 7.038 / 60, 11 + 31.0 / 60},
        {"$GPGGA,123519,4807.038,N,01131.000,E,1,08*00", false, false, 0, 0},
        {"$GPGGA,030130$GPGLL,2638.1728,N,08011.3893,W,030131.000,A,A*41", false, false, 0, 0},
        {"$GPGGA,235952.00,0000.0000,N,00000.0000,E,0,00,0.0,,M,,M,,*00.0000,N,,*51", false, false, 0, 0},
        {"$GPGGA,030130", true, false, 0, 0},
        {"$GPGGA", true, false, 0, 0},
    };
    for (const auto& r : rows) {
        std::string line = r.line;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        ASSERT_TRUE(IsGgaLine(line)) << line;
        const GgaSentence s = ParseGga(line);
        EXPECT_EQ(std::tuple(s.valid, s.fix), std::tuple(r.valid, r.fix)) << line;
        if (r.fix) {
            EXPECT_EQ(std::tuple(s.lat, s.lon), std::tuple(r.lat, r.lon)) << line;
        }
    }
    EXPECT_TRUE(IsGgaLine("$GNGGA,1"));
    EXPECT_FALSE(IsGgaLine("$GPGLL,2638.1728"));
    EXPECT_FALSE(IsGgaLine(" $GPGGA,1"));
}

// Events: F a fix (each a little further north), N a sentence without a
// fix, I the user imports a point, D deletes the last one, C clears the log.
TEST(Nmea, FixesKeepAPointPerIntervalAndALiveEndThatNeverOverwritesTheUsers) {
    const struct {
        int interval;
        std::string events;
        std::vector<int> counts;  // after each event
        std::string starts;       // segment starts of the final log
    } rows[] = {
        {10, "FFFFFFFFFFF", {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3}, "100"},
        {3, "FFFFFFF", {2, 2, 2, 3, 3, 3, 4}, "1000"},
        {0, "FFF", {2, 3, 4}, "1100"},
        {10, "FFNF", {2, 2, 2, 4}, "1011"},
        {10, "FFIF", {2, 2, 3, 5}, "10111"},
        {10, "FFDF", {2, 2, 1, 3}, "111"},
        {10, "FFCF", {2, 2, 0, 2}, "11"},
    };
    for (const auto& r : rows) {
        Env env;
        env.settings.gpsLogIntervalSeconds = r.interval;
        ASSERT_TRUE(env.rx.OpenGpsPort());
        double lat = 48.1;
        for (std::size_t i = 0; i < r.events.size(); ++i) {
            switch (r.events[i]) {
                case 'F': {
                    lat += 0.001;
                    const NmeaPass pass = env.Send(GgaAt(lat, 11.5));
                    ASSERT_EQ(pass.sentences, 1);
                    const CTrackLogStore& log = env.Log();
                    // The live end is where the receiver is.
                    EXPECT_EQ(log.Points()[log.Count() - 1].position, env.rx.GpsPosition);
                    EXPECT_EQ(pass.triple.third, env.rx.GpsPosition);
                    break;
                }
                case 'N':
                    env.Send(GgaAt(lat, 11.5, "0"));
                    break;
                case 'I': {
                    TrackPoint p{};
                    p.position = CPointD(1, 2);
                    p.segmentStart = 1;
                    env.Log().Append(p);
                    break;
                }
                case 'D':
                    env.Log().Truncate(env.Log().Count() - 1);
                    break;
                case 'C':
                    env.doc->ClearTrackLog(0);
                    break;
            }
            EXPECT_EQ(env.Log().Count(), r.counts[i]) << r.events << " at " << i;
        }
        std::string starts;
        for (int i = 0; i < env.Log().Count(); ++i) starts += env.Log().Points()[i].segmentStart ? '1' : '0';
        EXPECT_EQ(starts, r.starts) << r.events;
    }
}

TEST(Nmea, ThePositionMovesOnlyWithAFixAndTheTestSwitchTurnsFixesOff) {
    Env env;
    ASSERT_TRUE(env.rx.OpenGpsPort());
    CPointD expected;
    ASSERT_TRUE(env.geo.GeoToGK(48 + 7.038 / 60, 11 + 31.0 / 60, expected));
    env.Send(Gga("4807.038", "01131.000", "1"));
    EXPECT_EQ(env.rx.GpsPosition, expected);
    // Stale coordinates in a sentence without a fix move nothing.
    const NmeaPass noFix = env.Send(Gga("4221.4394", "01321.9948", "0"));
    EXPECT_EQ(std::tuple(noFix.triple.first, noFix.triple.second, noFix.triple.third, env.rx.GpsFix),
              std::tuple(expected, expected, expected, 0));
    env.rx.GpsPositionValid = 0;
    env.Send(GgaAt(47.0, 11.0));
    EXPECT_EQ(std::tuple(env.rx.GpsPosition, env.rx.GpsFix), std::tuple(expected, 0));
}

// Damaged streams: whatever comes, the line stays bounded, the sentence
// after the damage is read, and nothing bogus reaches the log.
TEST(Nmea, DamagedStreamsNeitherGrowTheLineNorLogBogusPoints) {
    const std::string good = GgaAt(48.2, 11.6);
    const struct {
        std::string bytes;
        int sentences;
    } rows[] = {
        {std::string(100 * 1024, 'A') + good, 1},               // no line feed for 100 kB
        {std::string(100 * 1024, '$') + "\n" + good, 1},
        {std::string(5000, 'x') + "\n" + good + good, 2},
        {"$GPGGA,030130$GPGLL,2638.1728,N,08011.3893,W,030131.000,A,A*41\r\n" + good, 1},
        {good.substr(0, 30) + good, 0},                          // cut off: joined to the next, no LF between
        {std::string("\0\0\xff\r\n", 5) + good, 1},
    };
    for (const auto& r : rows) {
        Env env;
        ASSERT_TRUE(env.rx.OpenGpsPort());
        int handled = 0;
        for (std::size_t at = 0; at < r.bytes.size(); at += 777) {
            handled += env.Send(r.bytes.substr(at, 777)).sentences;
            EXPECT_LT(env.rx.GpsLine.size(), kNmeaLineCap);
        }
        EXPECT_EQ(handled, r.sentences) << r.bytes.substr(0, 40);
        for (int i = 0; i < env.Log().Count(); ++i)
            EXPECT_EQ(env.Log().Points()[i].position, env.rx.GpsPosition);
    }
}

TEST(Nmea, ALogThatCannotTakePointsSaysSoOnce) {
    Env env;
    env.settings.trackLogOverdraft = kMaxTrackPoints;  // no room can be had
    env.doc->ClearTrackLog(1);
    env.prompter.texts.clear();
    ASSERT_TRUE(env.rx.OpenGpsPort());
    for (int i = 0; i < 5; ++i) env.Send(GgaAt(48.2 + i * 0.001, 11.6));
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Error! TrackLog not initialised in InitInstance"});
    EXPECT_EQ(env.Log().Count(), 0);
}

// The shared receiver captures, fed through a pseudo-terminal in random
// pieces: each sentence is handled once, whatever the cut, and every kept
// point lies where the receiver was (checked where the grid's projection
// holds: hemispheres count as north and east, so a western longitude lands
// far outside it).
TEST(Nmea, RealReceiverCapturesThroughAPseudoTerminal) {
    const std::string dir = TestDataDir();
    if (dir.empty()) GTEST_SKIP() << "no receiver captures";
    const struct {
        const char* file;
        int fixes, noFixes;
        double lat, lon;
    } rows[] = {
        {"garmin25lp.log", 10, 9, 42.36, 13.37},  {"garmin-10x.log", 10, 4, 41.73, 83.63},
        {"GPSmap-76S.log", 12, 0, 38.88, 77.27},  {"garmin48.log", 7, 0, 45.46, 167.15},
        {"triton400.log", 4, 0, 26.64, 80.19},    {"gp-320fw-2019-04-07-coldboot.log", 2, 7, 48.15, 11.58},
    };
    Mix mix{42};
    for (const auto& r : rows) {
        std::ifstream in(dir + "/nmea/" + r.file, std::ios::binary);
        ASSERT_TRUE(in) << r.file;
        std::stringstream text;
        text << in.rdbuf();
        const std::string bytes = text.str();

        Env env;
        env.settings.debugMode = 1;
        env.settings.gpsLogIntervalSeconds = 1;
        env.debugLog = std::tmpfile();
        NmeaPty pty;
        env.rx.SetPortFactory(nullptr);
        env.settings.gpsPort = pty.slave;
        ASSERT_TRUE(env.rx.OpenGpsPort()) << env.prompter.texts.back();
        int handled = 0;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t n = std::min<std::size_t>(1 + mix.Next(200), bytes.size() - at);
            const ssize_t w = ::write(pty.master, bytes.data() + at, n);
            if (w > 0) at += std::size_t(w);
            handled += env.rx.Receive(&env.Log()).sentences;
        }
        for (int idle = 0; idle < 20; ++idle) {
            const int n = env.rx.Receive(&env.Log()).sentences;
            handled += n;
            idle = n ? 0 : idle;
            usleep(5000);
        }
        int fixes = 0, noFixes = 0;
        for (const std::string& l : env.DebugLines()) ++(l[0] == '-' ? noFixes : fixes);
        EXPECT_EQ(std::tuple(fixes, noFixes, handled), std::tuple(r.fixes, r.noFixes, r.fixes + r.noFixes)) << r.file;
        for (int i = 0; std::fabs(r.lon - 12.0) < 6.0 && i < env.Log().Count(); ++i) {
            double lat = 0, lon = 0;
            const CPointD p = env.Log().Points()[i].position;
            ASSERT_TRUE(env.geo.GKToGeo(p.easting, p.northing, lat, lon));
            EXPECT_NEAR(lat, r.lat, 0.02) << r.file << " point " << i;
            EXPECT_NEAR(lon, r.lon, 0.02) << r.file << " point " << i;
        }
    }
}

TEST(Nmea, TheEnabledCommandOpensAndClosesUnlessTheTransferHoldsThePort) {
    NmeaPty pty;
    const struct {
        bool transferRuns, portHeld;
        int enabled;
    } rows[] = {{false, false, 1}, {true, false, 0}, {false, true, 0}};
    for (const auto& r : rows) {
        Env env;
        env.rx.SetPortFactory(nullptr);
        env.settings.gpsPort = pty.slave;
        CSerialPort transfer;
        if (r.portHeld) {
            ASSERT_TRUE(transfer.Open(pty.slave, 9600));
        }
        CCommandMap map;
        int toggles = 0;
        AddNmeaCommands(map, env.rx, [&] { return r.transferRuns; }, [&] { ++toggles; });
        env.prompter.texts.clear();
        ASSERT_TRUE(map.OnCommand(cmd::GpsEnabled));
        CCmdUI ui(cmd::GpsEnabled);
        map.OnUpdateCommand(cmd::GpsEnabled, ui);
        EXPECT_EQ(std::tuple(env.settings.gpsEnabled, ui.m_bChecked, toggles), std::tuple(r.enabled, r.enabled != 0, 1));
        EXPECT_EQ(env.prompter.Saw("Error! Can not open port " + pty.slave + "! GPS positioning will be disabled!"),
                  r.enabled == 0);
        map.OnCommand(cmd::GpsEnabled);
        EXPECT_EQ(env.settings.gpsEnabled, 0);
        map.OnCommand(cmd::GpsClosePort);
        EXPECT_FALSE(env.rx.IsOpen());
    }
}
