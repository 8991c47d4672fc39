// Whole transfers against the simulated receiver on a pseudo-terminal: what
// lands in the document and the record list, the status texts, the packets
// the receiver records, and how each misbehaviour of the receiver ends.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "TestUtil.h"
#include "doc/DocTestEnv.h"
#include "gps/Garmin.h"
#include "platform/CommandIds.h"

namespace {

// The simulator for the life of the object; path is the line it serves.
struct SimProcess {
    explicit SimProcess(std::vector<std::string> args) {
        args.insert(args.begin(), ToolsDir() + "/garmin-sim");
        int out[2];
        if (::pipe(out) != 0) return;
        if ((pid = ::fork()) == 0) {
            ::dup2(out[1], 1);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        pollfd pfd{out[0], POLLIN, 0};
        for (char c; ::poll(&pfd, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n';) path += c;
        ::close(out[0]);
    }
    ~SimProcess() {
        if (pid > 0 && ::kill(pid, SIGTERM) == 0) ::waitpid(pid, nullptr, 0);
    }
    pid_t pid = -1;
    std::string path;
};

// Keeps what a download hands on.
struct Downloads : IGarminDownloads {
    std::string ranges;  // "@first" per track download, "label@first" per sub-log
    int points = 0;
    std::string waypoints;  // names taken at the finish
    void StartTrackRanges(Garmin&, int first) override { ranges += "@" + std::to_string(first); }
    void OpenSublogRange(Garmin&, const std::string& label, int first) override {
        ranges += " " + label + "@" + std::to_string(first);
    }
    void UpdateDayRanges(Garmin&, int, std::int32_t) override { ++points; }
    void FinishTrackLog(Garmin&, CVornaDoc&) override {}
    void FinishWaypoints(Garmin& link, CVornaDoc&) override {
        for (std::uint16_t i = 0; i < link.Records().GPSdataCount; ++i)
            waypoints += (i ? " " : "") + link.Records()[i].name;
    }
};

struct Transfer {
    DocEnv env;
    std::int64_t now = 1000;  // seconds; moves on only while the line is quiet
    std::vector<std::string> status;
    std::vector<unsigned> posted;
    Downloads downloads;
    Garmin link{env.settings, env.geo,
                GarminHost{[this](const std::string& s) {
                               if (status.empty() || status.back() != s) status.push_back(s);
                           },
                           [this] { return env.doc.get(); },
                           [this](unsigned id) { return posted.push_back(id), true; }, nullptr, nullptr}};

    Transfer() {
        env.ApplyDatum();
        env.Make().ClearTrackLog(0);
        link.SetDownloads(&downloads);
        link.SetPause(nullptr);
        link.Link().SetClock([this] { return now; });
    }
    void Run(int operation, const std::string& port) {
        link.StartOperation(operation, port, cmd::ExportToGpsRoutes);
        link.StartOperation(Garmin::OpIdentify, port, 0);  // a second start while one runs: nothing
        for (int i = 0; i < 100000 && link.Step(); ++i) {
            pollfd p{link.PortHandle(), POLLIN, 0};
            if (::poll(&p, 1, 500) <= 0 || !(p.revents & POLLIN)) ++now;
        }
    }
    // The status texts after the first, without the operation's prefix, and
    // only the last of a run of record counts.
    std::string Statuses(const std::string& prefix) const {
        std::string s;
        for (std::size_t i = 0; i < status.size(); ++i) {
            std::string t = status[i].starts_with(prefix) ? status[i].substr(prefix.size()) : "!" + status[i];
            const bool counting = t.find(" record ") != std::string::npos;
            if (counting && i + 1 < status.size() && status[i + 1].find(" record ") != std::string::npos)
                continue;
            s += (s.empty() ? "" : "|") + t;
        }
        return s;
    }
    std::string Messages() const {
        std::string s;
        for (const auto& t : env.prompter.texts) s += (s.empty() ? "" : "|") + t;
        return s;
    }
};

const char kModelArray[] = "Model: SIMULATED ARRAY RECEIVER, Ver: 2.50, ID: 999";
const char kModelTable[] = "Model: SIMULATED TABLE RECEIVER, Ver: 3.00, ID: 77";

std::string Hex(const std::string& bytes) {
    std::string s;
    char b[3];
    for (unsigned char c : bytes) std::snprintf(b, sizeof b, "%02x", c), s += b;
    return s;
}

// The packets the receiver recorded, acknowledges left out: ids, the data of
// records, transfer-complete and route-header packets, and waypoint names.
std::string Recorded(const std::string& file, bool d108) {
    std::ifstream in(file);
    std::string s;
    for (std::string line; std::getline(in, line);) {
        const int id = std::stoi(line);
        if (id == PID_ACK) continue;
        std::string data;
        for (std::size_t i = line.find(' '); i != std::string::npos && i + 2 < line.size(); i += 2)
            data += char(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        s += (s.empty() ? "" : " ") + std::to_string(id);
        if (id == PID_RECORDS || id == PID_XFER_COMPLETE || id == PID_ROUTE_HEADER)
            s += "(" + Hex(data) + ")";
        if (id == PID_WAYPOINT || id == PID_ROUTE_WPT)
            s += ":" + (d108 ? std::string(data.c_str() + 48) : data.substr(0, data.find(' ')));
    }
    return s;
}

}  // namespace

TEST(GarminTransfer, DownloadsLandInTheDocumentOrEndWithTheirMessage) {
    const std::string kRx =
        "Error! Receive from GPS failed. Check if GPS is in the Garmin communication mode.";
    struct Row {
        std::vector<std::string> sim;
        int op;
        const char* statuses;  // without the prefix
        const char* message;
        const char* handed;  // waypoint names, or track ranges and points
    } rows[] = {
        {{"--profile", "array"},
         2,
         "Waiting for product ID|Model: SIMULATED ARRAY RECEIVER, Ver: 2.50, ID: 999|Expecting 4 records|"
         "Received record 4 of 4 (HUT7)",
         "",
         "CASTLE BRIDGE SUMMIT HUT7"},
        {{"--profile", "table"}, 2, "", "", "CASTLE BRIDGE SUMMIT HUT7"},
        {{"--profile", "array"}, 3, "", "", "@0 EVENING@0 MORNING@12 19"},
        {{"--profile", "table"}, 3, "", "", "@0 19"},
        {{"--profile", "table", "--fault", "duplicate"}, 3, "", "", "@0 19"},
        {{"--fault", "noise"}, 2, "", "", "CASTLE BRIDGE SUMMIT HUT7"},
        {{"--fault", "duplicate"}, 2, "", "", "CASTLE BRIDGE SUMMIT HUT7"},
        {{"--fault", "extra-record"}, 2, "Received record 5 of 4 (?\?\?)", "", "CASTLE BRIDGE SUMMIT HUT7"},
        {{"--fault", "silent"},
         2,
         "Waiting for product ID|GPS not responding! Check cables, COM port and verify that GPS is on.",
         "GPS not responding! Check cables, COM port and verify that GPS is on.",
         ""},
        {{"--fault", "nak"},
         3,
         "",
         "Error! Send to GPS failed. Check if GPS is in the Garmin communication mode.",
         ""},
        {{"--fault", "bad-checksum"}, 2, "", kRx.c_str(), ""},
        {{"--fault", "extra-packet-after-product-data"},
         2,
         "",
         "Error! Unexpected packet type 248 read from Garmin GPS.",
         ""},
        {{"--profile", "table", "--fault", "no-ack"},
         2,
         "Waiting for product ID",
         "Error! Unexpected packet type 255 read from Garmin GPS.",
         ""},
        {{"--profile", "unsupported"}, 3, "", "Unknown or unsupported GPS device!", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.sim) + " " + std::to_string(r.op));
        SimProcess sim(r.sim);
        ASSERT_FALSE(sim.path.empty());
        Transfer t;
        t.Run(r.op, sim.path);
        const std::string prefix = r.op == 2 ? "DOWNLOADING WPTS: " : "DOWNLOADING TRACKLOG: ";
        const std::string statuses = t.Statuses(prefix);
        if (*r.statuses) {
            if (std::strchr(r.statuses, '|'))
                EXPECT_EQ(statuses, r.statuses);
            else
                EXPECT_EQ(statuses.substr(statuses.rfind('|') + 1), r.statuses);
        }
        EXPECT_EQ(t.Messages(), r.message);
        if (!*r.message) {
            // Identified by the table or the array, then every record in turn.
            EXPECT_NE(statuses.find(r.sim[1] == "table" ? kModelTable : kModelArray), std::string::npos);
            EXPECT_NE(statuses.find("Expecting "), std::string::npos);
        }
        const CTrackLogStore& log = t.env.doc->TrackLogStore();
        EXPECT_EQ(r.op == 2
                      ? t.downloads.waypoints
                      : t.downloads.ranges + (t.downloads.points ? " " + std::to_string(log.Count()) : ""),
                  r.handed);
        if (r.op == 3 && log.Count() > 0) {
            // The first point of each log starts a segment, in the local grid.
            EXPECT_TRUE(log.Points()[0].segmentStart && log.Points()[0].position.northing > 5e6);
            EXPECT_EQ(log.Points()[0].time, 1774737600);
        }
        EXPECT_EQ(t.link.GetState(), 0);
        EXPECT_EQ(t.link.PortHandle(), -1);
        EXPECT_EQ(t.posted, std::vector<unsigned>{cmd::ExportToGpsRoutes});
        EXPECT_FALSE(t.link.Records().HasGPSdata());
    }
}

TEST(GarminTransfer, UploadsSendTheRecordsInTheReceiversProtocols) {
    const std::string kSpaces19(19, ' ');
    // Two waypoints, or two routes (A, B) of three waypoints each.
    const std::vector<std::pair<std::string, bool>> points = {{"P1", false}, {"P2", false}};
    const std::vector<std::pair<std::string, bool>> routes = {{"a", true},   {"A1", false}, {"A2", false},
                                                              {"A3", false}, {"b", true},   {"B1", false},
                                                              {"B2", false}, {"B3", false}};
    struct Row {
        std::vector<std::string> sim;
        int op;
        std::vector<std::pair<std::string, bool>> list;  // name, route header
        std::string recorded;
        const char* message;
    } rows[] = {
        {{"--profile", "array"}, 5, points, "254 27(0200) 35:P1 35:P2 12(0700)", ""},
        {{"--profile", "table"}, 5, points, "254 27(0200) 35:P1 35:P2 12(0700)", ""},
        // Route protocol 201: a link between consecutive waypoints of a route.
        {{"--profile", "array"},
         6,
         routes,
         "254 27(0c00) 29(4100) 30:A1 98 30:A2 98 30:A3 29(4200) 30:B1 98 30:B2 98 30:B3 12(0400)",
         ""},
        // Route protocol 200: headers by number and name, waypoints without links.
        {{"--profile", "table"},
         6,
         routes,
         "254 27(0800) 29(0141" + Hex(kSpaces19) + ") 30:A1 30:A2 30:A3 29(0242" + Hex(kSpaces19) +
             ") 30:B1 30:B2 30:B3 12(0400)",
         ""},
        // A record the receiver's type cannot hold ends the upload unsent.
        {{"--profile", "table", "--version", "400"},
         5,
         points,
         "254 27(0200)",
         "Error! Unknown Waypoint format. Your GPS model is probably not supported"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.sim) + " " + std::to_string(r.op));
        TempDir dir;
        std::vector<std::string> args = r.sim;
        args.insert(args.end(), {"--record", dir.file("record")});
        SimProcess sim(args);
        ASSERT_FALSE(sim.path.empty());
        Transfer t;
        t.link.AllocateGPSdata(2);
        for (const auto& [name, route] : r.list) {
            if (route) {
                t.link.AddRouteToGPSdata(name);
                continue;
            }
            WaypointRecord w = MakeWpt(name, QuadrantCentre(3, 4));
            ASSERT_TRUE(t.link.AddWaypointToGPSdata(w));
        }
        t.Run(r.op, sim.path);
        EXPECT_EQ(t.Messages(), r.message);
        EXPECT_EQ(t.status.back(), *r.message ? t.status.back() : "FINISHED!");
        EXPECT_EQ(Recorded(dir.file("record"), r.sim[1] == "array"), r.recorded);
        EXPECT_EQ(t.link.PortHandle(), -1);
        EXPECT_EQ(t.posted, std::vector<unsigned>{cmd::ExportToGpsRoutes});
        EXPECT_FALSE(t.link.Records().HasGPSdata());  // filled again for every upload
    }
}

TEST(GarminTransfer, RefusalsAndTheEndOfTheLinkLeaveNoPortBehind) {
    SimProcess sim({});
    ASSERT_FALSE(sim.path.empty());
    struct Row {
        int gpsEnabled;
        int op;
        const char* message;
    } rows[] = {
        {1, 2,
         "Warning! GPS Navigation enabled! Stop GPS navigation and change protocol on your GPS to \"Garmin\" "
         "in "
         "order to upload/download GPS data."},
        {0, 7, "Internal Error! Unknown operation type in Garmin::StartOperation"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.op);
        Transfer t;
        t.env.settings.gpsEnabled = r.gpsEnabled;
        t.link.StartOperation(r.op, sim.path, cmd::ExportToGpsRoutes);
        EXPECT_EQ(t.Messages(), r.message);
        EXPECT_EQ(t.link.PortHandle(), -1);
        EXPECT_FALSE(t.link.Step());
        EXPECT_TRUE(t.posted.empty());
    }
    // A link destroyed mid-transfer lets the port go without posting its follow-up.
    std::vector<unsigned> posted;
    {
        DocEnv env;
        GarminHost host;
        host.postCommand = [&posted](unsigned id) { return posted.push_back(id), true; };
        Garmin link(env.settings, env.geo, host);
        link.StartOperation(Garmin::OpIdentify, sim.path, cmd::ExportToGpsRoutes);
        ASSERT_NE(link.PortHandle(), -1);
    }
    EXPECT_TRUE(posted.empty());
    Transfer again;
    again.Run(Garmin::OpIdentify, sim.path);
    EXPECT_EQ(again.Messages(), "");
    EXPECT_EQ(again.posted, std::vector<unsigned>{cmd::ExportToGpsRoutes});
}
