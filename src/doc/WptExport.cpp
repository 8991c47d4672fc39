#include "doc/WptExport.h"

#include <vector>

#include "doc/VornaDoc.h"
#include "doc/WptText.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

namespace {

constexpr int kUploadRoom = 512;

// The file or the upload list one export writes into.
class CWptExportTarget {
public:
    CWptExportTarget(CVornaDoc& doc, AppSettings& settings, const CGeoTransform& geo)
        : m_Doc(doc), m_Settings(settings), m_Geo(geo), m_ToGps(settings.exportToGps != 0) {}

    bool Open() {
        if (!m_ToGps) return m_File.Open(m_Settings.wptExportDir, "", m_Settings);
        const WptUploadSink& up = m_Doc.WptUpload();
        if (!up.begin || !up.add || !up.start) {
            MsgBox("Error! No GPS link for the waypoint upload.");
            return false;
        }
        if (!up.begin(kUploadRoom)) {
            MsgBox("Error! The GPS link is busy with another transfer.");
            return false;
        }
        return true;
    }
    // rec is a copy: writing may prompt, and the base may change meanwhile.
    void Add(const WaypointRecord rec) {
        if (WptIsDeleted(rec)) return;
        if (m_ToGps) {
            const WptUploadSink& up = m_Doc.WptUpload();
            if (up.add && up.add(rec)) ++m_Count;
        } else {
            WriteWptLine(m_File, rec, "", m_Settings, m_Geo);
            ++m_Count;
        }
    }
    int Close() {
        if (m_ToGps) {
            if (m_Doc.WptUpload().start) m_Doc.WptUpload().start();
            return m_Count;
        }
        return m_File.Close() ? m_Count : -1;
    }

private:
    CVornaDoc& m_Doc;
    AppSettings& m_Settings;
    const CGeoTransform& m_Geo;
    bool m_ToGps;
    CWptExportFile m_File;
    int m_Count = 0;
};

// Copies of the records of a loaded base that pass keep: nothing in the base
// is looked at again once the first line may have prompted.
template <class Keep>
std::vector<WaypointRecord> RecordsOf(const CVornaDoc& doc, int q, Keep keep) {
    std::vector<WaypointRecord> out;
    for (int i = 0;; ++i) {
        const WaypointRecord* r = doc.GetWptRecord(q, i);
        if (!r) break;
        if (keep(*r)) out.push_back(*r);
    }
    return out;
}

}  // namespace

int ExportSelectedWpts(CVornaDoc& doc, AppSettings& settings, const CGeoTransform& geo) {
    CWptExportTarget target(doc, settings, geo);
    if (!target.Open()) return -1;
    for (int q = 0; q < kBaseCount; ++q) {
        if (doc.SectorSelLevel(q) < 0) continue;
        // A base read here gets the marks of its level on loading.
        if (!doc.WptBaseLoaded(q) && !doc.OpenQuadrantWptFile(q)) continue;
        for (const WaypointRecord& r :
             RecordsOf(doc, q, [](const WaypointRecord& w) { return (w.Flags & kWptSelected) != 0; }))
            target.Add(r);
    }
    return target.Close();
}

int OnFileExportWptPrinted(CVornaDoc& doc, AppSettings& settings, const CGeoTransform& geo, double left,
                           double right, double top, double bottom) {
    CWptExportTarget target(doc, settings, geo);
    if (!target.Open()) return -1;
    // Claimed for the run: a quadrant that no pane shows is read all the same.
    // Every quadrant that meets the closed rectangle, a line or point included.
    QuadrantFlags claims{};
    for (int q = 0; q < kQuadrantCount; ++q) {
        const double west = kAreaWest + (q % kQuadrantsPerSide) * double(kQuadrantMetres);
        const double north = kAreaNorth - (q / kQuadrantsPerSide) * double(kQuadrantMetres);
        if (west <= right && west + kQuadrantMetres > left && north - kQuadrantMetres <= top &&
            north > bottom) {
            claims[std::size_t(q)] = 1;
            doc.ClaimWptBase(q);
            doc.OpenQuadrantWptFile(q);
        }
    }
    doc.ClaimWptBase(kTempBase);
    bool missingShown = false;
    for (int q = 0; q < kBaseCount; ++q) {
        if (!doc.WptBaseLoaded(q)) {
            const bool inside = q == kTempBase || (q < kQuadrantCount && claims[std::size_t(q)]);
            if (inside && !missingShown) {
                missingShown = true;
                MsgBox("Error! Auto Waypoint base not opened in OnFileExportWptPrinted!");
            }
            continue;
        }
        for (const WaypointRecord& r : RecordsOf(doc, q, [&](const WaypointRecord& w) {
                 return w.E >= left && w.E <= right && w.N >= bottom && w.N <= top;
             }))
            target.Add(r);
    }
    for (int q = 0; q < kQuadrantCount; ++q)
        if (claims[std::size_t(q)]) doc.ReleaseWptBase(q, "OnFileExportWptPrinted");
    doc.ReleaseWptBase(kTempBase, "OnFileExportWptPrinted");
    doc.CloseUnusedQuadrants();
    return target.Close();
}
