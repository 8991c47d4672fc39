#pragma once
// What the sector selection of waypoints needs from outside the document:
// the sector dialog and the receiver's upload list. The program installs the
// real ones; tests install fakes. Without a dialog the run counts as
// cancelled; without an upload sink "Export To GPS" exports nothing.

#include <functional>
#include <vector>

struct WaypointRecord;
class CVornaDoc;

// The selection level that takes every level of a base (the temporary one).
constexpr int kSelectAllLevels = 34;

// The sector dialog's inputs and results: the levels per base (785, -1 none),
// the series last chosen, the marked total and how it ended.
struct ExportWptDialogData {
    std::vector<int> levels;
    int series = 4;
    int total = 0;
    int closed = 1;          // 1 "Close", 0 "Export"
    bool debugMode = false;  // colours loaded and unloaded bases apart
};

// How the sector dialog ended.
enum ExportWptDialogEnd : int { kExportDlgEnded = 1, kExportDlgCancelled = 2 };
// What RunExportWptDialog answers.
enum ExportWptRunResult : int { kExportRunCancelled = 0, kExportRunClosed = 1, kExportRunExport = 2 };

// Runs the dialog in mode (0 selection, 1 export) on data; it changes the
// document's levels and marks while it runs (SetSectorSelection) and answers
// an ExportWptDialogEnd.
using ExportWptDialogRunner = std::function<int(CVornaDoc& doc, int mode, ExportWptDialogData& data)>;

// The receiver's upload list and the upload that sends it.
struct WptUploadSink {
    std::function<bool(int room)> begin;                 // false: the link is busy
    std::function<bool(const WaypointRecord& rec)> add;  // false: not taken
    std::function<void()> start;                         // the waypoint upload
};
