// The map pane's controller without a window: settings, series stepping and
// layer availability, the print area on the printer's page, update hints;
// and the messages held during paints of several panes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPageLayout>
#include <QPrinter>

#include "ViewTestEnv.h"
#include "platform/CommandIds.h"
#include "view/AppPrinter.h"
#include "view/MapPicture.h"
#include "view/MapTransforms.h"
#include "view/MapViewController.h"
#include "view/MapViewFrame.h"
#include "view/MapViewHost.h"
#include "view/PaintMessages.h"

namespace {

struct FakeFrame : IMapViewFrame {
    int active = -1;
    bool dmr = false;
    SplitStyle layout = SplitStyle::MapOnly;
    void SetActiveVornaView(int i) override { active = i; }
    bool HasDmrView() const override { return dmr; }
    SplitStyle Layout() const override { return layout; }
};

struct FakeHost : IMapViewHost {
    int repaints = 0;
    std::vector<QRect> rects;
    void InvalidateAll() override { ++repaints; }
    void InvalidateRect(const QRect& r) override { rects.push_back(r); }
    void SetScrollRanges(const ScrollBarRange&, const ScrollBarRange&) override {}
    void SetScrollPositions(int, int) override {}
    void ScrollContents(int, int) override {}
    void PutPointerAt(int, int) override {}
    bool RunPrintDialog(QPrinter&) override { return true; }
    void RunPrintPreview(QPrinter&, const std::function<void(QPrinter&)>&) override {}
};

struct PaneEnv : ViewTestEnv {
    FakeFrame frame;
    FakeHost host;
    std::unique_ptr<CMapViewController> pane;
    PaneEnv() {
        pane = std::make_unique<CMapViewController>(doc.get(), &host);
        pane->SetFrame(&frame);
        pane->Resize(400, 300);
    }
    ~PaneEnv() { pane.reset(); }
    CMapViewController& Open(ViewSettings v, int slot = 0) {
        app.views[slot] = v;
        pane->InitFromSettings(0, slot);
        return *pane;
    }
};

ViewSettings Slot(int mapType) {
    ViewSettings v;
    v.mapType = mapType;
    for (int& l : v.layers) l = 1;
    v.printCenter = CPointD(415000, 5125000);
    return v;
}

// The program's printer on another page for one test.
struct PageOfPrinter {
    QPageLayout saved = AppPrinter().pageLayout();
    PageOfPrinter(QPageSize::PageSizeId paper, QPageLayout::Orientation o, double marginMm) {
        QPageLayout page(QPageSize(paper), o, QMarginsF(marginMm, marginMm, marginMm, marginMm),
                         QPageLayout::Millimeter);
        EXPECT_TRUE(AppPrinter().setPageLayout(page));
    }
    ~PageOfPrinter() { AppPrinter().setPageLayout(saved); }
};

}  // namespace

TEST(MapViewController, SettingsFromTheFileAreHeldToTheirRangesAndSavedToTheirSlot) {
    PaneEnv env;
    ViewSettings v = Slot(7);
    v.printGrid = 9;
    v.dmrArea = 5;
    v.unselectedWpt = -2;
    v.tracking = 3;
    v.printWidth = -7;
    env.app.views[0].layers[kLayerGKGrid] = 1;
    CMapViewController& p = env.Open(v, 1);
    const MapViewDesc& d = p.Desc();
    EXPECT_EQ(d.mapType, kMapNone);
    EXPECT_EQ(d.printGrid, kSeriesOF50);
    EXPECT_EQ(d.dmrArea, kDmrAreaAlways);
    EXPECT_EQ(d.unselectedWpt, kUnselShowAll);
    EXPECT_EQ(d.tracking, kTrackingDmr);
    EXPECT_EQ(p.PrintWidth(), -1);
    EXPECT_FALSE(p.HasSegmentFlags());
    for (int l = 0; l < 6; ++l) EXPECT_FALSE(p.LayerAvailable(l));

    ASSERT_TRUE(p.OnCommand(cmd::LayerGrid));
    p.SaveToSettings();
    EXPECT_EQ(env.app.views[1].layers[kLayerGKGrid], 0);
    EXPECT_EQ(env.app.views[1].mapType, kMapNone);
    EXPECT_EQ(env.app.views[0].layers[kLayerGKGrid], 1);  // another slot untouched
}

