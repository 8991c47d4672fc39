#pragma once
// The one document: a thin front over the program's stores, which it owns
// from construction to destruction. The stores are plain classes in their own
// files (waypoint database, track log, segment cache, elevation cache, image
// map); the functions here are the entry points the rest of the program
// calls, and they forward to the store that does the work. The drawing code
// of the document lives in mapdraw/.

#include <functional>
#include <string>
#include <vector>

#include "doc/DmrCache.h"
#include "doc/DocServices.h"
#include "doc/DocView.h"
#include "doc/GuardBand.h"
#include "doc/ImageMapArchive.h"
#include "doc/ImageMapStore.h"
#include "doc/MapOriginDialog.h"
#include "doc/MapViewDesc.h"
#include "doc/RefPointStore.h"
#include "doc/SearchArea.h"
#include "doc/SegmentCache.h"
#include "doc/TrackLogStore.h"
#include "doc/WptDatabase.h"
#include "doc/WptSelection.h"

struct AppSettings;
class CCommandMap;
class ISearchAreaDialog;
class ISearchGpsLink;

class CVornaDoc {
public:
    // settings: the settings the stores use; the document writes the ones it
    // changes at run time (the new-waypoint level) back into it.
    CVornaDoc(AppSettings& settings, const DocServices& services);
    ~CVornaDoc();
    CVornaDoc(const CVornaDoc&) = delete;
    CVornaDoc& operator=(const CVornaDoc&) = delete;

    // ---- the stores ----------------------------------------------------------
    CWptDatabase& Waypoints() { return m_Waypoints; }
    CTrackLogStore& TrackLogStore() { return m_TrackLog; }
    CSegmentCache& Segments() { return m_Segments; }
    CDmrCache& Heights() { return m_Heights; }
    CImageMapStore& ImageMap() { return m_Image; }
    CSearchArea& SearchArea() { return m_Search; }

    // ---- views and update hints ----------------------------------------------
    void AddView(IDocView* view);
    void RemoveView(IDocView* view);
    const std::vector<IDocView*>& Views() const { return m_Views; }
    void UpdateAllViews(IDocView* sender, long hint = kHintAll, const void* hintObject = nullptr);

    // ---- lifecycle -----------------------------------------------------------
    bool OnNewDocument();
    bool OnOpenDocument(const std::string& path);
    void DeleteContents();

    // ---- the stores at the end of a run (StoreExit.cpp) ------------------------
    // One file of the stores whose changes are not written yet.
    struct StoreFile {
        enum Kind { Base, Counters, TrackLog, SearchArea } kind;
        int index = 0;  // the base, or the counter file (0 "WAutoCnt", 1 "WAutoDel")
    };
    std::vector<StoreFile> UnsavedStoreFiles() const;
    bool HasUnsavedStores() const {
        return m_Waypoints.HasUnsavedChanges() || m_TrackLog.Modified() || m_Search.Modified();
    }
    // "" when written, else the message naming the file and the reason.
    std::string WriteStoreFile(const StoreFile& file);
    // Its changes are dropped: the file keeps its old content.
    void GiveUpStoreFile(const StoreFile& file);
    enum class StoreExit {
        // A normal exit while the window is up: each file that cannot be
        // written is named with its reason, and the user tries again or
        // quits without saving it.
        Ask,
        // The session ends and nobody answers: what cannot be written is
        // given up and listed in the note shown at the next start.
        SessionEnd,
        // The session asks for the data and may go on: the same, but every
        // change stays for the next attempt.
        Commit,
    };
    // Writes every file with changes; the messages of those left unwritten.
    // sessionEnding: asked after each box; true ends the asking (a session
    // end has taken over).
    std::vector<std::string> SaveStoresAtExit(StoreExit mode,
                                              const std::function<bool()>& sessionEnding = {});
    // Start folder + "NotSaved.txt": the files a session end could not write.
    std::string NotSavedNoteName() const;

