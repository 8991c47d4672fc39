// The simulator on a pseudo-terminal: one host session after another, and
// against an independent host, gpsbabel, which downloads from it and uploads
// to it (skipped where gpsbabel is absent).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QDateTime>
#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "SimReceiver.h"
#include "TestUtil.h"

namespace {

bool Gpsbabel(const std::string& args, const TempDir& dir) {
    return std::system(("timeout 60 gpsbabel " + args + " > " + dir.file("log") + " 2>&1").c_str()) == 0;
}

// Waypoints, and track points grouped by segment, as gpsbabel writes them.
SimData ReadGpx(const std::string& text) {
    static const std::regex item(
        R"re(<(wpt|rtept|trkpt) lat="([^"]+)" lon="([^"]+)">\s*(?:<ele>[^<]*</ele>\s*)?(?:<time>([^<]*)</time>\s*)?)re"
        R"re((?:<name>([^<]*)</name>\s*)?(?:<cmt>([^<]*)</cmt>)?|<name>([^<]*)</name>\s*(?:<number>\d+</number>\s*)?<trkseg>|<trkseg>)re");
    SimData d;
    for (std::sregex_iterator m(text.begin(), text.end(), item), end; m != end; ++m) {
        const auto& g = *m;
        if (g[1] == "wpt" || g[1] == "rtept") {
            d.waypoints.push_back({g[5], g[6], std::stod(g[2]), std::stod(g[3])});
        } else if (g[1] == "trkpt" && !d.tracks.empty()) {
            const auto t = QDateTime::fromString(QString::fromStdString(g[4]), Qt::ISODate);
            d.tracks.back().points.push_back(
                {std::stod(g[2]), std::stod(g[3]), t.isValid() ? t.toSecsSinceEpoch() : 0});
        } else if (g[1].length() == 0) {
            d.tracks.push_back({g[7], {}});
        }
    }
    return d;
}

// One line per item, positions to well within a semicircle's resolution.
std::string Describe(const SimData& d) {
    std::string s;
    char buf[80];
    for (const auto& w : d.waypoints) {
        std::snprintf(buf, sizeof buf, "%.5f %.5f ", w.lat, w.lon);
        s += buf + w.name + "|" + w.comment + "\n";
    }
    for (const auto& t : d.tracks) {
        s += "track " + t.name + "\n";
        for (const auto& p : t.points) {
            std::snprintf(buf, sizeof buf, "%.5f %.5f %lld\n", p.lat, p.lon, static_cast<long long>(p.time));
            s += buf;
        }
    }
    return s;
}

}  // namespace

TEST(GarminSimLine, EachHostSessionStartsAfresh) {
    SimProcess sim("");
    ASSERT_FALSE(sim.path.empty());
    const Bytes request = EncodeFrame(kPidProductRqst, {});
    for (int session = 0; session < 2; ++session) {
        SCOPED_TRACE(session);
        // The mark an exclusive open leaves behind goes once the simulator has seen the close.
        int fd = -1, exclusive = 1;
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (exclusive && std::chrono::steady_clock::now() < give_up) {
            if (fd >= 0) ::close(fd), ::usleep(10000);
            fd = ::open(sim.path.c_str(), O_RDWR | O_NOCTTY);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
        }
        ASSERT_EQ(exclusive, 0);
        ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
        ASSERT_EQ(::write(fd, request.data(), request.size()), ssize_t(request.size()));
        // The answer starts with the acknowledge: the product data left unread last time is gone.
        FrameDecoder d;
        std::vector<FrameDecoder::Frame> got;
        pollfd pfd{fd, POLLIN, 0};
        for (std::uint8_t b; got.empty() && ::poll(&pfd, 1, 10000) > 0 && ::read(fd, &b, 1) == 1;)
            d.Push(&b, 1, got);
        ::close(fd);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].packet.id, kPidAck);
    }
}

TEST(GarminSimWithGpsbabel, DownloadsHoldTheReceiversRecords) {
    if (std::system("command -v gpsbabel > /dev/null") != 0) GTEST_SKIP() << "gpsbabel is not installed";
    TempDir dir;
    struct Row {
        const char* profile;
        const char* what;
        std::size_t commentWidth;  // of the profile's waypoint type
        bool trackNames;           // the profile sends track headers
    } rows[] = {{"array", "-w", 50, true},
                {"array", "-t", 50, true},
                {"table", "-w", 40, false},
                {"table", "-t", 40, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.profile) + " " + r.what);
        SimData want = SampleData();
        (r.what[1] == 'w' ? want.tracks.clear() : want.waypoints.clear());
        // gpsbabel puts the name in for an empty comment.
        for (auto& w : want.waypoints)
            w.comment = w.comment.empty() ? w.name : w.comment.substr(0, r.commentWidth);
        for (auto& t : want.tracks) t.name = r.trackNames ? t.name : "";
        SimProcess sim(std::string("--profile ") + r.profile + " --once");
        ASSERT_TRUE(Gpsbabel(
            std::string(r.what) + " -i garmin -f " + sim.path + " -o gpx -F " + dir.file("gpx"), dir))
            << ReadFileBytes(dir.file("log"));
        EXPECT_EQ(Describe(ReadGpx(ReadFileBytes(dir.file("gpx")))), Describe(want));
    }
}

