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
#include <sstream>

#include "TestUtil.h"
#include "doc/DocTestEnv.h"
#include "gps/Garmin.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/SerialPort.h"
#include "platform/System.h"

namespace {

// The simulator for the life of the object with options split at blanks; path is the line it serves.
// Keeps what a download hands on: "@first" per track log, "label@first" per
// sub-log, the points seen, the waypoint names at the finish.
struct Downloads : IGarminDownloads {
    std::string handed;
    int points = 0;
    const std::vector<long>* hints = nullptr;  // the view's, when the test watches them
    std::size_t hintsAtFinish = 0;
    void StartTrackRanges(Garmin&, int first) override { handed += "@" + std::to_string(first); }
    void OpenSublogRange(Garmin&, const std::string& label, int first) override {
        handed += " " + label + "@" + std::to_string(first);
    }
    void UpdateDayRanges(Garmin&, int, std::int32_t) override { ++points; }
    void FinishTrackLog(Garmin&, CVornaDoc& doc) override {
        if (hints) hintsAtFinish = hints->size();
        handed += " " + std::to_string(points) + "/" + std::to_string(doc.TrackLogStore().Count());
    }
    void FinishWaypoints(Garmin& link, CVornaDoc&) override {
        for (std::uint16_t i = 0; i < link.Records().GPSdataCount; ++i)
            handed += " " + link.Records()[i].name;
    }
};

struct Transfer {
    DocEnv env;
    std::int64_t now = 1000;  // seconds; moves on only while the line is quiet
    std::string status;       // the texts shown, prefix left out, only the last of a run of record counts
    std::vector<unsigned> posted;
    Downloads downloads;
    Garmin link{env.settings, env.geo, Host()};

    Transfer() {
        env.ApplyDatum();
        env.Make().ClearTrackLog(0);
        link.SetDownloads(&downloads);
        link.SetPause(nullptr);
        link.Link().SetClock([this] { return now; });
        RecordedBeeps().clear();
    }
    GarminHost Host() {
        GarminHost h;
        h.setStatusText = [this](const std::string& s) { Show(s); };
        h.activeDocument = [this] { return env.doc.get(); };
        h.postCommand = [this](unsigned id) { return posted.push_back(id), true; };
        return h;
    }
    void Show(const std::string& s) {
        const std::string t =
            "|" + s.substr(s.starts_with(link.GetStatusPrefix()) ? link.GetStatusPrefix().size() : 0);
        const std::size_t last = status.rfind('|');
        if (last != std::string::npos && status.compare(last, std::string::npos, t) == 0) return;
        if (last != std::string::npos && t.find(" record ") != std::string::npos &&
            status.find(" record ", last) != std::string::npos)
            status.resize(last);
        status += t;
    }
    void Run(int operation, const std::string& port) {
        link.StartOperation(operation, port, cmd::ExportToGpsRoutes);
        link.StartOperation(Garmin::OpIdentify, port, 0);  // a second start while one runs: nothing
        Drive();
    }
    void Drive() {
        for (int i = 0; i < 100000 && link.Step(); ++i) {
            pollfd p{link.PortHandle(), POLLIN, 0};
            if (::poll(&p, 1, 500) <= 0 || !(p.revents & POLLIN)) ++now;
        }
    }
    std::string Messages() const {
        std::string s;
        for (const auto& t : env.prompter.texts) s += (s.empty() ? "" : "|") + t;
        return s;
    }
};

// The packets the receiver recorded, acknowledges left out: ids, the data of
// records, transfer-complete and route-header packets, and waypoint names.
std::string Recorded(const std::string& file, bool d108) {
    std::ifstream in(file);
    std::string s;
    for (std::string line; std::getline(in, line);) {
        const int id = std::stoi(line);
        std::string data;
        for (std::size_t i = line.find(' '); i != std::string::npos && i + 2 < line.size(); i += 2)
            data += char(std::stoi(line.substr(i + 1, 2), nullptr, 16));
        if (id == PID_ACK) continue;
        s += (s.empty() ? "" : " ") + std::to_string(id);
        if (id == PID_RECORDS || id == PID_XFER_COMPLETE || id == PID_ROUTE_HEADER)
            s += "(" + line.substr(line.find(' ') + 1) + ")";
        if (id == PID_WAYPOINT || id == PID_ROUTE_WPT)
            s += ":" + (d108 ? std::string(data.c_str() + 48) : data.substr(0, data.find(' ')));
    }
    return s;
}

const std::string kArray = "|Waiting for product ID|Model: SIMULATED ARRAY RECEIVER, Ver: 2.50, ID: 999";
const std::string kTable = "|Waiting for product ID|Model: SIMULATED TABLE RECEIVER, Ver: 3.00, ID: 77";
const std::string kWaypoints = "|Expecting 4 records|Received record 4 of 4 (HUT7)";
const std::string kTrack = "|Expecting 21 records|Received record 21 of 21";

}  // namespace