    // ---- grids ---------------------------------------------------------------
    static constexpr double kAreaWest = ::kAreaWest;
    static constexpr double kAreaEast = ::kAreaEast;
    static constexpr double kAreaSouth = ::kAreaSouth;
    static constexpr double kAreaNorth = ::kAreaNorth;
    static bool IsInsideMapArea(int mapType, double E, double N) { return ::IsInsideMapArea(mapType, E, N); }
    static int GetQuadrantIndex(double E, double N) { return ::GetQuadrantIndex(E, N); }
    static char QuadrantLetter(int k) { return ::QuadrantLetter(k); }
    const std::string& GetQuadrantName(int q) const { return QuadrantName(q); }
    std::string GetQuadrantNameAt(double E, double N) const { return QuadrantName(GetQuadrantIndex(E, N)); }
    // 784 for a temporary flag word, else the quadrant.
    static int GetWaypointQuadrantOf(int flags, double E, double N) {
        return (flags & kWptTemporary) ? kTempBase : GetQuadrantIndex(E, N);
    }
    int GetSegmentIndex(const MapViewDesc& desc, double E, double N) const {
        return m_Segments.GetSegmentIndex(desc.mapType, E, N);
    }
    int GetSegmentIndex(int series, double E, double N) const {
        return m_Segments.GetSegmentIndex(series, E, N);
    }
    const std::string& GetSegmentName(const MapViewDesc& desc, int index) const {
        return m_Segments.GetSegmentName(desc.mapType, index);
    }
    const std::string& GetSegmentName(int series, int index) const {
        return m_Segments.GetSegmentName(series, index);
    }
    MapSize GetMapSizePixels(const MapViewDesc& desc) const;
    std::string GetMapCaption(int mapType) const;

    // ---- segment cache (CSegmentCache) ---------------------------------------
    bool ReadMapSegment(const MapViewDesc& desc, int index) {
        return m_Segments.ReadMapSegment(desc.mapType, index);
    }
    // trace nonzero on print passes (the debug log).
    void SelectActiveMapSegments(const MapViewDesc& desc, const CRectD& area, SegmentFlags& flags,
                                 int trace) {
        m_Segments.SelectActiveMapSegments(desc.mapType, area, flags, trace != 0);
    }
    void RemoveMapSegments(const MapViewDesc& desc, int index, SegmentFlags& flags) {
        m_Segments.RemoveMapSegments(desc.mapType, index, flags);
    }
    bool ClaimMapSegment(const MapViewDesc& desc, int index, SegmentFlags& flags) {
        return m_Segments.ClaimMapSegment(desc.mapType, index, flags);
    }
    SegmentSeries& Series(int series) { return m_Segments.Series(series); }
    const SegmentSeries& Series(int series) const { return m_Segments.Series(series); }
    const std::uint8_t* SegmentPixels(int series, int index) const {
        return m_Segments.SegmentPixels(series, index);
    }
    const std::uint8_t* SegmentRows(int series, int index, int lo, int hi) const {
        return m_Segments.SegmentRows(series, index, lo, hi);
    }
    std::string SegmentFilePath(int series, int index, const char* ext) const {
        return m_Segments.SegmentFilePath(series, index, ext);
    }
    // The claim pass on the quadrant grid for the waypoint bases.
    void SelectActiveWptQuadrants(const CRectD& area, QuadrantFlags& flags, int /*trace*/) {
        m_Waypoints.SelectActiveWptQuadrants(area, flags);
    }

    // ---- elevation cache (CDmrCache) -----------------------------------------
    static constexpr int kDmrSide = CDmrCache::kSide;
    static constexpr int kDmrEntries = CDmrCache::kEntries;
    int ReadDmrQuadrant(int q, QuadrantFlags& flags) { return m_Heights.ReadDmrQuadrant(q, flags); }
    void CloseDmrQuadrant(int q, QuadrantFlags& flags) { m_Heights.CloseDmrQuadrant(q, flags); }
    double GetDmrZ(int n, int e, QuadrantFlags& flags, int absFlag) {
        return m_Heights.GetDmrZ(n, e, flags, absFlag != 0);
    }
    double GetDmrZAt(double E, double N) { return m_Heights.GetDmrZAt(E, N); }
    int DmrClaimCount(int q) const { return m_Heights.ClaimCount(q); }
    bool DmrLoaded(int q) const { return m_Heights.Loaded(q); }

