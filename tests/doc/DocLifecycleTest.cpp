#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DocTestEnv.h"
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

// An 8-bit bitmap of w x h pixels with a 4-entry palette.
std::string SmallBmp(int w, int h) {
    const int row = (w + 3) / 4 * 4;
    std::string b(54 + 16 + std::size_t(row * h), '\x07');
    auto put = [&](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b[at + std::size_t(i)] = char(v >> (8 * i));
    };
    put(0, 0x4D42, 2);
    put(2, std::uint32_t(b.size()), 4);
    put(10, 54 + 16, 4);
    put(14, 40, 4);
    put(18, std::uint32_t(w), 4);
    put(22, std::uint32_t(h), 4);
    put(26, 1, 2);
    put(28, 8, 2);
    put(30, 0, 4);
    return b;
}
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

    // "New" keeps every store: image, bases and their claims, track log.
    ASSERT_TRUE(WriteFileBytes(env.tmp.file("a.bmp"), SmallBmp(5, 3)));
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
    DocTestEnv env;
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

    ASSERT_TRUE(WriteFileBytes(env.tmp.file("first.bmp"), SmallBmp(3, 2)));
    ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("first.bmp")));
    ASSERT_TRUE(WriteFileBytes(env.tmp.file("second.bmp"), SmallBmp(7, 5)));
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
    DocTestEnv env;
    RecordedBeeps().clear();
    CVornaDoc& doc = env.Make();
    QuadrantFlags viewFlags{};
    doc.GetDmrZ(50000, 5000, viewFlags, 0);
    doc.GetDmrZAt(500000, 5000000);
    SegmentFlags seg;
    doc.ClaimMapSegment(DocTestEnv::Desc(2), 100, seg);
    EXPECT_GT(env.app.memUse[kMemSegOnMap + 1], 0);
    ASSERT_TRUE(WriteFileBytes(env.tmp.file("m.bmp"), SmallBmp(4, 4)));
    ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("m.bmp")));
    EXPECT_EQ(env.app.memUse[kMemImagePixels + 1], 16);
    env.doc.reset();
    EXPECT_EQ(TheDoc(), nullptr);
    EXPECT_EQ(env.app.memUse[kMemDocuments], 0);
    for (MemCounter c : {kMemSegOnMap, kMemSegName, kMemSegBmpHolder, kMemSegPixels, kMemImagePixels})
        EXPECT_EQ(env.app.memUse[c + 1], 0) << c;
    EXPECT_TRUE(RecordedBeeps().empty());
}
