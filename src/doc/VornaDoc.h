#pragma once
// The one document: owns every data store of the program from construction
// to destruction. Its members are defined in several files of doc/ (and the
// drawing code in view/), each beside the store it belongs to.
//
// The class is laid out in sections, one per group of stores. Keep each
// group's members and operations inside its own section.

#include <string>
#include <vector>

#include "doc/DibFormat.h"
#include "doc/DocView.h"
#include "doc/ImageMapArchive.h"
#include "doc/ImageMapGeoref.h"
#include "doc/GpsRecord.h"
#include "doc/Undo.h"
#include "doc/WptDialogs.h"
#include "doc/MapViewDesc.h"
#include "doc/SegmentCache.h"
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
    //
    // Grids. The covered area runs from easting 370000 to 650000 and
    // northing 4940000 to 5220000. Quadrants are 10 km squares, row 0 the
    // northern row, column 0 the western one, index = row * 28 + column
    // (784 = "TEMP", no area). A series of N segments per side numbers its
    // segments the same way: index = row * N + column.
    static constexpr double kAreaWest = 370000.0;
    static constexpr double kAreaEast = 650000.0;
    static constexpr double kAreaSouth = 4940000.0;
    static constexpr double kAreaNorth = 5220000.0;

    // Series (mapType >= 0) and inside the area, all four edges included.
    static bool IsInsideMapArea(int mapType, double E, double N);
    // -1 outside; the southern and western edges are inside, the northern
    // and eastern ones outside. Non-finite input gives -1.
    static int GetQuadrantIndex(double E, double N);
    // Letter code of a row or column: '-' below 1, 'A'..'Z', '+' above 26.
    static char QuadrantLetter(int k);
    // Two letters (row, column), "TEMP" for 784, "" for other indexes.
    const std::string& GetQuadrantName(int q) const;
    std::string GetQuadrantNameAt(double E, double N) const;  // "" outside
    // 784 when the flag word has the temporary bit 0x0008, else the quadrant.
    static int GetWaypointQuadrantOf(int flags, double E, double N);

    // Segment of the descriptor's series holding (E, N); -1 outside or for
    // image maps. The series overload takes the map type 0..4.
    int GetSegmentIndex(const MapViewDesc& desc, double E, double N) const;
    int GetSegmentIndex(int series, double E, double N) const;
    // "AC", "AC10" (TK25), "AC24" (TN10); "" for a bad index or series.
    const std::string& GetSegmentName(const MapViewDesc& desc, int index) const;
    const std::string& GetSegmentName(int series, int index) const;
    MapSize GetMapSizePixels(const MapViewDesc& desc) const;
    std::string GetMapCaption(int mapType) const;

    // Segment cache. Each consumer owns a SegmentFlags array of its series'
    // segment count (an array of another length is resized, zero-filled).
    // Claimed segments are decoded once whatever the number of consumers.
    //
    // Loads segment index of the series unless loaded; false when neither
    // its ".mif" nor its ".bmp" can be read.
    bool ReadMapSegment(const MapViewDesc& desc, int index);
    // The claim pass: drops the consumer's claims, claims the segments that
    // cover area (E1 west, E2 east, N1 north, N2 south), frees unclaimed
    // pixels and loads claimed segments. A zero-width or zero-height area
    // only releases. trace = 1 on print passes (debug log).
    void SelectActiveMapSegments(const MapViewDesc& desc, const CRectD& area, SegmentFlags& flags,
                                 int trace);
    // Frees one loaded segment claimed by this consumer (the 3-D view).
    void RemoveMapSegments(const MapViewDesc& desc, int index, SegmentFlags& flags);
    // Claims one segment for this consumer (once) and loads it; true when
    // its pixels are in memory. For consumers that work segment by segment.
    bool ClaimMapSegment(const MapViewDesc& desc, int index, SegmentFlags& flags);
    // The claim pass on the quadrant grid for the waypoint bases.
    void SelectActiveWptQuadrants(const CRectD& area, QuadrantFlags& flags, int trace);

    // Cache tables of a series (0..4); a series with no tables has count 0.
    SegmentSeries& Series(int series) { return SegCache[ClampSeries(series)]; }
    const SegmentSeries& Series(int series) const { return SegCache[ClampSeries(series)]; }
    // Pixels of a loaded segment (bottom-up, Series(s).Stride() per row,
    // Series(s).pixels rows), or null.
    const std::uint8_t* SegmentPixels(int series, int index) const;
    // Full path of a segment file, ext ".mif" or ".bmp".
    std::string SegmentFilePath(int series, int index, const char* ext) const;

    // Elevation cache: one 100 x 100 grid of heights per quadrant, node
    // (row, column) at 100 m steps from the quadrant's south-west corner.
    // Node coordinates are hectometres: n = northing / 100, e = easting / 100.
    //
    // Claims quadrant q for the consumer (the caller claims only when its
    // flag is clear); 1, or 0 when the file was missing (all heights -1).
    int ReadDmrQuadrant(int q, QuadrantFlags& flags);
    // Releases the consumer's claim; the heights go with the last claim.
    void CloseDmrQuadrant(int q, QuadrantFlags& flags);
    // Height in hectometres at node (n, e), claiming its quadrant for the
    // consumer when needed; -1.0 outside the area, -0.01 where the file was
    // missing. absFlag nonzero: the absolute value.
    double GetDmrZ(int n, int e, QuadrantFlags& flags, int absFlag);
    // Height in hectometres at the node nearest (E, N), on the document's
    // own claims (the status text).
    double GetDmrZAt(double E, double N);
    int DmrClaimCount(int q) const { return q >= 0 && q < kQuadrantCount ? DmrQInUse[q] : 0; }
    bool DmrLoaded(int q) const { return q >= 0 && q < kQuadrantCount && DmrData[q] != nullptr; }

    static constexpr int kDmrSide = 100;
    static constexpr int kDmrEntries = kDmrSide * kDmrSide;
    QuadrantFlags DmrOwnFlags{};  // the document's own claims on heights

    // END SECTION grids-segments-elevation

    // ---- waypoint database, counters, track log, naming, undo ----------
    // BEGIN SECTION waypoints
    // Bases and counters. Bases are addressed by index 0..784 (784 "TEMP");
    // hold (base, index) and look a record up again on each use: a base may
    // grow or close between two calls.
    void ReadWptCounters();
    void WriteWptCounters();
    int OpenQuadrantWptFile(int quadrant);   // 1 loaded, 0 refused (unreadable file)
    int CloseQuadrantWptFile(int quadrant);  // 1 closed, 0 kept loaded (write failed)
    int ReadBinaryWaypointFile(const std::string& name, WptBase& base);
    int WriteBinaryWaypointFile(const std::string& name, WptBase& base);
    int SaveAllWptBases();  // 1 every loaded base written
    void CloseUnusedQuadrants();
    int GetLiveWptCount(int q) const;
    int ReallocateBase(WptBase& base);  // 1 grown, 0 refused (nothing may be appended)
    void ClaimWptBase(int q);
    void ReleaseWptBase(int q, const std::string& operation);
    const WaypointRecord* GetWptRecord(int base, int index) const;  // null when absent
    void OnSaveWptDatabase();

    // Track log.
    int ReadBinaryTrackLogFile(const std::string& name);
    int WriteBinaryTrackLogFile(const std::string& name);
    void ClearTrackLog(int n);
    int ReallocateTrackLog();  // 1 grown, 0 refused
    void OnClearTrackLog();

    // Naming rules.
    std::string GetNewAutoWptName(int base);
    std::string CheckTemporaryWptName(std::string name, bool showErrors);
    int NewNamedWptNameOK(WaypointRecord* rec, int skipIndex, bool allowReplace);
    bool CheckNewWptDistance(WaypointRecord rec);

    // Creation, editing, moving, deletion.
    int GetClosestWptIndex(WaypointRecord* out, CPointD pos, int rx, int ry);
    int GetClosestTrackPointIndex(TrackPoint* out, CPointD pos, int rx, int ry);
    int CreateWaypoint(double E, double N, int mode, int mapType, const std::string& name,
                       const std::string& comment, std::int32_t time);
    int RegisterNewWpt(WaypointRecord rec, int linked);
    int RegisterChangedWpt(WaypointRecord rec, int index);
    int VerifyWptIndex(WaypointRecord* rec, int base, int index, const std::string& caller);
    WaypointRecord* GetWptRecordPointer(WaypointRecord rec, int index);
    int EditWaypoint(WaypointRecord rec, int index);
    int DeleteWaypoint(WaypointRecord rec, int index);
    int MoveWaypoint(WaypointRecord rec, int index, CPointD pos);
    int SetWptLevel(WaypointRecord rec, int index, int level);
    int SetWptLabelPosition(WaypointRecord rec, int index, int label);
    int ChangeWptTo(WaypointRecord rec, int index);
    // Imports and downloads: the grid position comes from the WGS84 one. When
    // it cannot be converted (no datum parameters, a position that is no
    // number) both show an "Error! " message; the import then adds nothing
    // and the test answers false.
    int AddImportedWaypoint(GPSrecord rec);  // result of CreateWaypoint (mode 2)
    bool CheckWptExistence(GPSrecord rec);   // true when the waypoint exists already
    // Whether the record is a point of the current search field. Answers false
    // until the search-area store comes; its IsSearchAreaPoint replaces this.
    bool IsSearchFieldPoint(const GPSrecord& rec);
    int CheckWptRecord(WaypointRecord* rec, const std::string& location, int index, int base);
    void UpdateWptSelectionFlag(int base, int index, int level);
    static int GetWptBaseIndex(const WaypointRecord& rec);  // 784 temporary, quadrant, -1 outside
    void OnCreateTempWpts() { CreateTempWpts = !CreateTempWpts; }
    void OnNewWptLevel(int level);  // -1 automatic, 0..4
    void SetWptDialogs(IWptDialogs* dialogs) { m_WptDialogs = dialogs; }
    // The document commands of the waypoint database and the track log store
    // (undo, new-waypoint kind and level, save database, clear track log).
    void AddWptCommands(CCommandMap& map);

    // Undo.
    void PushUndoRecord(UndoRecord rec);
    void ClearUndoStack();
    void Undo(int n);
    void OnEditUndo() { Undo(0); }
    bool CanUndo() const { return UndoCount > 0; }

    std::vector<WptBase> WptAutoBase = MakeWptBases();
    std::vector<int> WptQInUse = MakeWptClaims();  // "TEMP" holds one permanent claim
    std::vector<int> SectorSelLevel = std::vector<int>(kBaseCount, -1);
    int BasesToClose = 0;
    int CreateTempWpts = 0;
    TrackBase TrackLog;
    int TrackSelStart = -1;
    int TrackSelEnd = -1;
    std::vector<UndoRecord> UndoStack = MakeUndoStack();
    int UndoCount = 0;
    int UndoCapacity = int(UndoStack.size());

