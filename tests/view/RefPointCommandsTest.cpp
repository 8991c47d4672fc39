// Reference points from the map pane: Ctrl+click on a series then on the
// image, the context items, and the point found under the pointer.
#include <gtest/gtest.h>

#include "ViewTestEnv.h"
#include "platform/CommandIds.h"

TEST(RefPointCommands, CtrlClicksMarkOnTheSeriesAndSetOnTheImage) {
    MouseEnv env;
    const CPointD a = env.At(120, 100);
    env.pane->OnLButtonDown({120, 100}, true);
    env.pane->OnLButtonUp({120, 100});
    ASSERT_TRUE(env.doc->AwaitingRefPixel());
    env.pane->OnLButtonDown({300, 200}, true);  // a second mark cannot overwrite the first
    env.pane->OnLButtonUp({300, 200});
    // "Set Reference Point" on a series does nothing even while a pixel is awaited.
    env.pane->OpenContextMenu({50, 50});
    EXPECT_TRUE(env.pane->OnCommand(cmd::RefPointSet));
    EXPECT_EQ(env.doc->RefPointCount(), 0);

    env.pane->OpenMap(kMapImage, false);
    env.pane->Desc().origin = {40, 7};
    env.pane->OnLButtonDown({30, 20}, true);
    env.pane->OnLButtonUp({30, 20});
    ASSERT_EQ(env.doc->RefPointCount(), 1);
    EXPECT_FALSE(env.doc->AwaitingRefPixel());
    EXPECT_EQ(env.doc->RefPoints().ClickPixel(0).x, 70);
    EXPECT_EQ(env.doc->RefPoints().ClickPixel(0).y, 27);
    EXPECT_EQ(env.doc->RefPoints().MapPoint(0).easting, a.easting);
    EXPECT_EQ(env.doc->RefPoints().MapPoint(0).northing, a.northing);

    // The context items do the same: mark from the series menu, set from the image menu.
    env.pane->OpenMap(kSeriesTK25, false);
    env.pane->OpenContextMenu({200, 150});
    EXPECT_TRUE(env.pane->OnCommand(cmd::RefPointMark));
    EXPECT_TRUE(env.doc->AwaitingRefPixel());
    env.pane->OpenMap(kMapImage, false);
    env.pane->OpenContextMenu({5, 6});
    EXPECT_TRUE(env.pane->OnCommand(cmd::RefPointSet));
    ASSERT_EQ(env.doc->RefPointCount(), 2);
    EXPECT_EQ(env.doc->RefPoints().ClickPixel(1).x, 5);
}

TEST(RefPointCommands, TheContextMenuFindsAPointAndDeletesIt) {
    MouseEnv env;
    for (QPoint p : {QPoint(100, 100), QPoint(250, 200), QPoint(320, 60)}) {
        env.doc->SetRefPointMapCoords(env.At(p.x(), p.y()).easting, env.At(p.x(), p.y()).northing);
        env.doc->AddRefPointPixel(p.x(), p.y());
    }
    EXPECT_EQ(env.pane->OpenContextMenu({101, 101}).popup, kPopupRefPoint);
    EXPECT_EQ(env.pane->HitB().refPointIndex, 0);
    env.pane->OnMouseMove({250, 201});
    EXPECT_EQ(env.pane->StatusTextAt({250, 201}).find("Reference point") != std::string::npos, true);
    // The points change under the open menu: the index is checked again.
    env.doc->DeleteRefPoint(2);
    env.doc->DeleteRefPoint(1);
    env.doc->DeleteRefPoint(0);
    EXPECT_TRUE(env.pane->OnCommand(cmd::RefPointDelete));
    EXPECT_EQ(env.doc->RefPointCount(), 0);
    for (QPoint p : {QPoint(100, 100), QPoint(250, 200), QPoint(320, 60)}) {
        env.doc->SetRefPointMapCoords(env.At(p.x(), p.y()).easting, env.At(p.x(), p.y()).northing);
        env.doc->AddRefPointPixel(p.x(), p.y());
    }
    env.pane->OpenContextMenu({100, 100});
    EXPECT_TRUE(env.pane->OnCommand(cmd::RefPointDelete));
    ASSERT_EQ(env.doc->RefPointCount(), 2);
    EXPECT_EQ(env.doc->RefPoints().ClickPixel(0).x, 320);
}
