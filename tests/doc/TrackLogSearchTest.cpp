// The track log's nearest-point search skips blocks of points by their
// boxes: a point changed since the last search must be found at once, ties
// keep the first point, and the boxes' memory is counted and given back.
#include <gtest/gtest.h>

#include <functional>

#include "doc/TrackLogStore.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {

TrackPoint At(double e, double n) {
    TrackPoint p{};
    p.position = CPointD(e, n);
    return p;
}

TEST(TrackLogSearch, ChangedPointsAreFoundAtOnceAndTiesKeepTheFirst) {
    struct Row {
        const char* what;
        std::function<void(CTrackLogStore&)> change;
        CPointD query;
        int expected;
    };
    const Row rows[] = {
        {"just past a block's box", [](CTrackLogStore&) {}, CPointD(1000 + 10 * 63 + 2.9, 0), 63},
        {"truncated into a boxed block, then appended far away",
         [](CTrackLogStore& s) {
             s.Truncate(70);
             s.Append(At(9000, 9000));
         },
         CPointD(9000, 9000), 70},
        {"cleared and refilled elsewhere",
         [](CTrackLogStore& s) {
             s.Clear(0);
             for (int i = 0; i < 130; ++i) s.Append(At(-5000 - i, -5000));
         },
         CPointD(-5100, -5000), 100},
        {"a tie across blocks keeps the first point",
         [](CTrackLogStore& s) { s.Append(At(1000 + 10 * 20, 0)); }, CPointD(1000 + 10 * 20, 0), 20},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        AppSettings settings;
        CMemoryCounters memory;
        {
            CTrackLogStore store(settings, memory);
            store.Clear(0);
            for (int i = 0; i < 200; ++i) store.Append(At(1000 + 10 * i, 0));
            ASSERT_EQ(store.ClosestPoint(nullptr, CPointD(1000, 0), 3, 3), 0);  // boxes made
            row.change(store);
            TrackPoint hit;
            EXPECT_EQ(store.ClosestPoint(&hit, row.query, 3, 3), row.expected);
            EXPECT_NEAR(hit.position.easting, row.query.easting, 3);
        }
        EXPECT_EQ(memory[kMemTrackLog], 0);
        EXPECT_EQ(memory[kMemTrackLog + 1], 0);
    }
}

}  // namespace
