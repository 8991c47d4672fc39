// Stores whose files are damaged but readable: read as far as they go, said
// once with what was kept, a copy of the damaged file kept beside them, and
// written back cleaned.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "DocTestEnv.h"

namespace {

const int kAC = QuadrantAt(1, 3);

std::string TrackBytes(int n) {
    std::string bytes;
    for (int i = 0; i < n; ++i) {
        TrackPoint p;
        p.position = CPointD(400000 + i, 5100000 + i);
        p.time = 1000 + i;
        p.segmentStart = i == 0;
        bytes.append(reinterpret_cast<const char*>(&p), sizeof p);
    }
    return bytes;
}

std::string BaseBytes(int n) {
    std::string bytes;
    for (int i = 0; i < n; ++i) {
        const WaypointRecord r = MakeWpt("AC0" + std::to_string(i + 1), QuadrantCentre(1, 3));
        bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    return bytes;
}

std::string SearchBytes() {
    CSearchArea area;
    area.Data().BandWidth = 175;
    area.Data().BaseStart = CPointD(500000, 5100000);
    return area.DatBytes();
}

}  // namespace

TEST(DamagedStores, AreSaidOnceKeptBesideAndWrittenBackCleaned) {
    const struct {
        const char* file;  // under the temporary folder
        std::string damage, otherDamage;
        std::string kept;  // what the message says was kept
        std::size_t cleanSize;
        // Loads the store (the document reads the track log and the search
        // area itself) and checks what it kept.
        std::function<void(DocEnv&)> load;
    } rows[] = {
        {"TrackLog.dat", TrackBytes(3) + "cut point", TrackBytes(3) + "cut", "kept 3 of its 4 points", 72,
         [](DocEnv& env) {
             ASSERT_EQ(env.doc->TrackLog.Count, 3);
             EXPECT_EQ(env.doc->TrackLog.Data[2].time, 1002);
         }},
        {"wpt/AC.wdb", BaseBytes(2) + "xy", BaseBytes(2) + "xyz", "kept 2 of its 3 waypoint records", 128,
         [](DocEnv& env) {
             ASSERT_EQ(env.doc->OpenQuadrantWptFile(kAC), 1);
             ASSERT_EQ(env.Db().Base(kAC).Count, 2);
             EXPECT_EQ(WptName(env.Db().Base(kAC).Data[1]), "AC02");
         }},
        {"SearchArea.dat", SearchBytes().substr(0, 100), SearchBytes() + "tail",
         "kept the first 100 of the 4908 bytes it should have", 4908,
         [](DocEnv& env) {
             EXPECT_EQ(env.doc->SearchData().BandWidth, 175);
             EXPECT_EQ(env.doc->SearchData().BaseStart.northing, 5100000);
         }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.file);
        DocEnv env;
        const std::string file = env.tmp.file(r.file);
        ASSERT_TRUE(WriteFileBytes(file, r.damage));
        env.Make();
        r.load(env);
        EXPECT_EQ(DamageTexts(env.prompter.texts),
                  std::vector<std::string>{"The file " + file + " is damaged: " + r.kept +
                                           "; the damaged original is kept as " + file + ".damaged"});
        EXPECT_EQ(ReadFileBytes(file + ".damaged"), r.damage);

        // The end writes the cleaned file; it loads without a word.
        env.prompter.texts.clear();
        env.Reopen();
        EXPECT_EQ(ReadFileBytes(file).size(), r.cleanSize);
        r.load(env);
        EXPECT_TRUE(DamageTexts(env.prompter.texts).empty());

        // The same damage again is said again, but its copy is made once.
        env.doc.reset();
        ASSERT_TRUE(WriteFileBytes(file, r.damage));
        env.Make();
        r.load(env);
        EXPECT_EQ(DamageTexts(env.prompter.texts).size(), 1u);
        EXPECT_EQ(DamagedCopies(file),
                  std::set<std::string>{std::filesystem::path(file).filename().string() + ".damaged"});

        // Other damage never replaces the first copy.
        env.doc.reset();
        env.prompter.texts.clear();
        ASSERT_TRUE(WriteFileBytes(file, r.otherDamage));
        env.Make();
        r.load(env);
        ASSERT_EQ(DamageTexts(env.prompter.texts).size(), 1u);
        EXPECT_NE(DamageTexts(env.prompter.texts)[0].find("kept as " + file + ".damaged.1"),
                  std::string::npos);
        EXPECT_EQ(ReadFileBytes(file + ".damaged"), r.damage);
        EXPECT_EQ(ReadFileBytes(file + ".damaged.1"), r.otherDamage);
    }
}

// A base is loaded and closed many times in a run; its damage is said once.
TEST(DamagedStores, ABaseLoadedAgainInTheSameRunIsNotSaidAgain) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    const std::string file = env.WptFile("AC.wdb");
    ASSERT_TRUE(WriteFileBytes(file, BaseBytes(2) + "xy"));
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    EXPECT_EQ(env.Db().Base(kAC).Modified, 1) << "damage is written back cleaned";
    ASSERT_EQ(doc.CloseQuadrantWptFile(kAC), 1);
    EXPECT_EQ(ReadFileBytes(file), BaseBytes(2));
    ASSERT_TRUE(WriteFileBytes(file, BaseBytes(2) + "xy"));
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    EXPECT_EQ(DamageTexts(env.prompter.texts).size(), 1u);
    EXPECT_EQ(DamagedCopies(file), std::set<std::string>{"AC.wdb.damaged"});
}
