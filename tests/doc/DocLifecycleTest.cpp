#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppDocEnv.h"
#include "platform/System.h"

namespace {
struct RecordingView : IDocView {
    std::vector<long> hints;
    const CScriptedPrompter* prompter = nullptr;
    std::size_t messagesSeen = 0;  // message boxes shown before the last hint
    void OnUpdate(IDocView*, long hint, const void*) override {
        hints.push_back(hint);
        if (prompter) messagesSeen = prompter->texts.size();
    }
};

}  // namespace

TEST(DocLifecycle, FirstNewIsSilentLaterNewSendsHintOne) {
    AppDocEnv env;
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
    EXPECT_EQ(env.app.newWptBaseFlag, 0);

    // "New" keeps every store: image, bases and their claims, track log.
    ASSERT_TRUE(WriteFileBytes(env.tmp.file("a.bmp"), BmpBytes(5, 3, 8, 16)));
    ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("a.bmp")));
    doc.ClaimWptBase(42);
    ASSERT_EQ(doc.OpenQuadrantWptFile(42), 1);
    doc.TrackLog.Count = doc.TrackLog.Capacity > 0 ? 1 : 0;
    const int trackCount = doc.TrackLog.Count;
    const std::uint8_t* pixels = doc.BmpData.get();
    a.hints.clear();
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(a.hints, std::vector<long>{1});
    EXPECT_EQ(doc.BmpData.get(), pixels);
    EXPECT_TRUE(doc.WptAutoBase[42].Loaded);
    EXPECT_EQ(doc.WptQInUse[42], 1);
    EXPECT_EQ(doc.TrackLog.Count, trackCount);
}

TEST(DocLifecycle, OpenEmptiesUnselectedBasesLoadsTheBitmapAndTellsTheViewsLast) {
    AppDocEnv env;
    CVornaDoc& doc = env.Make();
    doc.OnNewDocument();
    RecordingView view;
    view.prompter = &env.prompter;
    doc.AddView(&view);
    doc.ClaimWptBase(10);
    ASSERT_EQ(doc.OpenQuadrantWptFile(10), 1);
    doc.ClaimWptBase(11);
    ASSERT_EQ(doc.OpenQuadrantWptFile(11), 1);
    doc.SectorSelLevel[11] = 2;  // chosen for export: stays open
    doc.ImageGeoref.Origin = CPointD(400000.0, 5100000.0);
    doc.ImageGeoref.PixelOffset = {792, 580};
    doc.ImageGeoref.ScaleX = 25000.0;
    doc.ImageMapType = kMapImageGeo;

    ASSERT_TRUE(WriteFileBytes(env.tmp.file("first.bmp"), BmpBytes(3, 2, 8, 16)));
    ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("first.bmp")));
    ASSERT_TRUE(WriteFileBytes(env.tmp.file("second.bmp"), BmpBytes(7, 5, 8, 16)));
    env.prompter.texts.clear();
    view.hints.clear();
    ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("second.bmp")));

    // The path is shown before the views are told.
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{env.tmp.file("second.bmp")});
    EXPECT_EQ(view.hints, std::vector<long>{1});
    EXPECT_EQ(view.messagesSeen, 1u);

    EXPECT_EQ(int(doc.ImageHeader.info.biWidth), 7);
    EXPECT_EQ(doc.BmpStride, 8u);
    EXPECT_EQ(doc.BmpDataSize, 40u);
    EXPECT_EQ(env.app.memUse[kMemImagePixels], 1) << "the first image was freed";
    EXPECT_EQ(env.app.memUse[kMemImagePixels + 1], 40);
    EXPECT_EQ(doc.ImageMapType, kMapNone);
    EXPECT_EQ(double(doc.ImageGeoref.Origin.easting), 0.0);
    EXPECT_EQ(double(doc.ImageGeoref.Origin.northing), 0.0);
    EXPECT_EQ(doc.ImageGeoref.PixelOffset.x, 0);
    EXPECT_EQ(doc.ImageGeoref.PixelOffset.y, 0);
    EXPECT_EQ(doc.ImageGeoref.ScaleX, 25000.0) << "only origin and offset are reset";

    EXPECT_FALSE(doc.WptAutoBase[10].Loaded);
    EXPECT_EQ(doc.WptQInUse[10], 0);
    EXPECT_TRUE(doc.WptAutoBase[11].Loaded);
    EXPECT_EQ(doc.WptQInUse[11], 0);
    EXPECT_TRUE(doc.WptAutoBase[kTempBase].Loaded);
    EXPECT_EQ(doc.WptQInUse[kTempBase], 1);
}

TEST(DocLifecycle, DestructionReleasesEveryCacheAndChecksTheGuards) {
    AppDocEnv env;
    RecordedBeeps().clear();
    CVornaDoc& doc = env.Make();
    QuadrantFlags viewFlags{};
    doc.GetDmrZ(50000, 5000, viewFlags, 0);
    doc.GetDmrZAt(500000, 5000000);
    SegmentFlags seg;
    doc.ClaimMapSegment(AppDocEnv::Desc(2), 100, seg);
    EXPECT_GT(env.app.memUse[kMemSegOnMap + 1], 0);
    ASSERT_TRUE(WriteFileBytes(env.tmp.file("m.bmp"), BmpBytes(4, 4, 8, 16)));
    ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("m.bmp")));
    EXPECT_EQ(env.app.memUse[kMemImagePixels + 1], 16);
    env.doc.reset();
    EXPECT_EQ(TheDoc(), nullptr);
    EXPECT_EQ(env.app.memUse[kMemDocuments], 0);
    for (MemCounter c : {kMemSegOnMap, kMemSegName, kMemSegBmpHolder, kMemSegPixels, kMemImagePixels})
        EXPECT_EQ(env.app.memUse[c + 1], 0) << c;
    EXPECT_TRUE(RecordedBeeps().empty());
}
