#include <gtest/gtest.h>

#include <vector>

#include "DocTestEnv.h"
#include "platform/System.h"

namespace {
struct RecordingView : IDocView {
    std::vector<long> hints;
    void OnUpdate(IDocView*, long hint, const void*) override { hints.push_back(hint); }
};
}  // namespace

TEST(DocLifecycle, FirstNewIsSilentLaterNewSendsHintOne) {
    DocTestEnv env;
    CVornaDoc& doc = env.Make();
    EXPECT_EQ(TheDoc(), &doc);
    EXPECT_EQ(env.app.memUse[kMemDocuments], 1);
    RecordingView a, b;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.AddView(&a);
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_TRUE(a.hints.empty());
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(a.hints, std::vector<long>{1});
    doc.UpdateAllViews(&a, 6, nullptr);  // the sender is skipped
    EXPECT_EQ(a.hints.size(), 1u);
    EXPECT_EQ(b.hints, (std::vector<long>{1, 6}));
    doc.RemoveView(&b);
    doc.UpdateAllViews(nullptr, 0, nullptr);
    EXPECT_EQ(b.hints.size(), 2u);
    EXPECT_EQ(doc.Series(3).SInUse.size(), 19600u);
    EXPECT_EQ(doc.Series(0).pixels, 236);
    EXPECT_EQ(env.app.newWptBaseFlag, 0);
}

TEST(DocLifecycle, DestructionReleasesEveryCacheAndChecksTheGuards) {
    DocTestEnv env;
    RecordedBeeps().clear();
    CVornaDoc& doc = env.Make();
    QuadrantFlags viewFlags{};
    doc.GetDmrZ(50000, 5000, viewFlags, 0);
    doc.GetDmrZAt(500000, 5000000);
    SegmentFlags seg;
    doc.ClaimMapSegment(DocTestEnv::Desc(2), 100, seg);
    EXPECT_GT(env.app.memUse[kMemSegOnMap + 1], 0);
    env.doc.reset();
    EXPECT_EQ(TheDoc(), nullptr);
    EXPECT_EQ(env.app.memUse[kMemDocuments], 0);
    for (MemCounter c : {kMemSegOnMap, kMemSegName, kMemSegBmpHolder, kMemSegPixels})
        EXPECT_EQ(env.app.memUse[c + 1], 0) << c;
    EXPECT_TRUE(RecordedBeeps().empty());
}
