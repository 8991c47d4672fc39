#pragma once
// The waypoint database: 785 bases (784 quadrants and "TEMP") loaded on
// demand from the waypoint folder, their counter files, the claims on each
// base, the naming rules, creation, editing, moving and deletion, and undo.
//
// Bases are addressed by index 0..784. Hold (base, index) and look a record
// up again on each use: a base may grow, close or be reread during any call
// that claims or releases bases, shows a prompt or runs a dialog.

#include <functional>
#include <string>
#include <vector>

#include "doc/DocServices.h"
#include "doc/GpsRecord.h"
#include "doc/Grids.h"
#include "doc/SegmentCache.h"
#include "doc/UndoStack.h"
#include "doc/WptDialogs.h"
#include "doc/WptTypes.h"

struct AppSettings;

// How a waypoint is being created.
enum class WptCreateMode {
    Click,   // a click on the map: automatic, no dialog unless temporary
    Dialog,  // "New Wpt": the waypoint dialog first
    Import,  // from a file or the receiver: temporary, the dialog only for a bad name
};

// CheckWptRecord's answers besides a base index (0..784).
enum WptCheckResult : int {
    kWptCheckRefused = -1,     // out of range, unreadable base, or a registration that failed a check
    kWptCheckRepaired = -2,    // errors found, all repaired
    kWptCheckUnrepaired = -3,  // errors found, some left as they were
};

class CWptDatabase {
public:
    // settings: the folder, grow step, undo size and naming settings, read
    // when used (the Preferences dialog may change them); the new-waypoint
    // level is written back into it.
    CWptDatabase(AppSettings& settings, const DocServices& services, DocUpdateSink update);
    ~CWptDatabase();  // frees without writing: Close() writes
    CWptDatabase(const CWptDatabase&) = delete;
    CWptDatabase& operator=(const CWptDatabase&) = delete;

    // Reads the counters (unless the database is new) and opens "TEMP".
    void Open();
    // Writes the counters and every modified base; frees nothing.
    bool SaveAll();
    // A loaded base is modified or a counter file differs from the counts.
    bool HasUnsavedChanges() const;
    // Writes the counters, closes every base (writing the modified ones).
    void Close();

    // ---- bases and counters ----
    void ReadWptCounters();
    bool WriteWptCounters();
    int OpenQuadrantWptFile(int q);   // 1 loaded, 0 refused (unreadable file)
    int CloseQuadrantWptFile(int q);  // 1 closed, 0 kept loaded (write failed)
    int ReadBinaryWaypointFile(const std::string& name, WptBase& base);
    int WriteBinaryWaypointFile(const std::string& name, WptBase& base);
    // The same without a box: "" when written, else the message naming the
    // file (and the reason). The base stays modified on a failure.
    std::string WriteBaseFile(const std::string& name, WptBase& base);
    // Counter file 0 ("WAutoCnt.dat") or 1 ("WAutoDel.dat"): whether its
    // counts differ from the file, and its write without a box ("" when
    // written or unchanged).
    bool CounterFileChanged(int which) const;
    std::string WriteCounterFile(int which);
    // The counts of a file that is not to be written count as stored.
    void GiveUpCounterChanges(int which);
    int SaveAllWptBases();  // 1 every loaded base written
    void CloseUnusedQuadrants();
    int GetLiveWptCount(int q) const;
    int ReallocateBase(WptBase& base);  // 1 grown, 0 refused (nothing may be appended)
    void ClaimWptBase(int q);
    void ReleaseWptBase(int q, const std::string& operation);
    const WaypointRecord* GetWptRecord(int base, int index) const;  // null when absent
    // The claim pass on the quadrant grid (E1 west, E2 east, N1 north, N2 south).
    void SelectActiveWptQuadrants(const CRectD& area, QuadrantFlags& flags);
    // Closes the claimed bases that no sector selection holds (a new image map).
    void DropQuadrantClaims();

    WptBase& Base(int q) { return m_Bases[std::size_t(Clamp(q))]; }
    const WptBase& Base(int q) const { return m_Bases[std::size_t(Clamp(q))]; }
    int Claims(int q) const { return m_Claims[std::size_t(Clamp(q))]; }
    const std::vector<int>& AllClaims() const { return m_Claims; }
    int SelectionLevel(int q) const { return m_SelLevel[std::size_t(Clamp(q))]; }
    void SetSelectionLevel(int q, int level) { m_SelLevel[std::size_t(Clamp(q))] = level; }
    void UpdateWptSelectionFlag(int base, int index, int level);
    // Marks a base by level (opened for level >= 0; closed for level < 0 when
    // nobody claims it). The level is not stored: callers do that.
    void SelectSectorWpts(int q, int level);
    // Live records of a loaded base carrying the selection mark.
    int CountSelectedWpts(int q) const;