TEST(MapViewController, SeriesSteppingKeepsTheCentreAndLayerItemsFollowTheSeries) {
    PaneEnv env;
    CMapViewController& p = env.Open(Slot(1));
    const MapPoint c = MapToDevice(415000, 5125000, p.Desc(), GeorefParams());
    p.SetScrollOrigin(c.x - 200, c.y - 150);
    const CPointD c0 = p.ViewCentre();
    auto enabled = [&](unsigned id) {
        CCmdUI ui(id);
        p.OnUpdateCommand(id, ui);
        return ui.m_bEnabled;
    };
    // Down to OF50, up to PK250; a key at either end does nothing.
    const struct {
        unsigned id;
        int type;
        bool nextOn, prevOn;
    } steps[] = {{cmd::NextSeries, 2, true, true},  {cmd::NextSeries, 3, true, true},
                 {cmd::NextSeries, 4, false, true}, {cmd::NextSeries, 4, false, true},
                 {cmd::PrevSeries, 3, true, true},  {cmd::OpenMapFirst, 0, true, false},
                 {cmd::PrevSeries, 0, true, false}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.id);
        p.OnCommand(s.id);
        EXPECT_EQ(p.Desc().mapType, s.type);
        EXPECT_EQ(enabled(cmd::NextSeries), s.nextOn);
        EXPECT_EQ(enabled(cmd::PrevSeries), s.prevOn);
        EXPECT_NEAR(p.ViewCentre().easting, c0.easting, 50);
        EXPECT_NEAR(p.ViewCentre().northing, c0.northing, 50);
    }
    p.OpenMap(kMapNone, true);
    EXPECT_FALSE(enabled(cmd::NextSeries) || enabled(cmd::PrevSeries));
    EXPECT_TRUE(env.prompter.texts.empty());

    // Layer items follow the series, the overlay and the document.

    p.OpenMap(kSeriesTK25, true);  // overlay off
    auto state = [&](unsigned id) {
        CCmdUI ui(id, true, true);
        p.OnUpdateCommand(id, ui);
        return std::pair(ui.m_bEnabled, ui.m_bChecked);
    };
    using S = std::pair<bool, bool>;
    EXPECT_EQ(state(cmd::LayerFirst + kLayerRoads), S(false, false));
    EXPECT_EQ(state(cmd::LayerFirst + kLayerObjects), S(false, false));
    EXPECT_EQ(state(cmd::LayerTrackLogs), S(false, false));     // no track point
    EXPECT_EQ(state(cmd::LayerDmrViewPoint), S(false, false));  // no 3-D view
    EXPECT_EQ(state(cmd::DmrAreaDelayed), S(false, false));     // never chosen
    p.OnCommand(cmd::ShowOverlay);
    EXPECT_EQ(state(cmd::LayerFirst + kLayerRoads), S(true, true));
    EXPECT_EQ(state(cmd::LayerFirst + kLayerObjects), S(true, true));
    p.OnCommand(cmd::NextSeries);  // TN10: only the objects follow the overlay
    p.OnCommand(cmd::ShowOverlay);
    EXPECT_EQ(state(cmd::LayerFirst + kLayerRoads), S(true, true));
    EXPECT_EQ(state(cmd::LayerFirst + kLayerObjects), S(false, false));
    env.frame.dmr = true;
    EXPECT_EQ(state(cmd::LayerDmrViewPoint), S(true, true));
}

TEST(MapViewController, PrintAreaIsThePrintablePageLessTheProgramMargins) {
    PaneEnv env;
    env.app.printMarginLeft = env.app.printMarginRight = env.app.printMarginTop = env.app.printMarginBottom =
        1000;
    env.app.printTitleMargin = 1500;
    CMapViewController& p = env.Open(Slot(1));
    // Expected sizes in 150-dpi pixels, worked out by hand from the paper in mm.
    const struct {
        QPageSize::PageSizeId paper;
        QPageLayout::Orientation o;
        double printerMargin;
        int userWidth;
        int w, h;
    } rows[] = {
        {QPageSize::A4, QPageLayout::Portrait, 0, -1, 1122, 1547},     // 190 x 262 mm
        {QPageSize::A4, QPageLayout::Landscape, 0, -1, 1635, 1033},    // 277 x 175 mm
        {QPageSize::A4, QPageLayout::Landscape, 5, -1, 1576, 974},     // 267 x 165 mm
        {QPageSize::A3, QPageLayout::Portrait, 0, -1, 1635, 2273},     // 277 x 385 mm
        {QPageSize::A4, QPageLayout::Landscape, 0, 10000, 590, 1033},  // 100 mm wide by choice
        {QPageSize::A4, QPageLayout::Portrait, 0, 25000, 1122, 1547},  // wider than the page: all of it
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << int(r.paper) << " " << int(r.o) << " " << r.printerMargin);
        PageOfPrinter page(r.paper, r.o, r.printerMargin);
        p.SetPrintWidthHeight(r.userWidth, -1);
        p.OnUpdate(nullptr, kHintPrintArea, nullptr);
        EXPECT_EQ(p.Desc().printSize.cx, r.w);
        EXPECT_EQ(p.Desc().printSize.cy, r.h);
    }
    // Margins beyond the page still leave a frame to grab.
    env.app.printMarginLeft = env.app.printMarginRight = 15000;
    env.app.printMarginTop = 40000;
    p.ComputePrintArea();
    EXPECT_EQ(p.Desc().printSize.cx, 2 * CMapViewController::kHandleSize);
    EXPECT_EQ(p.Desc().printSize.cy, 2 * CMapViewController::kHandleSize);
}

