// The map pane's window: it paints what its controller draws, passes the
// user's scroll-bar moves on and survives a pane of no size.
#include <gtest/gtest.h>

#include <QScrollBar>

#include "../view/ViewTestEnv.h"
#include "view/MapPicture.h"
#include "view/MapTransforms.h"
#include "view/VornaView.h"

TEST(MapViewWindow, PaintsTheMapAndAUserScrollEndsTracking) {
    ViewTestEnv env;
    const int seg = env.doc->GetSegmentIndex(1, 415000, 5125000);
    ASSERT_TRUE(env.WriteSegment(1, seg, 0x04));
    ViewSettings v;
    v.mapType = 1;
    for (int& l : v.layers) l = 1;
    v.tracking = kTrackingGps;
    v.printCenter = CPointD(415000, 5125000);
    const MapPoint p = MapToDevice(415000, 5125000, AppDocEnv::Desc(1), GeorefParams());
    v.originX = p.x - 100;
    v.originY = p.y - 100;
    env.app.views[0] = v;
    CVornaView view(env.doc.get());
    view.resize(300, 200);
    view.show();
    view.Controller().InitFromSettings(0, 0);
    EXPECT_EQ(view.horizontalScrollBar()->value(), p.x - 100);

    const QImage img = view.viewport()->grab().toImage();
    EXPECT_EQ(img.pixel(100, 100) & 0xffffff,
              ColorRefToRgb(env.app.appearance.schemes[0].colors[2]) & 0xffffff);
    // The print frame is centred on the print centre, here the map point at (100, 100).
    const MapSize ps = view.Controller().Desc().printSize;
    EXPECT_EQ(view.Controller().PrintFrame().topLeft(), QPoint(100 - ps.cx / 2, 100 - ps.cy / 2));
    EXPECT_EQ(view.Controller().Desc().tracking, kTrackingGps);  // our own bar moves are no user scroll
    view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(view.Controller().Desc().tracking, kTrackingOff);
    EXPECT_EQ(view.Controller().Desc().origin.y, view.verticalScrollBar()->value());

    // A pane squeezed to nothing still opens and paints.
    view.resize(0, 0);
    view.Controller().OpenSeries(2);
    (void)view.grab();
    EXPECT_EQ(view.Controller().Desc().mapType, 2);
    EXPECT_TRUE(env.prompter.texts.empty());
}
