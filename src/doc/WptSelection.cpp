// Waypoint selection by sector: the levels per base, the marks they set, the
// sector dialog's run and the checks after it.

#include <algorithm>

#include "doc/VornaDoc.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/Prompt.h"

void CWptDatabase::SelectSectorWpts(int q, int level) {
    if (!Valid(q)) return;
    if (level >= 0) OpenQuadrantWptFile(q);
    const WptBase& b = m_Bases[std::size_t(q)];
    if (b.Loaded)
        for (int i = 0; i < b.Count; ++i) UpdateWptSelectionFlag(q, i, level);
    if (level < 0 && m_Claims[std::size_t(q)] <= 0) CloseQuadrantWptFile(q);
}

int CWptDatabase::CountSelectedWpts(int q) const {
    if (!Valid(q)) return 0;
    const WptBase& b = m_Bases[std::size_t(q)];
    if (!b.Loaded) return 0;
    const int n = std::min(b.Count, int(b.Data.size()));
    return int(std::count_if(b.Data.begin(), b.Data.begin() + n, [](const WaypointRecord& r) {
        return (r.Flags & kWptSelected) && !WptIsDeleted(r);
    }));
}

bool CVornaDoc::WptBaseLoaded(int q) const { return q >= 0 && q < kBaseCount && m_Waypoints.Base(q).Loaded; }

void CVornaDoc::SetSectorSelection(int q, int level) {
    if (q < 0 || q >= kBaseCount) return;
    // Stored first: a base opened on the way must stay open and get its marks.
    m_Waypoints.SetSelectionLevel(q, level);
    SelectSectorWpts(q, level);
}

void CVornaDoc::SelectWptsAtPosition(CPointD pos, int level) {
    const int q = GetQuadrantIndex(pos.easting, pos.northing);
    if (q < 0 || q >= kQuadrantCount) {
        MsgBox("Error! Coordinates out of range");
        return;
    }
    SetSectorSelection(q, level);
}

void CVornaDoc::OnSelectAllTempWpts() {
    SetSectorSelection(kTempBase, kSelectAllLevels);
    UpdateAllViews(nullptr, kHintAll);
}

void CVornaDoc::AddSelectionCommands(CCommandMap& map) {
    // The image popup's item of the same text has an id of its own.
    map.AddCommand(cmd::SelectAllTempWpts, [this] { OnSelectAllTempWpts(); });
    map.AddCommand(cmd::SelectAllTempWptsImage, [this] { OnSelectAllTempWpts(); });
}

int CVornaDoc::RunExportWptDialog(int mode) {
    ExportWptDialogData data;
    data.levels.resize(kBaseCount);
    for (int q = 0; q < kBaseCount; ++q) data.levels[std::size_t(q)] = SectorSelLevel(q);
    const std::vector<int> before = data.levels;
    data.series = ExportSeries;
    data.debugMode = m_Settings.debugMode != 0;
    int expected = 0;
    for (int q = 0; q < kBaseCount; ++q) expected += CountSelectedWpts(q);

    const int end = m_ExportWptDialog ? m_ExportWptDialog(*this, mode, data) : kExportDlgCancelled;
    int result = kExportRunCancelled;
    if (end == kExportDlgEnded && data.levels.size() == std::size_t(kBaseCount)) {
        for (int q = 0; q < kBaseCount; ++q) m_Waypoints.SetSelectionLevel(q, data.levels[std::size_t(q)]);
        ExportSeries = data.series;
        expected = data.total;
        result = data.closed ? kExportRunClosed : kExportRunExport;
    } else {
        // The dialog marked as it went: every base gets its former level back.
        for (int q = 0; q < kBaseCount; ++q) SetSectorSelection(q, before[std::size_t(q)]);
    }

    int total = 0;
    for (int q = 0; q < kBaseCount; ++q) {
        const std::string& name = GetQuadrantName(q);
        const bool wanted = m_Waypoints.Claims(q) > 0 || SectorSelLevel(q) >= 0;
        if (wanted && !WptBaseLoaded(q)) {
            MsgBox("Error! WptAutoBase in '" + name + "' is NOT opend after exit from export dialog!");
            OpenQuadrantWptFile(q);
        } else if (!wanted && WptBaseLoaded(q)) {
            MsgBox("Error! WptAutoBase in '" + name + "' is LEFT opend after exit from export dialog!");
            CloseQuadrantWptFile(q);
        }
        const int marked = CountSelectedWpts(q);
        total += marked;
        if (SectorSelLevel(q) < 0 && marked > 0)
            MsgBox("Error! Sector '" + name +
                   "' not selected, but selected count > 0 after exit from export dialog!");
    }
    if (total != expected) MsgBox("Expected waypoint count does not agree with real count!");
    return result;
}