    // ---- naming ----
    std::string GetNewAutoWptName(int base);
    // "" when the name is fine, else the reason (shown when showErrors).
    std::string CheckTemporaryWptName(std::string name, bool showErrors);
    int NewNamedWptNameOK(WaypointRecord* rec, int skipIndex, bool allowReplace);
    bool CheckNewWptDistance(const WaypointRecord& rec);
    static int GetWptBaseIndex(const WaypointRecord& rec);  // 784 temporary, quadrant, -1 outside

    // ---- creation, editing, moving, deleting ----
    int GetClosestWptIndex(WaypointRecord* out, CPointD pos, int rx, int ry);
    int CreateWaypoint(double E, double N, WptCreateMode mode, int mapType, const std::string& name,
                       const std::string& comment, std::int32_t time);
    int RegisterNewWpt(WaypointRecord rec, int linked);
    int RegisterChangedWpt(WaypointRecord rec, int index);
    int VerifyWptIndex(const WaypointRecord& rec, int base, int index, const std::string& caller);
    int EditWaypoint(WaypointRecord rec, int index);
    int DeleteWaypoint(WaypointRecord rec, int index);
    int MoveWaypoint(WaypointRecord rec, int index, CPointD pos);
    int SetWptLevel(WaypointRecord rec, int index, int level);
    int SetWptLabelPosition(WaypointRecord rec, int index, int label);
    int ChangeWptTo(WaypointRecord rec, int index);
    // A base index or a WptCheckResult. base < 0: the check before a
    // registration (every failure refuses); else the interactive check of a
    // stored record, which offers to repair.
    int CheckWptRecord(WaypointRecord* rec, const std::string& location, int index, int base);
    // ---- integrity and compaction (WptIntegrity.cpp) ----
    // Walks every base with the record check, asking before each repair.
    // 1: no error, or every error repaired; 0: errors left, a base that could
    // not be read, or Cancel (which leaves the bases as the check found them).
    int CheckDatabaseIntegrity();
    // Removes the deleted records after a successful check; clears undo first.
    // 1 when it compacted.
    int PurgeDatabases();

    // Imports and downloads: the grid position comes from the WGS84 one. When
    // it cannot be converted both show an "Error! " message; the import then
    // adds nothing and the test answers false.
    int AddImportedWaypoint(GPSrecord rec);
    bool CheckWptExistence(GPSrecord rec);
    // Whether the record is a point of the current search area (the test
    // the document installs; false without one).
    bool IsSearchFieldPoint(const GPSrecord& rec);
    void SetSearchPointTest(std::function<bool(const GPSrecord&)> test) {
        m_SearchPointTest = std::move(test);
    }

    bool CreateTemporary() const { return m_CreateTemporary; }
    void ToggleCreateTemporary() { m_CreateTemporary = !m_CreateTemporary; }
    void SetDialogs(IWptDialogs* dialogs) { m_Dialogs = dialogs; }

    // ---- undo ----
    void Undo(int n);  // n = 0 or 1: the last step; more: that many entries
    bool CanUndo() const { return m_Undo.Count() > 0; }
    CUndoStack& UndoStack() { return m_Undo; }

private:
    static int Clamp(int q) { return q < 0 ? 0 : q >= kBaseCount ? kBaseCount - 1 : q; }
    static bool Valid(int q) { return q >= 0 && q < kBaseCount; }
    std::string BaseFolder() const;
    bool IsAutoRecordName(const std::string& name, int base) const;
    int MoveAcrossBases(const WaypointRecord& old, int index, const WaypointRecord& moved);
    bool GridPosition(const GPSrecord& rec, CPointD& p);
    void Notify(const WaypointRecord& rec) {
        if (m_Update) m_Update(kHintWaypoint, &rec);
    }
    void ReportWriteFailure(WptBase& base, const std::string& text);
    // Whether a record of base q other than index may carry name: false only
    // when the integrity check's name table proves there is none.
    bool MayHaveDuplicate(int q, int index, const std::string& name) const;

    AppSettings& m_Settings;
    CMemoryCounters& m_Memory;
    const CGeoTransform& m_Geo;
    bool m_NewDatabase;
    DocUpdateSink m_Update;
    IWptDialogs* m_Dialogs = nullptr;
    std::function<bool(const GPSrecord&)> m_SearchPointTest;
    std::vector<WptBase> m_Bases;
    std::vector<int> m_Claims;    // "TEMP" holds one permanent claim
    std::vector<int> m_SelLevel;  // sector selection level per base, -1 none
    bool m_BasesToClose = false;  // an operation opened bases outside the claims
    bool m_CreateTemporary = false;
    bool m_CounterWriteFailShown = false;
    // The counter files as last read whole or written; empty: unknown, so
    // the next write goes to the file. Unchanged counts are not written again.
    std::vector<std::int32_t> m_StoredCounters[2];
    std::vector<std::int32_t> CounterTable(int which) const;
    CUndoStack m_Undo;
    // While the integrity check walks a base: the sorted name keys of its live
    // records, so that the duplicate search runs only where a name recurs.
    int m_NameTableBase = -1;
    std::vector<std::uint64_t> m_NameTable;
};