    // ---- waypoint database (CWptDatabase) ------------------------------------
    void ReadWptCounters() { m_Waypoints.ReadWptCounters(); }
    void WriteWptCounters() { m_Waypoints.WriteWptCounters(); }
    int OpenQuadrantWptFile(int q) { return m_Waypoints.OpenQuadrantWptFile(q); }
    int CloseQuadrantWptFile(int q) { return m_Waypoints.CloseQuadrantWptFile(q); }
    int SaveAllWptBases() { return m_Waypoints.SaveAllWptBases(); }
    void OnSaveWptDatabase() { m_Waypoints.SaveAllWptBases(); }
    void CloseUnusedQuadrants() { m_Waypoints.CloseUnusedQuadrants(); }
    int GetLiveWptCount(int q) const { return m_Waypoints.GetLiveWptCount(q); }
    void ClaimWptBase(int q) { m_Waypoints.ClaimWptBase(q); }
    void ReleaseWptBase(int q, const std::string& operation) { m_Waypoints.ReleaseWptBase(q, operation); }
    const WaypointRecord* GetWptRecord(int base, int index) const {
        return m_Waypoints.GetWptRecord(base, index);
    }
    std::string GetNewAutoWptName(int base) { return m_Waypoints.GetNewAutoWptName(base); }
    std::string CheckTemporaryWptName(const std::string& name, bool showErrors) {
        return m_Waypoints.CheckTemporaryWptName(name, showErrors);
    }
    int NewNamedWptNameOK(WaypointRecord* rec, int skipIndex, bool allowReplace) {
        return m_Waypoints.NewNamedWptNameOK(rec, skipIndex, allowReplace);
    }
    bool CheckNewWptDistance(const WaypointRecord& rec) { return m_Waypoints.CheckNewWptDistance(rec); }
    // Fills out with a copy of the nearest record.
    int GetClosestWptIndex(WaypointRecord* out, CPointD pos, int rx, int ry) {
        return m_Waypoints.GetClosestWptIndex(out, pos, rx, ry);
    }
    int CreateWaypoint(double E, double N, WptCreateMode mode, int mapType, const std::string& name,
                       const std::string& comment, std::int32_t time) {
        return m_Waypoints.CreateWaypoint(E, N, mode, mapType, name, comment, time);
    }
    int RegisterNewWpt(WaypointRecord rec, int linked) { return m_Waypoints.RegisterNewWpt(rec, linked); }
    int RegisterChangedWpt(WaypointRecord rec, int index) {
        return m_Waypoints.RegisterChangedWpt(rec, index);
    }
    int EditWaypoint(WaypointRecord rec, int index) { return m_Waypoints.EditWaypoint(rec, index); }
    int DeleteWaypoint(WaypointRecord rec, int index) { return m_Waypoints.DeleteWaypoint(rec, index); }
    int MoveWaypoint(WaypointRecord rec, int index, CPointD pos) {
        return m_Waypoints.MoveWaypoint(rec, index, pos);
    }
    int SetWptLevel(WaypointRecord rec, int index, int level) {
        return m_Waypoints.SetWptLevel(rec, index, level);
    }
    int SetWptLabelPosition(WaypointRecord rec, int index, int label) {
        return m_Waypoints.SetWptLabelPosition(rec, index, label);
    }
    int ChangeWptTo(WaypointRecord rec, int index) { return m_Waypoints.ChangeWptTo(rec, index); }
    int AddImportedWaypoint(GPSrecord rec) { return m_Waypoints.AddImportedWaypoint(std::move(rec)); }
    bool CheckWptExistence(GPSrecord rec) { return m_Waypoints.CheckWptExistence(std::move(rec)); }
    int CheckWptRecord(WaypointRecord* rec, const std::string& location, int index, int base) {
        return m_Waypoints.CheckWptRecord(rec, location, index, base);
    }
    void UpdateWptSelectionFlag(int base, int index, int level) {
        m_Waypoints.UpdateWptSelectionFlag(base, index, level);
    }
    static int GetWptBaseIndex(const WaypointRecord& rec) { return CWptDatabase::GetWptBaseIndex(rec); }
    void OnCreateTempWpts() { m_Waypoints.ToggleCreateTemporary(); }
    void OnNewWptLevel(int level);  // -1 automatic, 0..4
    void SetWptDialogs(IWptDialogs* dialogs) { m_Waypoints.SetDialogs(dialogs); }
    // The document commands of the waypoint database and the track log
    // (undo, new-waypoint kind and level, save database, clear track log).
    void AddWptCommands(CCommandMap& map);
    void Undo(int n) { m_Waypoints.Undo(n); }
    void OnEditUndo() { m_Waypoints.Undo(0); }
    bool CanUndo() const { return m_Waypoints.CanUndo(); }
    void ClearUndoStack() { m_Waypoints.UndoStack().Clear(); }
    // Database integrity check and compaction (1 done; see CWptDatabase).
    int CheckDatabaseIntegrity();
    int PurgeDatabases();
    void OnSyncWptDatabase();

