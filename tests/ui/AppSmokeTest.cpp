// The program itself, started on a sample region and ended as the system
// ends it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QProcess>
#include <QTest>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>

#include "TestUtil.h"
#include "doc/VornaDoc.h"
#include "platform/FolderLock.h"

namespace {

// Starts the program and waits until it has taken sig over: from then on the
// signal may come at any time (before the event loop runs it waits for it).
bool StartAndAwaitHandler(QProcess& program, const QString& tools, const QProcessEnvironment& env,
                          const std::string& folder, int sig) {
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromStdString(folder));
    program.start(tools + "/../vornamap", {});
    if (!program.waitForStarted()) return false;
    const std::string status = "/proc/" + std::to_string(program.processId()) + "/status";
    for (int i = 0; i < 1000 && program.state() == QProcess::Running; ++i) {
        const std::string s = ReadFileBytes(status);
        const std::size_t at = s.find("SigCgt:\t");
        if (at != std::string::npos && (std::stoull(s.substr(at + 8, 16), nullptr, 16) >> (sig - 1) & 1))
            return true;
        QTest::qWait(10);
    }
    return false;
}

// A one-quadrant sample region at folder.
bool MakeSmallRegion(const QString& tools, const std::string& folder) {
    return QProcess::execute(tools + "/make-sample-region",
                             {QString::fromStdString(folder), "--size", "1"}) == 0;
}

}  // namespace

// SIGTERM (a system shutting down, a service manager) and SIGHUP (a closed
// terminal) end the program the way Exit does: the settings file is written,
// the track log kept (unchanged, it is not written again).
TEST(AppSmoke, TermAndHangUpSignalsWriteTheStoresAsANormalExit) {
    TempDir dir;
    const QString tools = QString::fromStdString(ToolsDir());
    ASSERT_TRUE(MakeSmallRegion(tools, dir.file("region")));
    const std::string ini = dir.file("region/config/vornamap.ini");
    const std::string before = ReadFileBytes(ini);
    ASSERT_EQ(before.find("[APPEARANCE]"), std::string::npos);  // only an exit writes it
    const std::string log = dir.file("TrackLog.dat");
    const std::string points(3 * sizeof(TrackPoint), '\0');
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(dir.path()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("region/config")));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VORNAMAP_DATA_DIR", QString::fromStdString(dir.path()));

    for (int sig : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        ASSERT_TRUE(WriteFileBytes(ini, before));
        // A track log dated long ago: not changed, it is not written again.
        ASSERT_TRUE(WriteFileBytes(log, points));
        const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365);
        std::filesystem::last_write_time(log, old);

        QProcess program;
        ASSERT_TRUE(StartAndAwaitHandler(program, tools, env, dir.path(), sig))
            << program.readAllStandardError().toStdString();
        ::kill(pid_t(program.processId()), sig);
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        EXPECT_EQ(ReadFileBytes(log), points);
        EXPECT_EQ(std::filesystem::last_write_time(log), old);
        EXPECT_NE(ReadFileBytes(ini).find("[APPEARANCE]"), std::string::npos);
    }
}

// The same signals while a box or dialog of the start-up is open (before the
// main window exists): the start-up box about a missing counter file, the
// first-run "File Locations" dialog. The program ends without waiting for an
// answer (the bound leaves room for a loaded machine and the sanitizer
// build) and writes what a normal exit writes.
TEST(AppSmoke, SignalsDuringAStartUpBoxEndTheProgramAsANormalExit) {
    TempDir dir;
    const QString tools = QString::fromStdString(ToolsDir());
    ASSERT_TRUE(MakeSmallRegion(tools, dir.file("region")));
    const std::string ini = dir.file("region/config/vornamap.ini");
    const std::string counters = dir.file("region/wpt/WAutoCnt.dat");
    const std::string sample = ReadFileBytes(ini);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(dir.path()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("region/config")));
    env.insert("VORNAMAP_DATA_DIR", QString::fromStdString(dir.file("region")));
    env.insert("QT_QPA_PLATFORM", "offscreen");

    for (bool firstRun : {false, true}) {
        for (int sig : {SIGTERM, SIGHUP}) {
            SCOPED_TRACE(std::to_string(sig) + (firstRun ? " first run" : " counter box"));
            if (firstRun)
                std::filesystem::remove(ini);
            else
                ASSERT_TRUE(WriteFileBytes(ini, sample));
            std::filesystem::remove(counters);
            QProcess program;
            ASSERT_TRUE(StartAndAwaitHandler(program, tools, env, dir.path(), sig))
                << program.readAllStandardError().toStdString();
            QTest::qWait(1000);  // the box is up
            ASSERT_EQ(program.state(), QProcess::Running) << "the start-up waits for an answer";
            const auto sent = std::chrono::steady_clock::now();
            ::kill(pid_t(program.processId()), sig);
            const bool ended = program.waitForFinished(5000);
            const auto took = std::chrono::steady_clock::now() - sent;
            if (!ended) program.kill(), program.waitForFinished();
            ASSERT_TRUE(ended);
            EXPECT_LT(took, std::chrono::milliseconds(3000));
            EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
            // The settings as at every exit; the document's stores when it was opened.
            EXPECT_NE(ReadFileBytes(ini).find("[APPEARANCE]"), std::string::npos);
            EXPECT_EQ(FileExists(counters), !firstRun);
        }
    }
}

