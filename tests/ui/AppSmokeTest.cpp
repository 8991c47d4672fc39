// Starts the application as main does, on a prepared settings file in a
// private HOME, and looks at the main window.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QMainWindow>
#include <QProcess>
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

// SIGTERM (a system shutting down, a service manager) ends the program the
// way Exit does: the settings file and the track log are written.
TEST(AppSmoke, SigtermWritesTheStoresAsANormalExit) {
    TempDir dir;
    const QString tools = QString::fromStdString(ToolsDir());
    ASSERT_EQ(QProcess::execute(tools + "/make-sample-region", {QString::fromStdString(dir.file("region")), "--size", "1"}), 0);
    const std::string ini = dir.file("region/config/vornamap.ini");
    const std::string before = ReadFileBytes(ini);
    ASSERT_FALSE(before.empty());
    // A track log of three points, dated long ago: written again, it is new.
    const std::string log = dir.file("TrackLog.dat");
    const std::string points(3 * sizeof(TrackPoint), '\0');
    ASSERT_TRUE(WriteFileBytes(log, points));
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    std::filesystem::last_write_time(log, old);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(dir.path()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("region/config")));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromStdString(dir.path()));
    program.start(tools + "/../vornamap", {});
    ASSERT_TRUE(program.waitForStarted());
    // Wait until the program has taken over SIGTERM (its handler is in place).
    const std::string status = "/proc/" + std::to_string(program.processId()) + "/status";
    bool caught = false;
    for (int i = 0; i < 1000 && !caught && program.state() == QProcess::Running; ++i) {
        const std::string s = ReadFileBytes(status);
        const std::size_t at = s.find("SigCgt:\t");
        caught = at != std::string::npos && (std::stoull(s.substr(at + 8, 16), nullptr, 16) >> (SIGTERM - 1) & 1);
        if (!caught) QTest::qWait(10);
    }
    ASSERT_TRUE(caught) << program.readAllStandardError().toStdString();
    QTest::qWait(300);  // let it reach its event loop; an earlier signal waits there
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_EQ(ReadFileBytes(log), points);
    EXPECT_GT(std::filesystem::last_write_time(log), old);
    const std::string after = ReadFileBytes(ini);
    EXPECT_NE(after.find("[APPEARANCE]"), std::string::npos);
    EXPECT_EQ(before.find("[APPEARANCE]"), std::string::npos);
}
