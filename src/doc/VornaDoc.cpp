#include "doc/VornaDoc.h"

#include <algorithm>

#include "doc/ImageMapFile.h"
#include "geo/Convert.h"
#include "platform/Prompt.h"
#include "platform/System.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {
CVornaDoc* g_Doc = nullptr;
}

CVornaDoc* TheDoc() { return g_Doc; }

CVornaDoc::DocumentTally::DocumentTally(CMemoryCounters& m) : memory(m) {
    memory.CountAlloc(kMemDocuments, 0);
}
CVornaDoc::DocumentTally::~DocumentTally() { memory.CountFree(kMemDocuments, 0); }

CVornaDoc::CVornaDoc(AppSettings& settings, const DocServices& services)
    : m_Settings(settings),
      m_Tally(services.memory),
      m_Image(services.memory),
      m_Waypoints(settings, services,
                  [this](UpdateHint hint, const void* object) { UpdateAllViews(nullptr, hint, object); }),
      m_TrackLog(settings, services.memory),
      m_Segments(settings, services.memory, services.traceLog),
      m_Heights(settings),
      m_Search([this](UpdateHint hint, const void* object) { UpdateAllViews(nullptr, hint, object); }),
      m_Geo(services.geo) {
    g_Doc = this;
    // Counters (not for a database made at this start), the permanently open
    // base "TEMP", then the track log.
    m_Waypoints.Open();
    m_TrackLog.Read(m_TrackLog.DefaultName());
    m_Search.LoadSearchAreaDat(SearchAreaDatName());
    ReportNotSavedAtLastEnd();
    m_Waypoints.SetSearchPointTest([this](const GPSrecord& rec) {
        return m_Search.IsSearchAreaPoint(rec, m_Geo, m_Settings.existingWptProximity);
    });
}

std::string CVornaDoc::SearchAreaDatName() const { return m_Settings.startDirectory + "SearchArea"; }

CVornaDoc::~CVornaDoc() {
    // What the end of the run left unwritten (no window ran, or a store
    // changed since); a change given up there is not written here.
    m_Waypoints.Close();
    if (m_TrackLog.NeedsWrite(m_TrackLog.DefaultName())) m_TrackLog.Write(m_TrackLog.DefaultName());
    if (m_Search.Modified()) m_Search.SaveSearchAreaDat(SearchAreaDatName());
    m_Image.Deallocate();
    for (const CGuardBand* g :
         {&m_GuardAfterWaypoints, &m_GuardAfterTrackLog, &m_GuardAfterSegments, &m_GuardAfterHeights})
        if (!g->Intact()) {
            Beep(100, 100);
            break;
        }
    if (g_Doc == this) g_Doc = nullptr;
}

void CVornaDoc::AddView(IDocView* view) {
    if (std::find(m_Views.begin(), m_Views.end(), view) == m_Views.end()) m_Views.push_back(view);
}

void CVornaDoc::RemoveView(IDocView* view) { std::erase(m_Views, view); }

void CVornaDoc::UpdateAllViews(IDocView* sender, long hint, const void* hintObject) {
    // A view may unregister while being told; iterate over a copy.
    const auto views = m_Views;
    for (IDocView* v : views)
        if (v != sender) v->OnUpdate(sender, hint, hintObject);
}

bool CVornaDoc::OnNewDocument() {
    // The call made at start-up only ends the first-new state; each "New" after it
    // keeps every store and has the views reopen the image map.
    if (m_FirstNewDocument) {
        m_FirstNewDocument = false;
        return true;
    }
    UpdateAllViews(nullptr, kHintImageMap);
    return true;
}

bool CVornaDoc::OnOpenDocument(const std::string& path) {
    CImageMapArchive ar(path, CImageMapArchive::load);
    if (!ar.IsOpen()) {
        MsgBox(ImageMapFaultText(ImageMapFault::NotOpened, path));
        return false;
    }
    // Read whole before anything held is emptied: a refused file changes nothing.
    std::optional<LoadedBitmap> bitmap = CImageMapStore::ReadBitmap(ar);
    if (!bitmap) return false;
    DeleteContents();
    TakeImageMap(path, std::move(*bitmap));
    MsgBox(path);
    UpdateAllViews(nullptr, kHintImageMap);
    return true;
}

void CVornaDoc::DeleteContents() {
    m_Image.Georef.Origin = CPointD(0.0, 0.0);
    m_Image.Georef.PixelOffset = {};
    m_Waypoints.DropQuadrantClaims();
    m_Image.Deallocate();
}

void CVornaDoc::OnNewWptLevel(int level) { m_Settings.wptLevel = (level >= 0 && level <= 4) ? level : -1; }

void CVornaDoc::OnClearTrackLog() {
    m_TrackLog.Clear(0);
    UpdateAllViews(nullptr, kHintAll);
}

MapSize CVornaDoc::GetMapSizePixels(const MapViewDesc& desc) const {
    if (desc.mapType >= 0 && desc.mapType < kMapTypeCount) {
        const SegmentSeries& ser = m_Segments.Series(desc.mapType);
        return {ser.perSide * ser.pixels, ser.perSide * ser.pixels};
    }
    if (desc.mapType == kMapImage || desc.mapType == kMapImageGeo)
        return {m_Image.Header.info.biWidth, m_Image.Header.info.biHeight};
    return {100, 100};
}

std::string CVornaDoc::GetMapCaption(int mapType) const {
    if (mapType >= 0 && mapType < kMapTypeCount) return "CONT:" + m_Segments.Series(mapType).name + "->";
    if (mapType < kMapImage) return "NOMAP->";
    const std::string& path = m_Image.Path;
    const auto slash = path.find_last_of('/');
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    const BitmapInfoHeader& info = m_Image.Header.info;
    return Format("%s: %s (%d x %d x %d)->", mapType == kMapImage ? "IMAGE" : "IMAGEMAP", file.c_str(),
                  int(info.biWidth), int(info.biHeight), int(info.biBitCount));
}