// As the run command starts it: the start directory is the sample region,
// whose track log is read there (and, unchanged, left as it is), not in the
// current folder nor in the user's own data folder.
TEST(AppSmoke, SampleRegionAsStartDirectoryKeepsItsTrackLog) {
    TempDir dir;
    const QString tools = QString::fromStdString(ToolsDir());
    ASSERT_TRUE(MakeSmallRegion(tools, dir.file("region")));
    const std::string log = dir.file("region/TrackLog.dat");
    const std::string track = ReadFileBytes(log);
    ASSERT_GE(track.size(), 2 * sizeof(TrackPoint));
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    std::filesystem::last_write_time(log, old);
    std::filesystem::create_directories(dir.file("elsewhere"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(dir.path()));
    env.remove("XDG_DATA_HOME");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("region/config")));
    env.insert("VORNAMAP_DATA_DIR", QString::fromStdString(dir.file("region")));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    ASSERT_TRUE(StartAndAwaitHandler(program, tools, env, dir.file("elsewhere"), SIGTERM))
        << program.readAllStandardError().toStdString();
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_EQ(std::filesystem::last_write_time(log), old);
    EXPECT_EQ(ReadFileBytes(log), track);
    EXPECT_FALSE(FileExists(dir.file("elsewhere/TrackLog.dat")));
    EXPECT_FALSE(FileExists(dir.file(".local/share/vornamap/TrackLog.dat")));
}

// A session end with a store that cannot be written (a counter file made
// read-only, whose counts the start-up found wrong): the program ends at
// once without asking, the old file stays, and a note in the start folder
// names the file for the next start, which shows it and removes it.
TEST(AppSmoke, ASessionEndNotesWhatItCouldNotWriteForTheNextStart) {
    TempDir dir;
    const QString tools = QString::fromStdString(ToolsDir());
    ASSERT_TRUE(MakeSmallRegion(tools, dir.file("region")));
    const std::string counters = dir.file("region/wpt/WAutoCnt.dat");
    const std::string note = dir.file("NotSaved.txt");
    // One named waypoint more in "TEMP" than the counter file says.
    WaypointRecord rec = ZeroWaypointRecord();
    rec.E = 380000.0, rec.N = 5100000.0;
    std::memcpy(rec.Name, "HUT", 4);
    rec.Flags = kWptTemporary;
    const std::string temp = dir.file("region/wpt/TEMP.wdb");
    ASSERT_TRUE(WriteFileBytes(
        temp, ReadFileBytes(temp) + std::string(reinterpret_cast<const char*>(&rec), sizeof rec)));
    const std::string oldCounters = ReadFileBytes(counters);
    ASSERT_EQ(::chmod(counters.c_str(), 0444), 0);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(dir.path()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("region/config")));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VORNAMAP_DATA_DIR", QString::fromStdString(dir.path()));

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "the session ends" : "the next start");
        QProcess program;
        ASSERT_TRUE(StartAndAwaitHandler(program, tools, env, dir.path(), SIGTERM))
            << program.readAllStandardError().toStdString();
        // The document is made (run 0), the note's box is up (run 1).
        QTest::qWait(2000);
        ::kill(pid_t(program.processId()), SIGTERM);
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        if (run == 0) {
            EXPECT_NE(ReadFileBytes(note).find("WAutoCnt.dat"), std::string::npos) << ReadFileBytes(note);
            EXPECT_EQ(ReadFileBytes(counters), oldCounters);
            ASSERT_EQ(::chmod(counters.c_str(), 0644), 0);  // the user mends it
        } else {
            EXPECT_FALSE(FileExists(note)) << "shown once";
            EXPECT_NE(ReadFileBytes(counters), oldCounters);
        }
    }
}

// Two copies of the program on the same data: the second one finds the first
// one's lock, waits on its box, and ends (here by SIGTERM, as nobody answers)
// with an error status and without writing anything; the first one goes on.
TEST(AppSmoke, SecondCopyEndsWithoutWritingAnything) {
    TempDir dir;
    const QString tools = QString::fromStdString(ToolsDir());
    ASSERT_TRUE(MakeSmallRegion(tools, dir.file("region")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(dir.path()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("region/config")));
    env.insert("VORNAMAP_DATA_DIR", QString::fromStdString(dir.file("region")));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess first;
    ASSERT_TRUE(StartAndAwaitHandler(first, tools, env, dir.path(), SIGTERM));
    bool held = false;
    for (int i = 0; i < 1000 && !held; ++i) {
        held = CFolderLocks().Lock(dir.file("region/wpt/")) == FolderLockStatus::Busy;
        if (!held) QTest::qWait(10);
    }
    ASSERT_TRUE(held) << "the first copy has started";
    const auto files = [&] {
        std::map<std::string, std::pair<std::string, std::filesystem::file_time_type>> all;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
            if (e.is_regular_file())
                all[e.path().string()] = {ReadFileBytes(e.path().string()), e.last_write_time()};
        return all;
    };
    const auto before = files();

    QProcess second;
    ASSERT_TRUE(StartAndAwaitHandler(second, tools, env, dir.path(), SIGTERM));
    QTest::qWait(1000);
    ASSERT_EQ(second.state(), QProcess::Running) << "the box waits for an answer";
    ::kill(pid_t(second.processId()), SIGTERM);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_TRUE(files() == before) << "the second copy wrote a file";
    EXPECT_EQ(first.state(), QProcess::Running);
    ::kill(pid_t(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(30000));
    EXPECT_EQ(first.exitCode(), 0);
}
