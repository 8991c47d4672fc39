#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTest>

#include "../view/ViewTestEnv.h"
#include "platform/Commands.h"
#include "view/AppPrinter.h"
#include "view/DrawDocument.h"
#include "view/MapTransforms.h"
#include "view/MapViewFrame.h"
#include "view/PaintMessages.h"
#include "view/VornaView.h"

namespace {

struct FakeFrame : IMapViewFrame {
    int active = -1;
    bool dmr = false;
    int style = 1;
    void SetActiveVornaView(int i) override { active = i; }
    bool HasDmrView() const override { return dmr; }
    int SplitStyle() const override { return style; }
};

struct ViewEnv : ViewTestEnv {
    FakeFrame frame;
    std::unique_ptr<CVornaView> view;
    explicit ViewEnv(int w = 400, int h = 300) {
        view = std::make_unique<CVornaView>(doc.get());
        view->SetFrame(&frame);
        view->resize(w, h);
        view->show();
    }
    ~ViewEnv() { view.reset(); }
};

ViewSettings Slot(int mapType) {
    ViewSettings v;
    v.mapType = mapType;
    for (int& l : v.layers) l = 1;
    v.printCenter = CPointD(415000, 5125000);
    return v;
}

}  // namespace

TEST(MapView, SettingsAreClampedAndSavedBack) {
    ViewEnv env;
    ViewSettings v = Slot(7);
    v.printGrid = 9;
    v.dmrArea = 5;
    v.unselectedWpt = -2;
    v.tracking = 3;
    v.printWidth = -7;
    env.app.views[1] = v;
    env.view->InitFromSettings(0, 1);
    const MapViewDesc& d = env.view->Desc();
    EXPECT_EQ(d.mapType, kMapNone);
    EXPECT_EQ(d.printGrid, 4);
    EXPECT_EQ(d.dmrArea, 2);
    EXPECT_EQ(d.unselectedWpt, 0);
    EXPECT_EQ(d.tracking, 2);
    EXPECT_EQ(env.view->PrintWidth(), -1);
    EXPECT_FALSE(env.view->HasSegmentFlags());
    EXPECT_EQ(d.origin.x, 0);
    for (int l = 0; l < 6; ++l) EXPECT_FALSE(env.view->LayerAvailable(l));

    env.view->ToggleLayer(kLayerGKGrid);
    env.view->SaveToSettings();
    EXPECT_EQ(env.app.views[1].layers[kLayerGKGrid], 0);
    EXPECT_EQ(env.app.views[1].mapType, kMapNone);
    EXPECT_EQ(env.app.views[0].layers[kLayerGKGrid], 0);  // another slot untouched
}

TEST(MapView, KeepCentreAcrossSeriesAndLayerAvailability) {
    ViewEnv env;
    env.app.views[0] = Slot(1);
    env.view->InitFromSettings(0, 0);
    const GeorefParams g;
    // Put a point in the centre, then step through the series.
    MapViewDesc d = env.view->Desc();
    const MapPoint p = MapToDevice(415000, 5125000, d, g);
    env.view->SetScrollOrigin(p.x - d.clientSize.cx / 2, p.y - d.clientSize.cy / 2);
    const CPointD c0 = env.view->ViewCentre();

    env.view->OnNextSeries();  // TK25
    EXPECT_EQ(env.view->Desc().mapType, 2);
    EXPECT_NEAR(env.view->ViewCentre().easting, c0.easting, 10);
    EXPECT_NEAR(env.view->ViewCentre().northing, c0.northing, 10);
    EXPECT_FALSE(env.view->LayerAvailable(3));
    EXPECT_FALSE(env.view->LayerAvailable(4));
    CCmdUI ui;
    env.view->OnUpdateLayer(3, ui);
    EXPECT_FALSE(ui.m_bEnabled);
    EXPECT_FALSE(ui.m_bChecked);
    env.view->ToggleOverlay();
    EXPECT_TRUE(env.view->LayerAvailable(3));
    EXPECT_TRUE(env.view->LayerAvailable(4));

    env.view->OnNextSeries();  // TN10: NP follows the overlay
    env.view->OnNextSeries();  // OF50
    CCmdUI next, prev;
    env.view->OnUpdateNextSeries(next);
    EXPECT_FALSE(next.m_bEnabled);
    env.view->OnNextSeries();
    EXPECT_EQ(env.view->Desc().mapType, 4);
    for (int i = 0; i < 6; ++i) env.view->OnPrevSeries();
    EXPECT_EQ(env.view->Desc().mapType, 0);
    env.view->OnUpdatePrevSeries(prev);
    EXPECT_FALSE(prev.m_bEnabled);
    EXPECT_FALSE(env.view->LayerAvailable(0));
    EXPECT_NEAR(env.view->ViewCentre().easting, c0.easting, 50);
    EXPECT_NEAR(env.view->ViewCentre().northing, c0.northing, 50);

    // "Delayed" never shows as chosen.
    CCmdUI delayed;
    env.view->SetDmrArea(1);
    env.view->OnUpdateDmrArea(1, delayed);
    EXPECT_FALSE(delayed.m_bEnabled);
    EXPECT_FALSE(delayed.m_bChecked);
    EXPECT_TRUE(env.prompter.texts.empty());
}

