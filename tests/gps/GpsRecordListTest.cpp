#include <gtest/gtest.h>

#include <cstring>

#include "doc/WptTypes.h"
#include "geo/GeoTransform.h"
#include "gps/GpsRecordList.h"
#include "platform/Prompt.h"

TEST(GpsRecordList, GrowsKeepingRecordsAndNeverSendsLeftoverPositions) {
    CScriptedPrompter prompter;
    CGeoTransform noDatum, datum;
    noDatum.SelectLocalEllipsoid(0);  // converts locally, then fails for want of parameters
    datum.SelectLocalEllipsoid(0);
    datum.SetHelmertParameters(462.3, 120.0, 445.6, 0, 0, 0, 0);
    WaypointRecord wpt{};
    wpt.E = 623456.12;
    wpt.N = 4967890.23;
    std::strcpy(wpt.Name, "ABCDEF");
    std::strcpy(wpt.Comment, "a comment");

    CGpsRecordList list;
    EXPECT_FALSE(list.AddRouteToGPSdata("R"));  // no list yet
    list.AllocateGPSdata(1);
    EXPECT_TRUE(list.AddRouteToGPSdata("R1"));
    EXPECT_TRUE(list.AddWaypointToGPSdata(wpt, noDatum));
    EXPECT_TRUE(list.AddWaypointToGPSdata(wpt, datum));
    EXPECT_EQ(list.GPSdataSize, 513);
    EXPECT_EQ(list.GPSdataCount, 3);
    EXPECT_EQ(list.RouteCounter, 1);
    EXPECT_EQ(list[0].name + list[1].name + list[1].comment, "R1ABCDEFa comment");
    EXPECT_EQ(list[0].flag + list[1].flag, 1);
    EXPECT_EQ(list[1].latitude + list[1].longitude, 0.0);
    EXPECT_NEAR(list[2].latitude, 44.84, 0.01);

    list.AllocateGPSdata(0xFFFF);  // the counts are 16-bit: no room past them
    list.GPSdataCount = 0xFFFF;
    EXPECT_FALSE(list.AddRouteToGPSdata("R2"));
    EXPECT_EQ(list.GPSdataSize, 0xFFFF);
    EXPECT_EQ(prompter.texts,
              (std::vector<std::string>{
                  "Internal Error! GPSdata not yet allocated in ReallocateGPSdata!",
                  "Error! Geodetic transformation parameters not set.",
                  "Internal Error! Not enough memory for base reallocation in ReallocateGPSdata!"}));
    // Growing by 512 stops at 65535 exactly, never passes it: a list grown
    // from 512 in steps of 512 reaches it too.
    for (const auto& [size, grows] : {std::pair<std::uint16_t, bool>{0xFFFF - 512, true},
                                      {0xFFFF - 511, true},
                                      {0xFFFF - 1, true},
                                      {0xFFFF, false}}) {
        prompter.texts.clear();
        list.AllocateGPSdata(size);
        list.GPSdataCount = size;
        EXPECT_EQ(list.AddRouteToGPSdata("R2"), grows) << size;
        EXPECT_EQ(list.GPSdataSize, grows ? 0xFFFF : size);
        EXPECT_EQ(prompter.texts.size(), grows ? 0u : 1u);
    }
}
