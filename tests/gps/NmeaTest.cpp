// Live NMEA reception: checked sentences, kept points and live end, receiver
// captures through a pseudo-terminal, damaged input, the GPS commands.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "NmeaLines.h"
#include "doc/DocTestEnv.h"
#include "gps/NmeaReceiver.h"
#include "platform/CommandIds.h"

namespace {
struct Env : DocEnv {
    std::FILE* debugLog = std::tmpfile();
    CNmeaReceiver rx{settings, geo, debugLog};
    QueuePort* port = nullptr;
    explicit Env(const std::string& pty = {}) {
        ApplyDatum();
        Make();
        settings.gpsPort = pty;
        if (pty.empty())
            rx.SetPortFactory([this] { return std::unique_ptr<ISerialIO>(port = new QueuePort); });
    }
    ~Env() { std::fclose(debugLog); }
    CTrackLogStore& Log() { return doc->TrackLogStore(); }
    int Send(const std::string& bytes) { return port->in += bytes, rx.Receive(&Log()).sentences; }
};
}  // namespace

TEST(Nmea, SentencesAreCheckedBeforeTheirFieldsAreTrusted) {
    const struct {
        std::string line;
        bool valid, fix;
        double lat, lon;
    } rows[] = {{Gga("4807.038", "01131.000", "1"), true, true, 48 + 7.038 / 60, 11 + 31.0 / 60},
                {Gga("4807", "01131", "8"), true, true, 48 + 7 / 60.0, 11 + 31 / 60.0},
                {Gga("4807.038", "01131.000", "0"), true, false, 0, 0},
                {Gga("4807.038", "01131.000", ""), true, false, 0, 0},
                {Gga("4807.038", "01131.000", "1a"), true, false, 0, 0},
                {Gga("48", "1", "23"), true, false, 0, 0},
                {Gga("0000.0000", "000000.0000", "1"), true, false, 0, 0},
                {Gga("48a7.038", "01131.000", "1"), true, false, 0, 0},
                {Gga("4867.038", "01131.000", "1"), true, false, 0, 0},
                // Minutes of exactly 60, as receivers round them, are the next degree.
                {Gga("4559.999", "01459.999", "1"), true, true, 45 + 59.999 / 60, 14 + 59.999 / 60},
                {Gga("4560.000", "01460", "1"), true, true, 46, 15},
                {Gga("4560.001", "01431.000", "1"), true, false, 0, 0},
                {Gga("4531.000", "01460.001", "1"), true, false, 0, 0},
                {"$GPGGA,1,4807.038,N,01131.000,E,1", true, true, 48 + 7.038 / 60, 11 + 31.0 / 60},
                {"$GPGGA,1,4807.038,N,01131.000,E,1*00", false, false, 0, 0},
                {"$GPGGA,030130$GPGLL,2638.1728,N,08011.3893,W,030131.000,A,A*41", false, false, 0, 0},
                {"$GPGGA,2,0000.0000,N,00000.0000,E,0,00,0.0,,M,,M,,*00.0000,N,,*51", false, false, 0, 0},
                {"$GPGGA", true, false, 0, 0}};
    for (const auto& r : rows) {
        const std::string line = r.line.substr(0, r.line.find('\r'));
        const GgaSentence s = ParseGga(line);
        EXPECT_EQ(std::tuple(IsGgaLine(line), s.valid, s.fix, s.lat, s.lon),
                  std::tuple(true, r.valid, r.fix, r.lat, r.lon))
            << line;
    }
    EXPECT_TRUE(IsGgaLine("$GNGGA,1"));
    EXPECT_FALSE(IsGgaLine("$GPGLL,2638.1728"));
}