TEST(GarminTransfer, DownloadsLandInTheDocumentOrEndWithTheirMessage) {
    struct Row {
        const char* sim;
        int op;
        std::string status;
        const char* message;
        const char* handed;
    } rows[] = {
        {"--profile array", 2, kArray + kWaypoints, "", " CASTLE BRIDGE SUMMIT HUT7"},
        {"--profile table", 2, kTable + kWaypoints, "", " CASTLE BRIDGE SUMMIT HUT7"},
        {"--profile array", 3, kArray + kTrack, "", "@0 EVENING@0 MORNING@12 19/19"},
        {"--profile table", 3, kTable + "|Expecting 19 records|Received record 19 of 19", "", "@0 19/19"},
        {"--profile table --fault duplicate", 3, kTable + "|Expecting 19 records|Received record 19 of 19",
         "", "@0 19/19"},
        {"--fault noise", 2, kArray + kWaypoints, "", " CASTLE BRIDGE SUMMIT HUT7"},
        {"--fault duplicate", 2, kArray + kWaypoints, "", " CASTLE BRIDGE SUMMIT HUT7"},
        {"--fault extra-record", 2, kArray + "|Expecting 4 records|Received record 5 of 4 (?\?\?)", "",
         " CASTLE BRIDGE SUMMIT HUT7"},
        {"--fault silent", 2,
         "|Waiting for product ID|GPS not responding! Check cables, COM port and verify that GPS is on.",
         "GPS not responding! Check cables, COM port and verify that GPS is on.", ""},
        {"--fault nak", 3,
         kArray + "|Error! Send to GPS failed. Check if GPS is in the Garmin communication mode.",
         "Error! Send to GPS failed. Check if GPS is in the Garmin communication mode.", ""},
        {"--fault bad-checksum", 2,
         kArray + "|Error! Receive from GPS failed. Check if GPS is in the Garmin communication mode.",
         "Error! Receive from GPS failed. Check if GPS is in the Garmin communication mode.", ""},
        // Extended product data, as newer receivers send after the product data, is
        // acknowledged and passed over; a receiver that never stops sending it is refused.
        {"--fault extra-packet-after-product-data", 2, kArray + kWaypoints, "", " CASTLE BRIDGE SUMMIT HUT7"},
        {"--ext-product-data 3", 3, kArray + kTrack, "", "@0 EVENING@0 MORNING@12 19/19"},
        {"--profile table --ext-product-data 64", 2, kTable + kWaypoints, "", " CASTLE BRIDGE SUMMIT HUT7"},
        {"--ext-product-data 65", 2, kArray, "Error! Unexpected packet type 248 read from Garmin GPS.", ""},
        {"--profile table --fault no-ack", 2, "|Waiting for product ID",
         "Error! Unexpected packet type 255 read from Garmin GPS.", ""},
        {"--profile unsupported", 3,
         "|Waiting for product ID|Model: SIMULATED NEWER RECEIVER, Ver: 1.00, ID: 998",
         "Unknown or unsupported GPS device!", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.sim) + " " + std::to_string(r.op));
        SimProcess sim(r.sim);
        ASSERT_FALSE(sim.path.empty());
        Transfer t;
        t.Run(r.op, sim.path);
        EXPECT_EQ(t.status, r.status);
        EXPECT_EQ(t.Messages(), r.message);
        EXPECT_EQ(t.downloads.handed, r.handed);
        const CTrackLogStore& log = t.env.doc->TrackLogStore();
        if (log.Count() > 0) {  // the first point starts a segment, in the local grid, with its time
            EXPECT_TRUE(log.Points()[0].segmentStart && log.Points()[0].position.northing > 5e6);
            EXPECT_EQ(log.Points()[0].time, 1774737600);
        }
        EXPECT_EQ(t.link.GetState() + t.link.PortHandle(), -1);  // idle, port closed
        EXPECT_EQ(t.posted, std::vector<unsigned>{cmd::ExportToGpsRoutes});
        EXPECT_FALSE(t.link.Records().HasGPSdata());
        // A download that ends well beeps once and has every view redrawn.
        EXPECT_EQ(RecordedBeeps().size(), *r.message ? 0u : 1u);
        EXPECT_EQ(!t.env.view.hints.empty() && t.env.view.hints.back() == kHintAll, !*r.message);
    }
}

