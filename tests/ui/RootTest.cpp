// The root assembles the program: the window it shows routes every
// subsystem's commands, its idle hook steps the 3-D view, and closing puts
// the parts away in order, writing the stores while the window is up; a
// session end first takes back a drag.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cstring>

#include "AppDocEnv.h"
#include "frame/MainFrm.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "mapview/MapViewController.h"
#include "mapview/VornaView.h"
#include "platform/AtomicFile.h"
#include "platform/CommandIds.h"
#include "root/IdleHook.h"
#include "root/VornaRoot.h"

TEST(Root, TheWindowRoutesEachSubsystemsCommandsAndTheIdleHookStepsThe3DView) {
    AppDocEnv env;
    env.CreateFolders(false);
    env.app.settings.splitStyle = int(SplitStyle::MapDmr);
    for (ViewSettings& v : env.app.settings.views) v.mapType = -3;
    CVornaRoot root(env.app);
    ASSERT_TRUE(root.OpenDocument(""));
    CMainFrame& f = root.ShowMainWindow();
    ASSERT_NE(root.Doc(), nullptr);
    const struct {
        unsigned id;
        const char* owner;
    } rows[] = {{cmd::CreateTempWpts, "document (waypoints)"},
                {cmd::WptFromFile, "document (text exchange)"},
                {cmd::LoadSearchArea, "document (search area)"},
                {cmd::RefCalculateOrigin, "document (reference points)"},
                {cmd::SelectWaypoints, "sector selection"},
                {cmd::OpenImage, "frame (image maps)"},
                {cmd::GpsTrackingHome, "GPS tracking"},
                {cmd::Preferences, "application"},
                {cmd::LayoutTwoMaps, "frame"},
                {cmd::About, "application commands"}};
    for (const auto& r : rows) EXPECT_TRUE(f.Router().IsEnabled(r.id)) << r.owner;
    ASSERT_NE(root.IdleHook(), nullptr);
    EXPECT_TRUE(root.IdleHook()->renderStep) << "the 3-D step belongs to the idle hook";
    EXPECT_TRUE(root.IdleHook()->garminStep);
    root.CloseDocument();
    EXPECT_EQ(root.Frame(), nullptr);
    EXPECT_EQ(root.Doc(), nullptr);
}

namespace {

// A root over a TK25 map pane of 400 x 300 pixels with every layer on.
struct ExitRootEnv {
    AppDocEnv env;
    std::unique_ptr<CVornaRoot> root;
    CMainFrame* frame = nullptr;
    ExitRootEnv() {
        env.CreateFolders(true);
        ApplyDatumParameters(env.app.geo, env.app.settings);
        env.app.settings.splitStyle = int(SplitStyle::MapOnly);
        ViewSettings& v = env.app.settings.views[0];
        v.mapType = kSeriesTK25;
        for (int& l : v.layers) l = 1;
        v.originX = 2162, v.originY = 28346;
        root = std::make_unique<CVornaRoot>(env.app);
        EXPECT_TRUE(root->OpenDocument(""));
        frame = &root->ShowMainWindow();
        Pane().Resize(400, 300);
        QImage img(400, 300, QImage::Format_RGB32);
        QPainter dc(&img);
        Pane().Paint(dc);                      // claims the waypoint bases in view
        Doc().Waypoints().WriteWptCounters();  // a new database has no counter files yet
    }
    CVornaDoc& Doc() { return *root->Doc(); }
    CMapViewController& Pane() { return frame->MapView(0)->Controller(); }
    CPointD At(QPoint p) { return ClientToMap(p.x(), p.y(), Pane().Desc(), DocGeoref(Doc())); }
};

// Records whether the main window was on screen at each box.
struct WindowPrompter : CScriptedPrompter {
    QWidget* window = nullptr;
    std::vector<bool> windowShown;
    int MessageBox(const std::string& text, unsigned type) override {
        windowShown.push_back(window && window->isVisible());
        return CScriptedPrompter::MessageBox(text, type);
    }
};

}  // namespace

