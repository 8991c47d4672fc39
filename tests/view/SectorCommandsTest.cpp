// The waypoint selection items of the free-map popup and the main menu: the
// sector under the right-click, the temporary waypoints, and the export of
// the track selection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>

#include "doc/WptExport.h"
#include "doc/WptText.h"
#include "gps/Garmin.h"
#include "mapdraw/MapPicture.h"
#include "root/VornaRoot.h"
#include "ui/FrameTestEnv.h"

TEST(SectorCommands, PopupItemsSelectTheSectorOrTheTemporaryWaypoints) {
    FrameTestEnv env;
    env.app.settings.autoSwitchToUnselDiffColor = 1;
    CMainFrame& f = env.Make(SplitStyle::MapOnly);
    CVornaView* view = f.MapView(0);
    env.Pane(0).OpenMap(kSeriesTK25, false);
    const auto pick = [&](int id) {
        view->SetContextMenuRunner([id](QMenu&, const QPoint&) { return id; });
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(100, 80), view->mapToGlobal(QPoint(100, 80)));
        QApplication::sendEvent(view->viewport(), &e);
    };
    pick(0);
    const CPointD at = env.Pane(0).ContextPosition();
    const int q = GetQuadrantIndex(at.easting, at.northing);
    ASSERT_GE(q, 0);
    CWptDatabase& db = env.doc->Waypoints();
    ASSERT_TRUE(PutWpt(db, q, MakeWpt("Q3", at, 3)));
    ASSERT_TRUE(PutWpt(db, kTempBase, MakeWpt("T4", at, kWptTemporary | 4)));

    // "Select All Temp Wpts" of the free-map popup is the document's, not the sector's.
    pick(cmd::SelectAllTempWpts);
    EXPECT_EQ(env.doc->SectorSelLevel(kTempBase), kSelectAllLevels);
    EXPECT_EQ(env.doc->SectorSelLevel(q), -1);
    EXPECT_EQ(env.doc->CountSelectedWpts(kTempBase), 1);
    // "&Select Wpts in Sector": every level of the quadrant under the click, unselected ones in their colour.
    pick(cmd::SelectWptsInSector);
    EXPECT_EQ(env.doc->SectorSelLevel(q), 4);
    EXPECT_EQ(env.doc->CountSelectedWpts(q), 1);
    EXPECT_EQ(env.Pane(0).Desc().unselectedWpt, kUnselOtherColour);
    // From the main menu the shared id stays the document's.
    env.doc->SetSectorSelection(kTempBase, -1);
    env.doc->SetSectorSelection(q, -1);
    EXPECT_TRUE(f.Router().Execute(cmd::SelectAllTempWpts));
    EXPECT_EQ(env.doc->SectorSelLevel(kTempBase), kSelectAllLevels);
    EXPECT_EQ(env.doc->SectorSelLevel(q), -1);
    // Hidden waypoints: nothing to select.
    env.Pane(0).Desc().layers[9] = 0;
    EXPECT_FALSE(env.State(cmd::SelectWptsInSector).m_bEnabled);
}

TEST(SectorCommands, TrackSelectionExportWritesTheRangeAndPrintAreaNeedsAnOrigin) {
    FrameTestEnv env;
    CMainFrame& f = env.Make(SplitStyle::MapOnly);
    env.Pane(0).OpenMap(kSeriesTK25, false);
    CTrackLogStore& log = env.doc->TrackLogStore();
    log.Clear(0);
    for (int i = 0; i < 6; ++i) {
        TrackPoint p{};
        p.position = CPointD(450000.0 + i * 100, 5100000.0);
        log.Append(p);
    }
    EXPECT_FALSE(env.State(cmd::TrkSelExport).m_bEnabled);  // one end unset
    log.SelStart = 4, log.SelEnd = 2;
    ASSERT_TRUE(env.State(cmd::TrkSelExport).m_bEnabled);
    const std::string file = env.tmp.file("sel.txt");
    env.prompter.files = {file};
    EXPECT_TRUE(f.Router().Execute(cmd::TrkSelExport));
    const std::string text = ReadFileBytes(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);  // header and points 2..4

    env.Pane(0).OpenMap(kMapImage, false);
    EXPECT_FALSE(env.State(cmd::ExportWptPrintArea).m_bEnabled);
}

TEST(SectorCommands, ExportToGpsFillsTheLinksUploadListWithTheSelection) {
    AppDocEnv env;
    env.CreateFolders(false);
    for (ViewSettings& v : env.app.settings.views) v.mapType = -3;
    env.app.settings.splitStyle = int(SplitStyle::MapOnly);
    env.app.settings.exportToGps = 1;
    env.app.settings.gpsPort = env.tmp.file("no-such-port");
    CVornaRoot root(env.app);
    ASSERT_TRUE(root.OpenDocument(""));
    root.ShowMainWindow();
    CVornaDoc& doc = *root.Doc();
    CWptDatabase& db = doc.Waypoints();
    const int q = QuadrantAt(13, 13);
    for (int level = 0; level < 3; ++level)
        ASSERT_TRUE(PutWpt(db, q, MakeWpt("W" + std::to_string(level), QuadrantCentre(13, 13), level)));
    doc.SetSectorSelection(q, 1);
    EXPECT_EQ(ExportSelectedWpts(doc, env.app.settings, env.app.geo), 2);
    CGpsRecordList& list = root.GarminLink().Records();
    ASSERT_EQ(list.GPSdataCount, 2);
    EXPECT_EQ(list[0].name, "W0");
    EXPECT_EQ(list[1].name, "W1");
    EXPECT_EQ(list.GPSdataSize, 512);
    // The upload was asked for: the missing port says so.
    EXPECT_FALSE(env.prompter.texts.empty());
}
