// The document front: views and hints, New and Open, the stores' writing at
// the end and on request, and the guard bands.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "DocTestEnv.h"
#include "platform/System.h"

struct DocTestAccess {
    static CGuardBand& Guard(CVornaDoc& doc) { return doc.m_GuardAfterTrackLog; }
};

TEST(DocLifecycle, HintsSkipTheSenderNewKeepsTheStoresAndOpenEmptiesUnselectedBases) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    size_t boxesAtHint = 0;
    struct : HintRecorder {
        std::function<void()> f;
        void OnUpdate(IDocView* s, long h, const void* o) override { f(), HintRecorder::OnUpdate(s, h, o); }
    } other;
    other.f = [&] { boxesAtHint = env.prompter.texts.size(); };
    doc.AddView(&other);
    doc.AddView(&other);  // once only
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_TRUE(env.view.hints.empty()) << "the first New is the start-up's";

    ASSERT_TRUE(WriteFileBytes(env.tmp.file("a.bmp"), BmpBytes(5, 3, 8, 16)));
    ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("a.bmp")));
    for (int q : {10, 11}) {
        doc.ClaimWptBase(q);
        ASSERT_EQ(doc.OpenQuadrantWptFile(q), 1);
    }
    const std::uint8_t* pixels = doc.BmpData.get();
    env.view.hints.clear();
    other.hints.clear();
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(other.hints, std::vector<long>{kHintImageMap});
    EXPECT_EQ(doc.BmpData.get(), pixels);
    EXPECT_TRUE(env.Db().Base(10).Loaded);
    doc.UpdateAllViews(&other, kHintDmrViewPoint);
    EXPECT_EQ(other.hints.size(), 1u);
    EXPECT_EQ(env.view.hints, (std::vector<long>{kHintImageMap, kHintDmrViewPoint}));

    // Open: the path is shown before the views hear of it; bases not chosen
    // for export close, the temporary base stays.
    env.Db().SetSelectionLevel(11, 2);
    doc.ImageMap().Georef.Origin = CPointD(400000.0, 5100000.0);
    doc.ImageMap().Georef.ScaleX = 25000.0;
    doc.ImageMap().MapType = kMapImageGeo;
    env.prompter.texts.clear();
    ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("a.bmp")));
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{env.tmp.file("a.bmp")});
    EXPECT_EQ(boxesAtHint, 1u);
    EXPECT_EQ(doc.ImageMapType, kMapImage) << "the opened file is the image map, without origin";
    EXPECT_EQ(doc.ImagePath, env.tmp.file("a.bmp"));
    EXPECT_EQ(doc.ImageGeoref.Origin.easting, 0.0);
    EXPECT_EQ(doc.ImageGeoref.ScaleX, 1.0) << "nothing of the previous placement stays";
    EXPECT_FALSE(env.Db().Base(10).Loaded);
    EXPECT_TRUE(env.Db().Base(11).Loaded);
    EXPECT_EQ(env.Db().Claims(11), 0);
    EXPECT_EQ(env.Db().Claims(kTempBase), 1);
    EXPECT_TRUE(env.Db().Base(kTempBase).Loaded);
    doc.RemoveView(&other);
    doc.UpdateAllViews(nullptr);
    EXPECT_EQ(other.hints.size(), 2u);
}

// The session asks for the data and may go on: everything is written as at
// an exit, and everything stays in memory.
TEST(DocLifecycle, ASessionsRequestWritesLikeAnExitAndKeepsEverything) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    const CPointD c = QuadrantCentre(1, 3);
    doc.ClaimWptBase(QuadrantAt(1, 3));  // held open, as by a view
    ASSERT_EQ(doc.CreateWaypoint(c.easting, c.northing, WptCreateMode::Click, 1, "", "", 0), 1);
    TrackPoint p{};
    p.position = c;
    ASSERT_TRUE(doc.TrackLogStore().Append(p));

    EXPECT_TRUE(doc.SaveStoresAtExit(CVornaDoc::StoreExit::Commit).empty());
    EXPECT_EQ(ReadFileBytes(env.WptFile("AC.wdb")).size(), 64u);
    EXPECT_EQ(ReadFileBytes(env.WptFile("WAutoCnt.dat")).size(), 785u * 4);
    EXPECT_EQ(ReadFileBytes(env.tmp.file("TrackLog.dat")).size(), sizeof(TrackPoint));
    EXPECT_TRUE(env.Db().Base(QuadrantAt(1, 3)).Loaded);
    EXPECT_EQ(doc.TrackLog.Count, 1);
    EXPECT_TRUE(doc.CanUndo()) << "nothing is taken down";
    EXPECT_TRUE(env.prompter.texts.empty());
}

TEST(DocLifecycle, DestructionReleasesEveryCounterAndADamagedGuardBeeps) {
    for (bool damage : {false, true}) {
        DocEnv env;
        RecordedBeeps().clear();
        CVornaDoc& doc = env.Make();
        EXPECT_EQ(env.mem[kMemDocuments], 1);
        QuadrantFlags viewFlags{};
        doc.GetDmrZ(50000, 5000, viewFlags, 0);
        SegmentFlags seg;
        doc.ClaimMapSegment(DocEnv::Desc(2), 100, seg);
        ASSERT_TRUE(WriteFileBytes(env.tmp.file("m.bmp"), BmpBytes(4, 4, 8, 16)));
        ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("m.bmp")));
        if (damage) DocTestAccess::Guard(doc).bytes[99] = 0;
        env.doc.reset();
        EXPECT_EQ(TheDoc(), nullptr);
        for (int i = 0; i < kMemCounterCount; ++i) EXPECT_EQ(env.mem[i], 0) << i;
        EXPECT_EQ(RecordedBeeps().size(), damage ? 1u : 0u);
    }
}
