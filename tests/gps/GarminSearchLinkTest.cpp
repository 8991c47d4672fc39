// The search area's uploads through the Garmin link's record list.
#include <gtest/gtest.h>

#include "doc/DocTestEnv.h"
#include "doc/SearchArea.h"
#include "gps/GarminSearchLink.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"

namespace {

// The real list; the upload itself is only recorded.
struct UploadRecorder : CGarminSearchLink {
    using CGarminSearchLink::CGarminSearchLink;
    std::vector<int> started;
    void StartUpload(int operation, unsigned) override { started.push_back(operation); }
};

}  // namespace

// 26 bands of as many points as fit, with all nine routes drawn full: every
// record goes into the one list, without a box per record that does not.
TEST(GarminSearchLink, AFieldAtTheLimitWithAllRoutesFitsOneUploadList) {
    DocEnv env;
    env.ApplyDatum();
    CVornaDoc& doc = env.Make();
    Garmin garmin(env.settings, env.geo);
    UploadRecorder link(garmin, env.settings);
    doc.SetSearchGpsLink(&link);
    CCommandMap map;
    doc.AddSearchCommands(map);
    SearchAreaData& d = doc.SearchArea().Data();
    d.BaseStart = CPointD(500000, 5100000);
    d.BaseEnd = CPointD(500265, 5100000);  // 26 bands of 10 m
    d.BandWidth = 10;
    d.PointDistance = 1;
    for (int r = 1; r < kRouteSlots; ++r) {
        d.Routes[r].Count = kRoutePoints;
        for (int j = 0; j < kRoutePoints; ++j) d.Routes[r].Points[j] = CPointD(500000 + j, 5100000 + r);
    }
    env.settings.exportToGps = 1;
    const std::string capped =
        "Warning! The search field holds more than 26 bands or 65535 points: only the first of them are "
        "used.";
    const struct {
        double length;  // of the direction line
        int routeThroughAll;
        int records;
        const char* last;
        std::vector<std::string> messages;
    } rows[] = {
        {2507.5, 1, 26 * 2508 + 26 + 9 * 31, "Z29", {}},  // as many points as leave room for the routes
        {2507.5, 0, 26 * 2508, "Z2507", {}},
        {1e5, 1, 26 * 2508 + 26 + 9 * 31, "Z29", {capped}},  // more: cut to the same
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.records);
        d.DirectionEnd = CPointD(500000, 5100000 + r.length);
        env.settings.searchRouteThroughAll = r.routeThroughAll;
        env.prompter.texts.clear();
        link.started.clear();
        map.OnCommand(cmd::ExportToGps);
        const CGpsRecordList& list = garmin.Records();
        EXPECT_EQ(list.GPSdataCount, r.records);
        EXPECT_EQ(list.RouteCounter, r.routeThroughAll ? 35 : 0);
        EXPECT_EQ(garmin.Records()[std::uint16_t(list.GPSdataCount - 1)].name, r.last);
        EXPECT_EQ(env.prompter.texts, r.messages);
        EXPECT_EQ(link.started.size(), 1u);
    }
    doc.SetSearchGpsLink(nullptr);
}