TEST(MapViewController, HintsRepaintWhatChangedAndActivationReachesTheFrame) {
    PaneEnv env;
    CMapViewController& p = env.Open(Slot(1));
    const QRect r(10, 20, 30, 40);
    const struct {
        long hint;
        const void* object;
        bool dmrLayer;
        int repaints;
        int rects;
    } rows[] = {{kHintRect, &r, true, 0, 1},
                {kHintRect, nullptr, true, 1, 0},
                {kHintDmrViewPoint, nullptr, false, 0, 0},
                {kHintDmrViewPoint, nullptr, true, 1, 0},
                {kHintPrintArea, nullptr, true, 1, 0},
                {kHintAll, nullptr, true, 1, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.hint);
        env.host = FakeHost();
        p.Desc().layers[kLayerDmrViewPoint] = row.dmrLayer;
        p.OnUpdate(nullptr, row.hint, row.object);
        EXPECT_EQ(env.host.repaints, row.repaints);
        ASSERT_EQ(int(env.host.rects.size()), row.rects);
        if (row.rects) {
            EXPECT_EQ(env.host.rects[0], r);
        }
    }
    // A reopened image map reaches a pane without a series only.
    p.OpenMap(kMapNone, false);
    env.doc->ImageMapType = kMapImage;
    p.OnUpdate(nullptr, kHintImageMap, nullptr);
    EXPECT_EQ(p.Desc().mapType, kMapImage);
    p.OnActivateView(true);
    EXPECT_EQ(env.frame.active, 0);
}

// One damaged segment seen by several panes raises one box, also while the
// box is open and the panes repaint under it.
TEST(PaintMessages, OneBoxPerMessageAcrossPanesUntilEveryPaneStopsRaisingIt) {
    struct RepaintingPrompter : CScriptedPrompter {
        std::function<void()> whileOpen;
        int MessageBox(const std::string& text, unsigned type) override {
            const int answer = CScriptedPrompter::MessageBox(text, type);
            if (whileOpen) whileOpen();
            return answer;
        }
    } prompter;
    int paneA = 0, paneB = 0;
    auto paint = [](const void* pane, bool raise) {
        CPaintMessageScope scope(pane);
        if (raise) MsgBox("Unexpected end of file!");  // as the segment reader reports it
    };
    prompter.whileOpen = [&] {
        paint(&paneA, true);
        paint(&paneB, true);
        QCoreApplication::processEvents();
    };
    const struct {
        const void* pane;
        bool raise;
        size_t boxes;
    } steps[] = {
        {&paneA, true, 1},   // shown once
        {&paneB, true, 1},   // the other pane meets it too: no second box
        {&paneB, false, 1},  // B scrolled away; A still raises it
        {&paneA, true, 1},   //
        {&paneA, false, 1},  // nobody raises it any more
        {&paneB, true, 2},   // so a new occurrence is shown again
    };
    for (const auto& s : steps) {
        paint(s.pane, s.raise);
        QCoreApplication::processEvents();
        EXPECT_EQ(prompter.texts.size(), s.boxes) << (s.pane == &paneA ? "A" : "B") << s.raise;
    }
    // A question cannot wait: it goes through at once, inside the paint.
    prompter.answers = {IDNO};
    {
        CPaintMessageScope scope(&paneA);
        EXPECT_EQ(MsgBox("Continue?", MB_YESNO), IDNO);
    }
    EXPECT_EQ(&Prompter(), &prompter);
}