private:
    static std::vector<WptBase> MakeWptBases();
    static std::vector<UndoRecord> MakeUndoStack();
    static std::vector<int> MakeWptClaims();
    WptBase* LoadedWptBase(int q, const std::string& operation);
    bool StoreWaypointFile(const std::string& path, const WptBase& base);
    IWptDialogs* m_WptDialogs = nullptr;
    struct WptMemTally {  // keeps the undo stack's block in the memory counters
        explicit WptMemTally(long long bytes);
        ~WptMemTally();
        WptMemTally(const WptMemTally&) = delete;
        WptMemTally& operator=(const WptMemTally&) = delete;
        long long bytes = 0;
    } m_WptMemTally{(long long)UndoStack.size() * (long long)sizeof(UndoRecord)};

public:
    // END SECTION waypoints

    // ---- image map, search area, other stores (later) -------------------
    // BEGIN SECTION later
    // Image map: headers and palette of the open image (ImagePath empty: none).
    BitmapFileHeader ImageFileHeader;
    DibHeader ImageHeader;  // palette bytes beyond the file's are zero
    std::string ImagePath;
    int ImageMapType = kMapNone;
    // Pixel rows as in the file, bottom row first, BmpStride bytes apart;
    // null when no image is held.
    std::unique_ptr<std::uint8_t[]> BmpData;
    std::size_t BmpDataSize = 0;
    std::size_t BmpStride = 0;
    ::ImageGeoref ImageGeoref;

    // Frees the image pixels; when pixels were held the map type becomes -3.
    void DeallocateImageMemory();
    // The document's file is the image map. Loading (when no pixels are held)
    // reads it; storing writes the held image. Neither sets the map type or
    // the georeference. False when nothing was loaded or stored.
    bool Serialize(CImageMapArchive& ar);
    // Writes the image map through a temporary file beside path.
    bool OnSaveDocument(const std::string& path);

    // Area prepared by the last drawing pass (E1 west, E2 east, N1 north, N2 south).
    CRectD VisibleArea;

    // 3-D ground area: near-left, near-right, far-left, far-right corners.
    CPointD DmrGroundArea[4];
    int DmrGroundRange = 0;
    int DmrGroundValid = 0;

    // Map series last chosen in the sector dialog.
    int ExportSeries = 4;
    // END SECTION later

    // Lifecycle flags.
    int FirstNewDocument = 1;

private:
    static int ClampSeries(int s) { return s < 0 ? 0 : s > 4 ? 4 : s; }
    void InitSegmentTables();
    void FreeSegmentTables();
    void InitGrids();
    void FreeDmrQuadrant(int q);

    std::vector<IDocView*> m_Views;

    // Guard bands: 'U' from construction to destruction; a damaged one is
    // signalled by a beep when the document goes.
    struct GuardBand {
        unsigned char bytes[100];
    };
    GuardBand m_Guard0;
    std::string QuadrantNames[kBaseCount];
    GuardBand m_Guard1;
    SegmentSeries SegCache[5];
    GuardBand m_Guard2;
    std::unique_ptr<std::int16_t[]> DmrData[kQuadrantCount];
    GuardBand m_Guard3;
    std::int32_t DmrQInUse[kQuadrantCount] = {};
    GuardBand m_Guard4;
    std::int32_t DmrModified[kQuadrantCount] = {};
    GuardBand m_Guard5;
    GuardBand m_Guard6;
    bool GuardsIntact() const;
};

// The one document of the run (null before it is made and after it is gone).
CVornaDoc* TheDoc();
