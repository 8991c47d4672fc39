// The root assembles the program: the window it shows routes every
// subsystem's commands, its idle hook steps the 3-D view, and closing puts
// the parts away in order.
#include <gtest/gtest.h>

#include "AppDocEnv.h"
#include "frame/MainFrm.h"
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