// Events: F a fix (each a little further north), N no fix, V the test switch
// (fixes count as none), I the user imports a point, D deletes the last one,
// C clears the log.
TEST(Nmea, FixesKeepAPointPerIntervalAndALiveEndThatNeverOverwritesTheUsers) {
    const struct {
        int interval;
        std::string events;
        std::vector<int> counts;  // after each event
        std::string starts;       // segment starts of the final log
    } rows[] = {{10, "FFFFFFFFFFF", {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3}, "100"},
                {3, "FFFFFFF", {2, 2, 2, 3, 3, 3, 4}, "1000"},
                {1, "FFF", {2, 3, 4}, "1100"},
                // 0: only the segment's start and the live end.
                {0, "FFFFF", {2, 2, 2, 2, 2}, "10"},
                {0, "FFNFF", {2, 2, 2, 4, 4}, "1010"},
                {10, "FFNF", {2, 2, 2, 4}, "1011"},
                {10, "FFVFVF", {2, 2, 2, 2, 2, 4}, "1011"},
                {10, "FFIF", {2, 2, 3, 5}, "10011"},
                {10, "FFDF", {2, 2, 1, 3}, "111"},
                {10, "FFCF", {2, 2, 0, 2}, "11"}};
    for (const auto& r : rows) {
        Env env;
        env.settings.gpsLogIntervalSeconds = r.interval;
        ASSERT_TRUE(env.rx.OpenGpsPort());
        double lat = 48.1;
        TrackPoint user{};
        for (std::size_t i = 0; i < r.events.size(); ++i) {
            const CPointD before = env.rx.GpsPosition;
            const char e = r.events[i];
            EXPECT_EQ(e == 'F' || e == 'N' ? env.Send(GgaAt(lat += 0.001, 11.5, e == 'F' ? "1" : "0")) : 1,
                      1);
            if (e == 'V') env.rx.GpsPositionValid = !env.rx.GpsPositionValid;
            if (e == 'I') env.Log().Append(user);
            if (e == 'D') env.Log().Truncate(env.Log().Count() - 1);
            if (e == 'C') env.doc->ClearTrackLog(0);
            CTrackLogStore& log = env.Log();
            EXPECT_EQ(log.Count(), r.counts[i]) << r.events << " at " << i;
            // A fix moves the position and the live end with it; nothing else does.
            EXPECT_EQ(env.rx.GpsPosition == before, e != 'F' || !env.rx.GpsPositionValid) << r.events << i;
            EXPECT_TRUE(e != 'F' || !env.rx.GpsPositionValid ||
                        log.Points()[log.Count() - 1].position == env.rx.GpsPosition);
        }
        std::string starts;
        for (int i = 0; i < env.Log().Count(); ++i) starts += env.Log().Points()[i].segmentStart ? '1' : '0';
        EXPECT_EQ(starts, r.starts) << r.events;
    }
}

// Whatever comes, the line stays bounded, the sentence after the damage is
// read, and nothing bogus reaches the log.
TEST(Nmea, DamagedStreamsNeitherGrowTheLineNorLogBogusPoints) {
    const std::string good = GgaAt(48.2, 11.6);
    const std::pair<std::string, int> rows[] = {{std::string(100 * 1024, 'A') + good, 1},
                                                {std::string(100 * 1024, '$') + "\n" + good, 1},
                                                {std::string(5000, 'x') + "\n" + good + good, 2},
                                                {good.substr(0, 30) + good, 0},
                                                {std::string("\0\0\xff\r\n", 5) + good, 1}};
    for (const auto& [bytes, sentences] : rows) {
        Env env;
        ASSERT_TRUE(env.rx.OpenGpsPort());
        int handled = 0;
        for (std::size_t at = 0; at < bytes.size(); at += 777) {
            handled += env.Send(bytes.substr(at, 777));
            EXPECT_LT(env.rx.GpsLine.size(), kNmeaLineCap);
        }
        EXPECT_EQ(handled, sentences) << bytes.substr(0, 40);
        for (int i = 0; i < env.Log().Count(); ++i)
            EXPECT_EQ(env.Log().Points()[i].position, env.rx.GpsPosition);
    }
    // A log that cannot take points says so once.
    Env env;
    env.settings.trackLogOverdraft = kMaxTrackPoints;
    env.doc->ClearTrackLog(1);
    env.prompter.texts.clear();
    ASSERT_TRUE(env.rx.OpenGpsPort());
    for (int i = 0; i < 5; ++i) env.Send(GgaAt(48.2 + i * 0.001, 11.6));
    EXPECT_EQ(env.prompter.texts,
              std::vector<std::string>{"Error! TrackLog not initialised in InitInstance"});
}