    // ---- waypoint selection by sector (WptSelection.cpp) ---------------------
    int SectorSelLevel(int q) const { return m_Waypoints.SelectionLevel(q); }
    void SelectSectorWpts(int q, int level) { m_Waypoints.SelectSectorWpts(q, level); }
    int CountSelectedWpts(int q) const { return m_Waypoints.CountSelectedWpts(q); }
    bool WptBaseLoaded(int q) const;
    // Stores a base's level and marks it: what the sector dialog changes.
    void SetSectorSelection(int q, int level);
    void SelectWptsAtPosition(CPointD pos, int level);
    void OnSelectAllTempWpts();
    // An ExportWptRunResult; mode 0 selection, 1 export.
    int RunExportWptDialog(int mode);
    void SetExportWptDialog(ExportWptDialogRunner run) { m_ExportWptDialog = std::move(run); }
    void SetWptUpload(WptUploadSink sink) { m_WptUpload = std::move(sink); }
    const WptUploadSink& WptUpload() const { return m_WptUpload; }
    void AddSelectionCommands(CCommandMap& map);

    // ---- track log (CTrackLogStore) ------------------------------------------
    int ReadBinaryTrackLogFile(const std::string& name) { return m_TrackLog.Read(name); }
    int WriteBinaryTrackLogFile(const std::string& name) { return m_TrackLog.Write(name); }
    void ClearTrackLog(int n) { m_TrackLog.Clear(n); }
    int ReallocateTrackLog() { return m_TrackLog.Reallocate(); }
    void OnClearTrackLog();
    int GetClosestTrackPointIndex(TrackPoint* out, CPointD pos, int rx, int ry) const {
        return m_TrackLog.ClosestPoint(out, pos, rx, ry);
    }

    // ---- image map (CImageMapStore) ------------------------------------------
    void DeallocateImageMemory() { m_Image.Deallocate(); }
    bool Serialize(CImageMapArchive& ar) { return m_Image.Serialize(ar); }
    bool OnSaveDocument(const std::string& path) { return m_Image.Save(path); }

    // ---- reference points and georeference (ImageMapDoc.cpp) -----------------
    // Opens path as the image map. A file that cannot be opened is left to
    // the caller to report; a refused one was reported, and the image held
    // stays in both cases.
    enum class ImageOpen { Opened, NotOpened, Refused };
    ImageOpen OpenImageMap(const std::string& path);
    // True when path became the image map.
    bool InitBmp(const std::string& path) { return OpenImageMap(path) == ImageOpen::Opened; }
    bool ReadImageInf(const std::string& imagePath);
    bool WriteImageInf(const std::string& imagePath);
    bool ReadRefPoints(const std::string& imagePath) {
        return m_RefPoints.Read(ImageSidecarPath(imagePath, ".ref"));
    }
    bool WriteRefPoints(const std::string& imagePath) const {
        return m_RefPoints.Write(ImageSidecarPath(imagePath, ".ref"));
    }
    const CRefPointStore& RefPoints() const { return m_RefPoints; }
    int RefPointCount() const { return m_RefPoints.RefPointCount(); }
    bool AwaitingRefPixel() const { return m_RefPoints.AwaitingRefPixel(); }
    void SetRefPointMapCoords(double E, double N) { m_RefPoints.SetRefPointMapCoords(E, N); }
    void AddRefPointPixel(int x, int y);
    // The last point takes index k; hint 0.
    void DeleteRefPoint(int k);
    int GetClosestRefPointIndex(CPointD pos, int rx, int ry) const {
        return m_RefPoints.Closest(pos, rx, ry);
    }
    bool CalculateImageMapOrigin(int keep) { return m_RefPoints.Fit(m_Image.Georef, keep != 0); }
    void ImageMapResiduals() { m_RefPoints.Residuals(m_Image.Georef); }
    // "Calculate Map Origin" with its dialog, and the "Reference Points" menu.
    void OnCalculateMapOrigin();
    void AddImageMapCommands(CCommandMap& map);
    void SetMapOriginDialog(IMapOriginDialog* dialog) { m_MapOriginDialog = dialog; }
    // ---- search area (CSearchArea) ------------------------------------------
    const SearchAreaData& SearchData() const { return m_Search.Data(); }
    void ClearSearchField() { m_Search.ClearSearchField(); }
    int AddSearchFieldPoint(CPointD p) { return m_Search.AddSearchFieldPoint(p); }
    int NewRoute(int n) { return m_Search.NewRoute(n); }
    void AddRoutePoint(int n, CPointD p) { m_Search.AddRoutePoint(n, p); }
    void EndRoute(int n) { m_Search.EndRoute(n); }
    void DeleteRoute(int n) { m_Search.DeleteRoute(n); }
    int FindFirstRoute() const { return m_Search.FindFirstRoute(); }
    int FindNextRoute(int n) const { return m_Search.FindNextRoute(n); }
    int FindPreviousRoute(int n) const { return m_Search.FindPreviousRoute(n); }
    bool HasSearchArea() const { return m_Search.HasSearchArea(); }
    std::string SearchAreaDatName() const;  // start folder + "SearchArea"
    void SetSearchDialog(ISearchAreaDialog* dialog) { m_SearchDialog = dialog; }
    void SetSearchGpsLink(ISearchGpsLink* link) { m_SearchLink = link; }
    // "Load/Save/Clear Search Area...", "Delete Search Field...", "Search
    // Field Properties...", "Export to GPS..." and its second step 33059.
    void AddSearchCommands(CCommandMap& map);
    void OnLoadSearchArea();
    void OnSaveSearchArea();
    void OnClearSearchArea();
    void OnDeleteSearchField();
    void OnSearchFieldProperties();
    void OnExportSearchArea();
    void OnExportSearchRoutes();