TEST(GarminSimWithGpsbabel, UploadsAreRecordedPacketByPacket) {
    if (std::system("command -v gpsbabel > /dev/null") != 0) GTEST_SKIP() << "gpsbabel is not installed";
    TempDir dir;
    const std::string gpx = R"(<?xml version="1.0"?>
<gpx version="1.1" creator="test" xmlns="http://www.topografix.com/GPX/1/1">
<wpt lat="46.05" lon="14.5"><name>ALPHA</name><cmt>FIRST</cmt></wpt><wpt lat="-46.1" lon="14.6"><name>BRAVO</name><cmt>SECOND</cmt></wpt>
<rte><name>ROUTE ONE</name><rtept lat="46" lon="14"><name>R1A</name></rtept>
<rtept lat="46.1" lon="-14.1"><name>R1B</name></rtept><rtept lat="46.2" lon="14.2"><name>R1C</name></rtept></rte>
<rte><name>ROUTE TWO</name><rtept lat="-45" lon="13"><name>R2A</name></rtept>
<rtept lat="45.1" lon="13.1"><name>R2B</name></rtept><rtept lat="45.2" lon="13.2"><name>R2C</name></rtept></rte>
</gpx>)";
    ASSERT_TRUE(WriteFileBytes(dir.file("in.gpx"), gpx));
    const std::vector<SimWaypoint> points = ReadGpx(gpx).waypoints;  // the waypoints, then the route points
    struct Row {
        const char* profile;
        const char* what;
        const char* ids;      // packets between the records packet and the transfer complete; "" unchecked
        const char* headers;  // route names as the profile's header type carries them
    } rows[] = {
        {"array", "-w", "35 35", ""},
        {"array", "-r", "29 30 98 30 98 30 29 30 98 30 98 30", "ROUTE ONE|ROUTE TWO|"},
        {"table", "-w", "35 35", ""},
        {"table", "-r", "", "||"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.profile) + " " + r.what);
        const SimProfile profile = *ProfileByName(r.profile);
        {
            SimProcess sim(std::string("--profile ") + r.profile + " --once --record " + dir.file("record"));
            ASSERT_TRUE(Gpsbabel(
                std::string(r.what) + " -i gpx -f " + dir.file("in.gpx") + " -o garmin -F " + sim.path, dir))
                << ReadFileBytes(dir.file("log"));
        }
        std::ifstream record(dir.file("record"));
        std::string line, ids, headers;
        int announced = -1, records = 0;
        SimData got;
        while (std::getline(record, line) && !line.starts_with("12 ")) {
            const int id = std::stoi(line);
            Bytes data;
            for (std::size_t i = line.find(' ') + 1; i && i + 1 < line.size(); i += 2)
                data.push_back(std::uint8_t(std::stoi(line.substr(i, 2), nullptr, 16)));
            if (id == kPidRecords) announced = data.at(0) | data.at(1) << 8;
            if (id == kPidRecords || announced < 0) continue;
            ++records;
            ids += (ids.empty() ? "" : " ") + std::to_string(id);
            if (id == 29) {  // D202: the name; D201: a number and a blank-padded comment
                std::string h(data.begin() + (profile.waypointType == 108 ? 0 : 1), data.end());
                h = h.substr(0, h.find('\0'));
                headers += h.erase(h.find_last_not_of(' ') + 1) + "|";
            }
            if (id != kPidWptData && id != 30) continue;
            const auto w = UnpackWaypoint(profile.waypointType, data);
            ASSERT_TRUE(w) << line;
            if (!w->name.empty()) got.waypoints.push_back(*w);  // gpsbabel adds unnamed points under D201
        }
        EXPECT_TRUE(line.starts_with("12 ")) << "no transfer complete packet";
        EXPECT_EQ(records, announced);
        if (*r.ids) {
            EXPECT_EQ(ids, r.ids);
        }
        EXPECT_EQ(headers, r.headers);
        const std::size_t first = r.what[1] == 'w' ? 0 : 2, count = r.what[1] == 'w' ? 2 : 6;
        EXPECT_EQ(Describe(got), Describe({{points.begin() + first, points.begin() + first + count}, {}}));
    }
}