TEST(MapView, PrintAreaSizes) {
    ViewEnv env;
    env.app.views[0] = Slot(1);
    env.app.views[0].printWidth = 10000;
    env.view->InitFromSettings(0, 0);
    if (HasDefaultPrinter()) GTEST_SKIP() << "a printer is installed";
    EXPECT_EQ(env.view->Desc().printSize.cx, 590);
    EXPECT_EQ(env.view->Desc().printSize.cy, int(29700 * kHmmToPixels / 100));

    // Margins beyond the page still leave a frame to grab.
    env.app.printMarginLeft = 15000;
    env.app.printMarginRight = 15000;
    env.app.printMarginTop = 40000;
    env.view->SetPrintWidthHeight(-1, -1);
    env.view->ComputePrintArea();
    EXPECT_EQ(env.view->Desc().printSize.cx, 2 * CVornaView::kHandleSize);
    EXPECT_EQ(env.view->Desc().printSize.cy, 2 * CVornaView::kHandleSize);
}

TEST(MapView, ZeroSizePaneOpensAndPaints) {
    ViewEnv env(0, 0);
    env.view->resize(0, 0);
    env.app.views[0] = Slot(3);
    env.view->InitFromSettings(0, 0);
    env.view->OnOpenMapSeries(1);
    env.view->OnNextSeries();
    const QImage img = env.view->grab().toImage();
    (void)img;
    EXPECT_EQ(env.view->Desc().mapType, 2);
}

TEST(MapView, PaintShowsMapAndFrameAndHoldsMessagesUntilAfter) {
    ViewEnv env(300, 200);
    const int seg = env.doc->GetSegmentIndex(1, 415000, 5125000);
    ASSERT_TRUE(env.WriteSegment(1, seg, 0x04));
    env.app.views[0] = Slot(1);
    env.view->InitFromSettings(0, 0);
    const GeorefParams g;
    MapViewDesc d = env.view->Desc();
    const MapPoint p = MapToDevice(415000, 5125000, d, g);
    env.view->SetScrollOrigin(p.x - 100, p.y - 100);

    // A layout with a 3-D pane but no 3-D view: the message waits for the paint to end.
    env.frame.style = 3;
    QImage img = env.view->viewport()->grab().toImage();
    EXPECT_TRUE(env.prompter.texts.empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(env.prompter.texts.size(), 1u);
    EXPECT_EQ(env.prompter.texts[0], "Error! DMR Window active, but pDmrView in MainFrame is NULL");
    img = env.view->viewport()->grab().toImage();
    QCoreApplication::processEvents();
    EXPECT_EQ(env.prompter.texts.size(), 1u);  // not again while it persists

    EXPECT_EQ(img.pixel(100, 100) & 0xffffff,
              ColorRefToRgb(env.app.appearance.schemes[0].colors[2]) & 0xffffff);
    // The print frame is centred on the print centre (the view's centre here).
    const QRect f = env.view->PrintFrame();
    EXPECT_EQ(f.left(), 100 - env.view->Desc().printSize.cx / 2);
    EXPECT_EQ(f.top(), 100 - env.view->Desc().printSize.cy / 2);
    EXPECT_EQ(f.width(), env.view->Desc().printSize.cx);
}

TEST(MapView, ActivationTellsTheFrame) {
    ViewEnv env;
    env.app.views[0] = Slot(1);
    env.view->InitFromSettings(1, 2);
    env.view->OnActivateView(true);
    EXPECT_EQ(env.frame.active, 1);
}

TEST(MapView, PlainMessagesOfThePaintWaitAndQuestionsGoThrough) {
    ViewTestEnv env;
    env.prompter.answers = {IDNO};
    {
        CPaintMessageScope paint;
        MsgBox("Unexpected end of file!");  // as the document reports a bad segment
        MsgBox("Unexpected end of file!");
        EXPECT_TRUE(env.prompter.texts.empty());
        EXPECT_EQ(MsgBox("Continue?", MB_YESNO), IDNO);
        EXPECT_EQ(env.prompter.texts.size(), 1u);
    }
    EXPECT_EQ(&Prompter(), &env.prompter);
    QCoreApplication::processEvents();
    ASSERT_EQ(env.prompter.texts.size(), 2u);
    EXPECT_EQ(env.prompter.texts[1], "Unexpected end of file!");
}