// Closing the window writes the stores while it is still up: a file that
// cannot be written is named in a box over the window, and nothing is
// written or said once it has gone.
TEST(Root, ClosingTheWindowWritesTheStoresWhileItIsUp) {
    ExitRootEnv e;
    TrackPoint p{};
    p.position = e.At({150, 150});
    ASSERT_TRUE(e.Doc().TrackLogStore().Append(p));
    e.Doc().NewRoute(1);
    e.Doc().AddRoutePoint(1, e.At({100, 100}));
    SetAtomicWriteFaultHook([](const std::string& t) { return t.find("TrackLog") != std::string::npos; });
    WindowPrompter prompter;
    prompter.window = e.frame;
    prompter.answers = {IDNO};
    e.frame->show();
    e.frame->close();
    SetAtomicWriteFaultHook(nullptr);
    ASSERT_EQ(prompter.texts.size(), 1u);
    EXPECT_EQ(prompter.windowShown, std::vector<bool>{true});
    EXPECT_NE(prompter.texts[0].find(e.env.tmp.dir() + "TrackLog.dat"), std::string::npos)
        << prompter.texts[0];
    EXPECT_TRUE(FileExists(e.env.tmp.file("SearchArea.dat")));
    e.root->CloseDocument();
    EXPECT_EQ(prompter.texts.size(), 1u);
    EXPECT_FALSE(FileExists(e.env.tmp.file("TrackLog.dat"))) << "quit without saving it";
}

// A change made by an idle pass itself (the last step of a transfer) starts
// the autosave minute at once: no event may follow to start it.
TEST(Root, AChangeMadeByAnIdlePassStartsTheAutosaveMinute) {
    ExitRootEnv e;
    CIdleHook& hook = *e.root->IdleHook();
    const CPointD at = e.At({150, 150});
    hook.garminStep = [&e, at] {
        TrackPoint p{};
        p.position = at;
        e.Doc().TrackLogStore().Append(p);
        return false;  // the transfer has ended
    };
    EXPECT_EQ(hook.saveDueMs(), -1);
    hook.OnIdle(0);
    EXPECT_GT(hook.saveDueMs(), 50000);
}

// The session ends during a drag of a waypoint or of a search-field corner:
// the point goes back as Escape takes it back, and the files hold it where
// it was before the drag.
TEST(Root, ASessionEndDuringADragSavesThePointWhereItWas) {
    for (bool waypoint : {true, false}) {
        SCOPED_TRACE(waypoint ? "waypoint" : "search field corner");
        ExitRootEnv e;
        const QPoint from(150, 150);
        const CPointD at = e.At(from);
        const int q = CVornaDoc::GetQuadrantIndex(at.easting, at.northing);
        if (waypoint) {
            ASSERT_EQ(
                e.Doc().CreateWaypoint(at.easting, at.northing, WptCreateMode::Click, kSeriesTK25, "", "", 0),
                1);
        } else {
            e.Doc().ClearSearchField();
            for (QPoint p : {from, QPoint(300, 150), QPoint(150, 60)}) e.Doc().AddSearchFieldPoint(e.At(p));
        }
        const std::string search = e.Doc().SearchArea().DatBytes();
        const WaypointRecord before = waypoint ? *e.Doc().GetWptRecord(q, 0) : WaypointRecord{};
        e.Pane().OnMouseMove(from);
        e.Pane().OnLButtonDown(from, false);
        e.Pane().OnMouseMove({200, 200});
        ASSERT_TRUE(e.Pane().HasCapture());
        e.root->EndSession();
        EXPECT_FALSE(e.Pane().HasCapture());
        if (waypoint) {
            const std::string bytes = ReadFileBytes(e.env.app.settings.wptBaseDir + QuadrantName(q) + ".wdb");
            ASSERT_EQ(bytes.size(), sizeof(WaypointRecord));
            WaypointRecord r;
            std::memcpy(&r, bytes.data(), sizeof r);
            EXPECT_EQ(std::make_pair(r.E, r.N), std::make_pair(before.E, before.N));
        } else {
            EXPECT_EQ(ReadFileBytes(e.env.tmp.file("SearchArea.dat")), search);
        }
        EXPECT_TRUE(e.env.prompter.texts.empty());
    }
}
