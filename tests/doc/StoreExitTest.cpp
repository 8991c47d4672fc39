// The stores at the end of a run: a file that cannot be written is named
// with its reason, one box per file, and tried again or given up with its
// old content kept; at a session end nobody is asked, what can be written
// is, and the next start names the rest once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "doc/DocTestEnv.h"
#include "doc/StoreAutosave.h"

namespace {

const int kQ = QuadrantAt(4, 4);

struct ExitEnv : DocEnv {
    std::vector<std::string> failing;  // parts of the targets the disk refuses
    WriteFault fault{[this](const std::string& p) {
        return std::any_of(failing.begin(), failing.end(),
                           [&p](const std::string& f) { return p.find(f) != std::string::npos; });
    }};
    int added = 0;
    ExitEnv() {
        ApplyDatum();
        Make();
    }
    CVornaDoc& Make() {
        DocEnv::Make();
        doc->ClaimWptBase(kQ);  // held open, as by a view
        return *doc;
    }
    std::string BaseFile() const { return WptFile(QuadrantName(kQ) + ".wdb"); }
    std::string TrackFile() const { return tmp.file("TrackLog.dat"); }
    std::string SearchFile() const { return tmp.file("SearchArea.dat"); }
    // A waypoint, a track point and a search route point more.
    void Change() {
        const CPointD c = QuadrantCentre(4, 4);
        const CPointD at(c.easting + 500.0 * added, c.northing);
        ++added;
        ASSERT_EQ(doc->CreateWaypoint(at.easting, at.northing, WptCreateMode::Click, 1, "", "", 0), 1);
        TrackPoint p{};
        p.position = at;
        ASSERT_TRUE(doc->TrackLogStore().Append(p));
        if (doc->SearchData().Routes[1].Count == 0) doc->NewRoute(1);
        doc->AddRoutePoint(1, at);
    }
    // Every store written once, so that each file has an old content to keep.
    void Settle() {
        Change();
        ASSERT_TRUE(doc->SaveStoresAtExit(CVornaDoc::StoreExit::SessionEnd).empty());
        ASSERT_TRUE(doc->UnsavedStoreFiles().empty());
    }
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// A read-only base: the minute's box is shown once, and the exit names the
// file again (the once-only flag does not silence it) with the offer to try
// again. Quitting without saving keeps the old file, and nothing is written
// or said after.
TEST(StoreExit, AReadOnlyBaseIsNamedAgainAtExitAfterItsAutosaveBox) {
    ExitEnv env;
    env.Settle();
    const std::string old = ReadFileBytes(env.BaseFile());
    ASSERT_EQ(::chmod(env.BaseFile().c_str(), 0444), 0);
    env.Change();
    std::int64_t now = 0;
    CStoreAutosave save{[&env] { return env.doc.get(); }, {}, [&now] { return now; }};
    for (now = 0; now <= 200000; now += 60000) save.Step();
    const std::string protectedText = "Error! Waypoint file " + env.settings.wptBaseDir + QuadrantName(kQ) +
                                      ".wdb can not be saved because it is write protected!";
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{protectedText});

