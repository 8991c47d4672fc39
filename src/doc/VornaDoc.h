#pragma once
// The one document: owns every data store of the program from construction
// to destruction. Its members are defined in several files of doc/ (and the
// drawing code in view/), each beside the store it belongs to.
//
// The class is laid out in sections, one per group of stores. Keep each
// group's members and operations inside its own section.

#include <string>
#include <vector>

#include "doc/DocView.h"
#include "geo/Types.h"

constexpr int kQuadrantsPerSide = 28;
constexpr int kQuadrantCount = 784;
constexpr int kBaseCount = 785;  // 784 quadrants + "TEMP"
constexpr int kTempBase = 784;

class CVornaDoc {
public:
    CVornaDoc();
    ~CVornaDoc();
    CVornaDoc(const CVornaDoc&) = delete;
    CVornaDoc& operator=(const CVornaDoc&) = delete;

    // ---- views and update hints ----------------------------------------
    void AddView(IDocView* view);
    void RemoveView(IDocView* view);
    const std::vector<IDocView*>& Views() const { return m_Views; }
    void UpdateAllViews(IDocView* sender, long hint = 0, const void* hintObject = nullptr);

    // ---- lifecycle (framework operations) -------------------------------
    bool OnNewDocument();
    bool OnOpenDocument(const std::string& path);
    void DeleteContents();

    // ---- grids, segment cache, elevation cache --------------------------
    // BEGIN SECTION grids-segments-elevation

    // END SECTION grids-segments-elevation

    // ---- waypoint database, counters, track log, naming, undo ----------
    // BEGIN SECTION waypoints
    void ReadWptCounters();
    void WriteWptCounters();
    int OpenQuadrantWptFile(int quadrant);
    int CloseQuadrantWptFile(int quadrant);
    int ReadBinaryTrackLogFile(const std::string& name);
    int WriteBinaryTrackLogFile(const std::string& name);
    // END SECTION waypoints

    // ---- image map, search area, other stores (later) -------------------
    // BEGIN SECTION later
    // END SECTION later

private:
    std::vector<IDocView*> m_Views;
};

// The one document of the run (null before it is made and after it is gone).
CVornaDoc* TheDoc();