// The shared captures in random pieces through a pseudo-terminal: each
// sentence is handled once, and every kept point lies where the receiver was
// (checked where the grid holds: hemispheres count as north and east).
TEST(Nmea, RealReceiverCapturesThroughAPseudoTerminal) {
    const std::string dir = TestDataDir();
    if (dir.empty()) GTEST_SKIP() << "no receiver captures";
    const struct {
        const char* file;
        int fixes, noFixes;
        double lat, lon;
    } rows[] = {
        {"garmin25lp.log", 10, 9, 42.36, 13.37}, {"garmin-10x.log", 10, 4, 0, 0},
        {"GPSmap-76S.log", 12, 0, 0, 0},         {"garmin48.log", 7, 0, 0, 0},
        {"triton400.log", 4, 0, 0, 0},           {"gp-320fw-2019-04-07-coldboot.log", 2, 7, 48.15, 11.58}};
    Mix mix{42};
    for (const auto& r : rows) {
        std::stringstream text;
        text << std::ifstream(dir + "/nmea/" + r.file, std::ios::binary).rdbuf();
        const std::string bytes = text.str();
        NmeaPty pty;
        Env env(pty.slave);
        env.settings.debugMode = 1;
        env.settings.gpsLogIntervalSeconds = 1;
        ASSERT_TRUE(!bytes.empty() && env.rx.OpenGpsPort()) << r.file;
        int handled = 0;
        for (std::size_t at = 0, quiet = 0; quiet < 20; usleep(at < bytes.size() ? 0 : 5000)) {
            const std::size_t n = std::min<std::size_t>(1 + mix.Next(200), bytes.size() - at);
            if (const ssize_t w = n ? ::write(pty.master, bytes.data() + at, n) : 0; w > 0)
                at += std::size_t(w);
            const int got = env.rx.Receive(&env.Log()).sentences;
            handled += got;
            quiet = at < bytes.size() || got ? 0 : quiet + 1;
        }
        int fixes = 0, noFixes = 0;
        std::rewind(env.debugLog);
        for (char line[512]; std::fgets(line, sizeof line, env.debugLog);)
            ++(line[0] == '-' ? noFixes : fixes);
        EXPECT_EQ(std::tuple(fixes, noFixes, handled), std::tuple(r.fixes, r.noFixes, r.fixes + r.noFixes))
            << r.file;
        for (int i = 0; r.lat && i < env.Log().Count(); ++i) {
            double lat = 0, lon = 0;
            const CPointD p = env.Log().Points()[i].position;
            ASSERT_TRUE(env.geo.GKToGeo(p.easting, p.northing, lat, lon));
            EXPECT_LT(std::max(std::fabs(lat - r.lat), std::fabs(lon - r.lon)), 0.02)
                << r.file << " point " << i;
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
        Env env(pty.slave);
        CSerialPort transfer;
        ASSERT_EQ(r.portHeld && transfer.Open(pty.slave, 9600), r.portHeld);
        CCommandMap map;
        int toggles = 0;
        AddNmeaCommands(
            map, env.rx, [&] { return r.transferRuns; }, [&] { ++toggles; });
        env.prompter.texts.clear();
        map.OnCommand(cmd::GpsEnabled);
        CCmdUI ui(cmd::GpsEnabled);
        map.OnUpdateCommand(cmd::GpsEnabled, ui);
        EXPECT_EQ(std::tuple(env.settings.gpsEnabled, ui.m_bChecked, toggles),
                  std::tuple(r.enabled, r.enabled != 0, 1));
        EXPECT_EQ(
            env.prompter.Saw("Error! Can not open port " + pty.slave + "! GPS positioning will be disabled!"),
            r.enabled == 0);
        map.OnCommand(cmd::GpsEnabled);
        EXPECT_EQ(env.settings.gpsEnabled, 0);
    }
}
