// Starts the application as main does, on a prepared settings file in a
// private HOME, and looks at the main window.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QMainWindow>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "TestUtil.h"
#include "app/VornaApp.h"
#include "platform/Prompt.h"

#define VORNA_NO_MAIN
#include "main.cpp"

TEST(AppSmoke, StartsOnAPreparedIniShowsTheMainWindowAndWritesTheSettingsBack) {
    TempDir dir;
    ScopedEnv home("HOME", dir.path());
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.dir() + "config");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);

    std::filesystem::create_directories(dir.file("config"));
    std::filesystem::create_directories(dir.file("wpt"));
    WriteFileBytes(dir.file("wpt/WptBase.cfg"), "2.0");
    WriteFileBytes(dir.file("config/vornamap.ini"),
                   "[PREFERENCES]\nFirst Time=0\nLocation 0 Of Wpt Base=" + dir.file("wpt/") +
                       "\n[WINDOW]\nWindow Left=10\nWindow Top=20\nWindow Right=650\nWindow Bottom=500\n");
    CScriptedPrompter prompter;
    {
        CVornaApp app;
        ASSERT_TRUE(app.InitInstance());
        EXPECT_TRUE(prompter.texts.empty()) << prompter.texts.front();
        std::unique_ptr<CVornaDoc> doc = CreateDocument(1, nullptr);
        ASSERT_NE(doc, nullptr);
        std::unique_ptr<QMainWindow> frame = CreateMainWindow();
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        EXPECT_TRUE(frame->isVisible());
        EXPECT_TRUE(frame->windowTitle().contains("Vornamap"));
        EXPECT_GT(frame->width(), 100);
        EXPECT_GT(frame->height(), 100);
        EXPECT_FALSE(frame->grab().isNull());
        frame.reset();
        doc.reset();
        EXPECT_EQ(app.ExitInstance(), 0);
    }
    const std::string ini = ReadFileBytes(dir.file("config/vornamap.ini"));
    EXPECT_NE(ini.find("\nLocation 0 Of Wpt Base=" + dir.file("wpt/") + "\n"), std::string::npos);
    EXPECT_NE(ini.find("\nWindow Right="), std::string::npos);
    EXPECT_NE(ini.find("[APPEARANCE]"), std::string::npos);
    ASSERT_EQ(chdir(cwd), 0);
}
