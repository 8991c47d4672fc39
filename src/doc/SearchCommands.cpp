// The document's search-area commands: load, save, clear, the field's
// properties and the export to a Waypoint+ file or the receiver.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>

#include "doc/SearchAreaLinks.h"
#include "doc/VornaDoc.h"
#include "doc/WptText.h"
#include "geo/Convert.h"
#include "geo/GeoTransform.h"
#include "platform/AtomicFile.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/DataFile.h"
#include "platform/Prompt.h"
#include "platform/WaitCursor.h"
#include "settings/AppSettings.h"

namespace {

const char kSadFilter[] = "Search Area Definition Files (*.sad);;All Files (*)";
const char kTooLarge[] =
    "Warning! The search field holds more than 26 bands or 65535 points: only the first of them are used.";

void KeepFolder(std::string& folder, const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos) folder = path.substr(0, slash + 1);
}

class CTextSink : public ISearchExportSink {
public:
    CTextSink(CWptExportFile& file, const AppSettings& s, const CGeoTransform& geo)
        : m_File(file), m_Settings(s), m_Geo(geo) {}
    bool Route(int counter, char letter) override {
        m_File.Add(Format("RouteName,%d,%c\n", counter, letter));
        return true;
    }
    bool Point(const WaypointRecord& rec, bool routePoint) override {
        WriteWptLine(m_File, rec, routePoint ? "RoutePoint" : "", m_Settings, m_Geo);
        return true;
    }

private:
    CWptExportFile& m_File;
    const AppSettings& m_Settings;
    const CGeoTransform& m_Geo;
};

// The link's list tells of a record it refuses (no room) itself; the export
// stops there.
class CUploadSink : public ISearchExportSink {
public:
    explicit CUploadSink(ISearchGpsLink& link) : m_Link(link) {}
    bool Route(int, char letter) override { return Took(m_Link.AddRouteToGPSdata(std::string(1, letter))); }
    bool Point(const WaypointRecord& rec, bool) override { return Took(m_Link.AddWaypointToGPSdata(rec)); }
    bool refused = false;

private:
    bool Took(bool added) {
        refused = refused || !added;
        return added;
    }
    ISearchGpsLink& m_Link;
};

// Fills the upload list afresh and starts the upload; a list that is busy or
// refuses a record sends nothing, since part of an area is no search plan.
void UploadSearchArea(ISearchGpsLink& link, const CSearchArea& area, bool routesOnly, bool routeThroughAll,
                      int operation, unsigned followUp) {
    if (!link.AllocateGPSdata(512)) {
        MsgBox("Error! The GPS link is busy with another transfer.");
        return;
    }
    CUploadSink sink(link);
    area.ExportSearchArea(sink, routesOnly, routeThroughAll);
    if (!sink.refused) link.StartUpload(operation, followUp);
}

}  // namespace

void CVornaDoc::OnLoadSearchArea() {
    if (m_Search.HasSearchArea() &&
        MsgBox("Would you like to save existing search area before loading new one?",
               MB_YESNO | MB_ICONQUESTION) == IDYES)
        OnSaveSearchArea();
    FileDialogRequest req;
    req.title = "Open";
    req.directory = m_Settings.searchAreaDir;
    req.filter = kSadFilter;
    req.defaultExt = "sad";
    if (!Prompter().OpenFile(req) || req.fileName.empty()) return;
    const std::string path = req.fileName;
    KeepFolder(m_Settings.searchAreaDir, path);
    CWaitCursor wait;
    std::string text;
    int error = 0;
    LoadStatus status = LoadStatus::Unreadable;
    try {
        status = ReadWholeFile(path, text, error);
    } catch (const std::bad_alloc&) {
        // Some huge file picked under "All Files".
    }
    // The refusal is read with the usual cursor.
    const auto refuse = [&](const char* why) {
        wait.Restore();
        MsgBox("Error! File " + path + why);
    };
    // The area in memory is replaced only by one read whole from a file of its
    // kind; a value no map of the area can use refuses it as a read error does.
    if (status != LoadStatus::Loaded) return refuse(" could not be read.");
    if (!IsSadText(text)) return refuse(" is not a search area definition file!");
    if (!m_Search.ReadSad(text)) return refuse(" could not be read.");
    UpdateAllViews(nullptr, kHintAll);
}