    // ---- drawing state ---------------------------------------------------------
    // Area prepared by the last drawing pass (E1 west, E2 east, N1 north,
    // N2 south); the drawing code writes it, the map drawing reads it.
    CRectD VisibleArea;
    // 3-D ground area: near-left, near-right, far-left, far-right corners,
    // written by the 3-D view, read by the map's view-point marker.
    CPointD DmrGroundArea[4];
    int DmrGroundRange = 0;
    int DmrGroundValid = 0;
    // Map series last chosen in the sector dialog.
    int ExportSeries = 4;

    // What the document was made with, for the panes and painters that show it.
    AppSettings& Settings() const { return m_Settings; }
    CMemoryCounters& Memory() const { return m_Tally.memory; }
    const CGeoTransform& Geo() const { return m_Geo; }

private:
    friend struct DocTestAccess;  // tests damage a guard band
    struct DocumentTally {        // the "Documents" memory counter
        explicit DocumentTally(CMemoryCounters& m);
        ~DocumentTally();
        CMemoryCounters& memory;
    };

    AppSettings& m_Settings;
    std::vector<IDocView*> m_Views;
    DocumentTally m_Tally;
    bool m_FirstNewDocument = true;
    CImageMapStore m_Image;
    CRefPointStore m_RefPoints;
    IMapOriginDialog* m_MapOriginDialog = nullptr;
    CWptDatabase m_Waypoints;
    CGuardBand m_GuardAfterWaypoints;
    CTrackLogStore m_TrackLog;
    CGuardBand m_GuardAfterTrackLog;
    CSegmentCache m_Segments;
    CGuardBand m_GuardAfterSegments;
    CDmrCache m_Heights;
    CGuardBand m_GuardAfterHeights;
    CSearchArea m_Search;
    const CGeoTransform& m_Geo;
    ISearchAreaDialog* m_SearchDialog = nullptr;
    ISearchGpsLink* m_SearchLink = nullptr;
    bool SearchExportConvertible() const;
    // A newly read bitmap becomes the image map, placed only by its own
    // ".inf", with its own ".ref" points.
    void TakeImageMap(const std::string& path, LoadedBitmap&& bitmap);
    // The note a session end left: shown once, then removed.
    void ReportNotSavedAtLastEnd();
    ExportWptDialogRunner m_ExportWptDialog;
    WptUploadSink m_WptUpload;

public:
    // Declared after the stores they view, so that they are bound to built ones.
    // Read-only views of store data under the names the drawing code uses.
    const DibHeader& ImageHeader = m_Image.Header;
    const std::unique_ptr<std::uint8_t[]>& BmpData = m_Image.PixelBlock();
    const std::size_t& BmpDataSize = m_Image.Size();
    const std::size_t& BmpStride = m_Image.Stride();
    const ::ImageGeoref& ImageGeoref = m_Image.Georef;
    const int& ImageMapType = m_Image.MapType;
    const std::string& ImagePath = m_Image.Path;
    const TrackBase& TrackLog = m_TrackLog.Log();
};

// The one document of the run (null before it is made and after it is gone).
CVornaDoc* TheDoc();