TEST(GarminTransfer, UploadsSendTheRecordsInTheReceiversProtocols) {
    std::string spaces;  // of a header's name field, in hex
    for (int i = 0; i < 19; ++i) spaces += "20";
    // Two waypoints, or two routes (lower case: a header) of three waypoints each.
    const char* points = "P1 P2";
    const char* routes = "a A1 A2 A3 b B1 B2 B3";
    struct Row {
        const char* sim;
        int op;
        const char* list;
        std::string recorded;
        const char* message;
    } rows[] = {
        {"--profile array", 5, points, "254 27(0200) 35:P1 35:P2 12(0700)", ""},
        {"--profile table", 5, points, "254 27(0200) 35:P1 35:P2 12(0700)", ""},
        // Route protocol 201: a link between consecutive waypoints of a route.
        {"--profile array", 6, routes,
         "254 27(0c00) 29(4100) 30:A1 98 30:A2 98 30:A3 29(4200) 30:B1 98 30:B2 98 30:B3 12(0400)", ""},
        // Route protocol 200: headers by number and name, waypoints without links.
        {"--profile table", 6, routes,
         "254 27(0800) 29(0141" + spaces + ") 30:A1 30:A2 30:A3 29(0242" + spaces +
             ") 30:B1 30:B2 30:B3 12(0400)",
         ""},
        // A record the receiver's type cannot hold ends the upload unsent.
        {"--profile table --version 400", 5, points, "254 27(0200)",
         "Error! Unknown Waypoint format. Your GPS model is probably not supported"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.sim) + " " + std::to_string(r.op));
        TempDir dir;
        SimProcess sim(std::string(r.sim) + " --record " + dir.file("record"));
        ASSERT_FALSE(sim.path.empty());
        Transfer t;
        t.link.AllocateGPSdata(2);
        std::istringstream list(r.list);
        for (std::string name; list >> name;) {
            if (std::islower(name[0]))
                t.link.AddRouteToGPSdata(name);
            else
                ASSERT_TRUE(t.link.AddWaypointToGPSdata(MakeWpt(name, QuadrantCentre(3, 4))));
        }
        t.Run(r.op, sim.path);
        EXPECT_EQ(t.Messages(), r.message);
        EXPECT_EQ(t.status.ends_with("|FINISHED!") && RecordedBeeps().size() == 1, !*r.message);
        EXPECT_EQ(Recorded(dir.file("record"), std::strstr(r.sim, "array")), r.recorded);
        EXPECT_EQ(t.link.PortHandle(), -1);
        EXPECT_EQ(t.posted, std::vector<unsigned>{cmd::ExportToGpsRoutes});
        EXPECT_FALSE(t.link.Records().HasGPSdata());  // filled again for every upload
    }
}