    env.prompter.texts.clear();
    env.prompter.answers = {IDNO};
    EXPECT_TRUE(env.doc->SaveStoresAtExit(CVornaDoc::StoreExit::Ask).empty());
    ASSERT_EQ(env.prompter.texts.size(), 1u);
    EXPECT_TRUE(Has(env.prompter.texts[0], protectedText)) << env.prompter.texts[0];
    EXPECT_TRUE(Has(env.prompter.texts[0], "try again")) << env.prompter.texts[0];
    env.doc.reset();
    EXPECT_EQ(env.prompter.texts.size(), 1u);
    EXPECT_EQ(ReadFileBytes(env.BaseFile()), old);
    EXPECT_EQ(ReadFileBytes(env.SearchFile()).size(), kSearchAreaDatSize) << "the others are written";
}

// A full disk at exit: one box per file, each naming the file and the
// system's reason. Yes (after space was freed) writes the file; No quits
// without it and its old content stays.
TEST(StoreExit, EachFileThatFailsHasItsBoxAndTryAgainWritesIt) {
    for (bool retry : {false, true}) {
        SCOPED_TRACE(retry ? "try again" : "quit without saving");
        ExitEnv env;
        env.Settle();
        const std::string oldBase = ReadFileBytes(env.BaseFile()), oldTrack = ReadFileBytes(env.TrackFile());
        env.Change();
        env.failing = {QuadrantName(kQ) + ".wdb", "TrackLog"};
        // The user frees space for the file the box names.
        env.prompter.onBox = [&] {
            if (retry) env.failing.erase(env.failing.begin());
        };
        env.prompter.answers = {retry ? IDYES : IDNO, retry ? IDYES : IDNO};
        EXPECT_TRUE(env.doc->SaveStoresAtExit(CVornaDoc::StoreExit::Ask).empty());
        const std::string full = std::strerror(ENOSPC);
        ASSERT_EQ(env.prompter.texts.size(), 2u);
        EXPECT_TRUE(
            Has(env.prompter.texts[0], "Error writing Binary Waypoint file " + env.BaseFile() + ": " + full))
            << env.prompter.texts[0];
        EXPECT_TRUE(
            Has(env.prompter.texts[1], "Error writing Binary TrackLog file " + env.TrackFile() + ": " + full))
            << env.prompter.texts[1];
        EXPECT_TRUE(env.doc->UnsavedStoreFiles().empty());
        env.doc.reset();
        EXPECT_EQ(env.prompter.texts.size(), 2u) << "nothing more after the window";
        EXPECT_EQ(ReadFileBytes(env.BaseFile()).size(), (retry ? 2u : 1u) * sizeof(WaypointRecord));
        EXPECT_EQ(ReadFileBytes(env.TrackFile()).size(), (retry ? 2u : 1u) * sizeof(TrackPoint));
        if (!retry) {
            EXPECT_EQ(ReadFileBytes(env.BaseFile()) + ReadFileBytes(env.TrackFile()), oldBase + oldTrack);
        }
    }
}

// A session end asks nothing: what can be written is, the rest is listed in
// a note that the next start shows once. When the session may go on
// (the desktop asks for the data), the failed change stays to be written later.
TEST(StoreExit, ASessionEndWritesWhatItCanAndTheNextStartNamesTheRest) {
    for (auto mode : {CVornaDoc::StoreExit::SessionEnd, CVornaDoc::StoreExit::Commit}) {
        const bool ends = mode == CVornaDoc::StoreExit::SessionEnd;
        SCOPED_TRACE(ends ? "session end" : "commit");
        ExitEnv env;
        env.Settle();
        const std::string oldTrack = ReadFileBytes(env.TrackFile());
        env.Change();
        env.failing = {"TrackLog"};
        const std::vector<std::string> left = env.doc->SaveStoresAtExit(mode);
        EXPECT_TRUE(env.prompter.texts.empty());
        ASSERT_EQ(left.size(), 1u);
        EXPECT_TRUE(Has(left[0], "Error writing Binary TrackLog file " + env.TrackFile()));
        EXPECT_EQ(ReadFileBytes(env.BaseFile()).size(), 2 * sizeof(WaypointRecord));
        EXPECT_TRUE(Has(ReadFileBytes(env.doc->NotSavedNoteName()), left[0]));
        EXPECT_EQ(env.doc->TrackLogStore().Modified(), !ends);
        if (!ends) continue;
        env.doc.reset();
        EXPECT_TRUE(env.prompter.texts.empty());
        EXPECT_EQ(ReadFileBytes(env.TrackFile()), oldTrack);

        env.failing.clear();
        env.Make();
        ASSERT_EQ(env.prompter.texts.size(), 1u);
        EXPECT_TRUE(Has(env.prompter.texts[0], "could be saved")) << env.prompter.texts[0];
        EXPECT_TRUE(Has(env.prompter.texts[0], left[0])) << env.prompter.texts[0];
        env.doc.reset();
        env.Make();
        EXPECT_EQ(env.prompter.texts.size(), 1u) << "shown once";
    }
}