void CVornaDoc::OnSaveSearchArea() {
    FileDialogRequest req;
    req.title = "Save As";
    req.directory = m_Settings.searchAreaDir;
    req.filter = kSadFilter;
    req.defaultExt = "sad";
    req.confirmOverwrite = false;  // the question below is ours
    if (!Prompter().SaveFile(req) || req.fileName.empty()) return;
    const std::string& path = req.fileName;
    KeepFolder(m_Settings.searchAreaDir, path);
    std::error_code ec;
    if (std::filesystem::exists(path, ec) &&
        MsgBox("File " + path + " allready exists! Would you like to overwrite it?",
               MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (!WriteFileAtomically(path, m_Search.SadText())) {
        MsgBox("File " + path + " could not be created - it is probably write protected");
        return;
    }
    UpdateAllViews(nullptr, kHintAll);
}

void CVornaDoc::OnClearSearchArea() {
    if (MsgBox(
            "Do you really want to delete entire search area including its perimerer, search field and any "
            "search routes?",
            MB_YESNO | MB_ICONQUESTION) == IDNO)
        return;
    m_Search.ClearAll();
    UpdateAllViews(nullptr, kHintAll);
}

void CVornaDoc::OnDeleteSearchField() {
    if (MsgBox("Do you really want to delete search field defined by this point?",
               MB_YESNO | MB_ICONQUESTION) == IDNO)
        return;
    m_Search.ClearSearchField();
    UpdateAllViews(nullptr, kHintAll);
}

void CVornaDoc::OnSearchFieldProperties() {
    SearchAreaData& d = m_Search.Data();
    SearchFieldProperties p;
    p.bandWidth = d.BandWidth;
    p.pointDistance = d.PointDistance;
    p.pointsAtEdge = d.PointsAtEdge;
    p.routeThroughAll = m_Settings.searchRouteThroughAll;
    p.headingEditable = IsSearchPointSet(d.BaseStart) && IsSearchPointSet(d.DirectionEnd);
    if (p.headingEditable) {
        double a = std::atan2(d.DirectionEnd.easting - d.BaseStart.easting,
                              d.DirectionEnd.northing - d.BaseStart.northing);
        if (a < 0) a += 6.283185308;
        // Whole degrees; one that rounds up to a whole turn is north.
        p.heading = SaturateToInt(a * 57.29577950560105 + 0.5) % 360;
    }
    const int before = p.heading;
    if (!m_SearchDialog || !m_SearchDialog->RunSearchAreaDialog(p)) return;
    d.BandWidth = p.bandWidth;
    d.PointDistance = p.pointDistance;
    d.PointsAtEdge = p.pointsAtEdge;
    m_Settings.searchRouteThroughAll = p.routeThroughAll;
    if (p.headingEditable && p.heading != before) {
        const double L = std::hypot(d.BaseStart.easting - d.DirectionEnd.easting,
                                    d.BaseStart.northing - d.DirectionEnd.northing);
        const double h = p.heading * 0.017453292522222223;
        d.DirectionEnd.northing = d.BaseStart.northing + L * std::cos(h);
        d.DirectionEnd.easting = d.BaseStart.easting + L * std::sin(h);
    }
    SearchGrid g;
    if (MakeSearchGrid(d, g) && g.capped) MsgBox(kTooLarge);
    UpdateAllViews(nullptr, kHintAll);
}

bool CVornaDoc::SearchExportConvertible() const {
    // One failed conversion is reported once, not for each of many points.
    SearchGrid g;
    const SearchAreaData& d = m_Search.Data();
    if (!MakeSearchGrid(d, g)) return true;
    double lat = 0, lon = 0;
    if (m_Geo.GKToWGS84(d.BaseStart.easting, d.BaseStart.northing, lat, lon)) return true;
    MsgBox("Error! Geodetic transformation parameters not set.");
    return false;
}

void CVornaDoc::OnExportSearchArea() {
    const bool T = m_Settings.searchRouteThroughAll != 0, G = m_Settings.exportToGps != 0;
    SearchGrid g;
    if (MakeSearchGrid(m_Search.Data(), g) && g.capped) MsgBox(kTooLarge);
    if (!SearchExportConvertible()) return;
    if (G) {
        if (!m_SearchLink) {
            MsgBox("Error! The GPS link is not available.");
            return;
        }
        if (T)
            UploadSearchArea(*m_SearchLink, m_Search, false, T, kUploadRoutes, 0);
        else
            UploadSearchArea(*m_SearchLink, m_Search, false, T, kUploadWaypoints, cmd::ExportToGpsRoutes);
        return;
    }
    CWptExportFile file;
    if (!file.Open(m_Settings.searchAreaDir, "", m_Settings)) return;
    CTextSink sink(file, m_Settings, m_Geo);
    m_Search.ExportSearchArea(sink, false, T);
    if (!T) m_Search.ExportSearchArea(sink, true, T);
    file.Close();
}

void CVornaDoc::OnExportSearchRoutes() {
    if (m_Settings.searchRouteThroughAll || !m_Settings.exportToGps || !m_SearchLink) return;
    UploadSearchArea(*m_SearchLink, m_Search, true, false, kUploadRoutes, 0);
}

void CVornaDoc::AddSearchCommands(CCommandMap& map) {
    const auto has = [this](CCmdUI& ui) { ui.Enable(m_Search.HasSearchArea()); };
    map.AddCommand(cmd::LoadSearchArea, [this] { OnLoadSearchArea(); });
    map.AddCommand(cmd::SaveSearchArea, [this] { OnSaveSearchArea(); });
    map.AddUpdate(cmd::SaveSearchArea, has);
    map.AddCommand(cmd::ClearSearchArea, [this] { OnClearSearchArea(); });
    map.AddUpdate(cmd::ClearSearchArea, has);
    map.AddCommand(cmd::DeleteSearchField, [this] { OnDeleteSearchField(); });
    map.AddUpdate(cmd::DeleteSearchField, [this](CCmdUI& ui) { ui.Enable(m_Search.HasFieldPoint()); });
    map.AddCommand(cmd::SearchFieldProperties, [this] { OnSearchFieldProperties(); });
    map.AddCommand(cmd::ExportToGps, [this] { OnExportSearchArea(); });
    map.AddUpdate(cmd::ExportToGps, has);
    map.AddCommand(cmd::ExportToGpsRoutes, [this] { OnExportSearchRoutes(); });
}