TEST(GarminTransfer, RefusalsAndTheEndOfTheLinkLeaveNoPortBehind) {
    SimProcess sim("");
    ASSERT_FALSE(sim.path.empty());
    struct Row {
        int gpsEnabled;
        int op;  // started directly, or 0 for "Waypoints from GPS..."
        const char* message;
    } rows[] = {
        {1, 0,
         "Warning! GPS Navigation enabled! Stop GPS navigation and change protocol on your GPS to \"Garmin\" "
         "in "
         "order to upload/download GPS data."},
        {0, 7, "Internal Error! Unknown operation type in Garmin::StartOperation"},
    };
    for (const auto& r : rows) {
        Transfer t;
        CCommandMap commands;
        AddGarminCommands(commands, t.link, t.env.settings, [&t] { return t.env.doc.get(); });
        t.env.settings.gpsEnabled = r.gpsEnabled;
        t.env.settings.gpsPort = sim.path;
        r.op ? t.link.StartOperation(r.op, sim.path, cmd::ExportToGpsRoutes)
             : void(commands.OnCommand(cmd::WptFromGps));
        EXPECT_EQ(t.Messages(), r.message);
        EXPECT_EQ(t.link.PortHandle(), -1);
        EXPECT_TRUE(!t.link.Step() && t.posted.empty());
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
        // An export meanwhile leaves the running transfer's list alone.
        EXPECT_FALSE(link.AllocateGPSdata(4) || link.AddRouteToGPSdata("R") || link.Records().HasGPSdata());
    }
    EXPECT_TRUE(posted.empty());
    CSerialPort again;  // the link let the port go
    EXPECT_TRUE(again.Open(sim.path, 9600)) << again.ErrorText();
    again.Close();
    // "Track Log from GPS..." offers to clear the log first.
    // A receiver of its own: the one above may still answer the abandoned request.
    SimProcess fresh("");
    ASSERT_FALSE(fresh.path.empty());
    Transfer t;
    CCommandMap commands;
    AddGarminCommands(commands, t.link, t.env.settings, [&t] { return t.env.doc.get(); });
    t.env.settings.gpsPort = fresh.path;
    ASSERT_TRUE(t.env.doc->TrackLogStore().Append(TrackPoint{}));
    t.env.prompter.answers = {IDYES};
    commands.OnCommand(cmd::TrackLogFromGps);
    ASSERT_TRUE(t.env.doc->TrackLogStore().Append(TrackPoint{}));
    commands.OnCommand(cmd::TrackLogFromGps);  // while the download runs: not even the question
    t.Drive();
    EXPECT_EQ(t.Messages(), "Clear existing track log data?");
    // The clear answered at the start replaces the whole log once the download is complete.
    EXPECT_EQ(t.env.doc->TrackLogStore().Count(), 19);
    EXPECT_TRUE(t.posted.empty());
}

// "Track Log from GPS..." answered Yes replaces the log only once the whole
// download is in hand: a port that does not open, NMEA reception holding the
// port, a refusing, silent or cut-off receiver leave the five old points.
// A download that completes replaces them and has the panes repainted before
// the saving asks anything.
TEST(GarminTransfer, TheOldTrackLogStaysUntilTheDownloadIsComplete) {
    const struct {
        const char* sim;  // null: no receiver on the port
        int gpsEnabled, answer, count;
        bool repainted;
    } rows[] = {
        {nullptr, 0, IDYES, 5, false},           {"", 1, IDYES, 5, false},
        {"--fault silent", 0, IDYES, 5, false},  {"--fault nak", 0, IDYES, 5, false},
        {"--fault cut-off", 0, IDYES, 5, false}, {"", 0, IDYES, 19, true},
        {"--profile table", 0, IDYES, 19, true}, {"", 0, IDNO, 24, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.sim ? r.sim : "no port") + " " + std::to_string(r.answer));
        std::unique_ptr<SimProcess> sim;
        if (r.sim) {
            sim = std::make_unique<SimProcess>(r.sim);
            ASSERT_FALSE(sim->path.empty());
        }
        Transfer t;
        CCommandMap commands;
        AddGarminCommands(commands, t.link, t.env.settings, [&t] { return t.env.doc.get(); });
        t.env.settings.gpsPort = sim ? sim->path : t.env.tmp.file("no-such-port");
        t.env.settings.gpsEnabled = r.gpsEnabled;
        CTrackLogStore& log = t.env.doc->TrackLogStore();
        TrackPoint old{};
        old.time = 7;
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(log.Append(old));
        t.env.prompter.answers = {r.answer};
        t.env.view.hints.clear();
        t.downloads.hints = &t.env.view.hints;
        commands.OnCommand(cmd::TrackLogFromGps);
        t.Drive();
        EXPECT_EQ(log.Count(), r.count);
        EXPECT_EQ(log.Points()[0].time, r.count == 19 ? 1774737600 : 7);
        EXPECT_EQ(!t.env.view.hints.empty(), r.repainted);
        // A replaced log is on screen before the saving asks its questions.
        EXPECT_EQ(t.downloads.hintsAtFinish, r.count == 19 ? 1u : 0u);
        EXPECT_EQ(t.link.PortHandle(), -1);
    }
}
