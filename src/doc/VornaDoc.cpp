#include "doc/VornaDoc.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "app/VornaApp.h"
#include "doc/ImageMapFile.h"
#include "platform/Prompt.h"
#include "platform/System.h"

namespace {
CVornaDoc* g_Doc = nullptr;
}

CVornaDoc* TheDoc() { return g_Doc; }

CVornaDoc::CVornaDoc() {
    CVornaApp* app = VornaAppOrNull();
    if (app) app->CountAlloc(kMemDocuments, 0);
    for (GuardBand* g : {&m_Guard0, &m_Guard1, &m_Guard2, &m_Guard3, &m_Guard4, &m_Guard5, &m_Guard6})
        std::memset(g->bytes, 'U', sizeof g->bytes);
    g_Doc = this;

    InitGrids();

    // Waypoint database: counters (not for a database made at this start),
    // the permanently open base "TEMP", then the track log.
    if (!app || !app->newWptBaseFlag) ReadWptCounters();
    if (app) app->newWptBaseFlag = 0;
    OpenQuadrantWptFile(kTempBase);
    ReadBinaryTrackLogFile((app ? app->startDirectory : std::string()) + "TrackLog");

    InitSegmentTables();
}

CVornaDoc::~CVornaDoc() {
    CVornaApp* app = VornaAppOrNull();
    if (app) app->CountFree(kMemDocuments, 0);

    WriteWptCounters();
    for (int b = 0; b < kBaseCount; ++b) {
        CloseQuadrantWptFile(b);
        if (std::size_t(b) < WptQInUse.size()) WptQInUse[std::size_t(b)] = 0;
    }

    for (int q = 0; q < kQuadrantCount; ++q) {
        if (DmrOwnFlags[q]) CloseDmrQuadrant(q, DmrOwnFlags);
        DmrOwnFlags[q] = 0;
        DmrQInUse[q] = 0;
        FreeDmrQuadrant(q);
    }

    WriteBinaryTrackLogFile((app ? app->startDirectory : std::string()) + "TrackLog");
    DeallocateImageMemory();

    FreeSegmentTables();

    if (!GuardsIntact()) Beep(100, 100);
    if (g_Doc == this) g_Doc = nullptr;
}

bool CVornaDoc::GuardsIntact() const {
    for (const GuardBand* g : {&m_Guard0, &m_Guard1, &m_Guard2, &m_Guard3, &m_Guard4, &m_Guard5, &m_Guard6})
        for (unsigned char c : g->bytes)
            if (c != 'U') return false;
    return true;
}

void CVornaDoc::InitSegmentTables() {
    CVornaApp* app = VornaAppOrNull();
    for (int s = 0; s < kMapTypeCount; ++s) {
        SegmentSeries& ser = SegCache[s];
        const MapTypeInfo& mt = app ? app->mapTypes[s] : DefaultMapType(s);
        ser.name = mt.name;
        ser.directory = mt.directory;
        if (!ser.directory.empty() && ser.directory.back() != '/') ser.directory += '/';
        // The geometry is fixed per series; only the folder is a setting.
        const MapTypeInfo& fixed = DefaultMapType(s);
        ser.perSide = fixed.segmentsPerSide;
        ser.count = ser.perSide * ser.perSide;
        ser.pixels = fixed.pixels;
        ser.metres = fixed.segmentMetres;
        const std::size_t n = std::size_t(ser.count);

        try {
            ser.SInUse.assign(n, 0);
            if (app) app->CountAlloc(kMemSegOnMap, (long long)(n * sizeof(std::int32_t)));
        } catch (const std::bad_alloc&) {
            ser.SInUse.clear();
            MsgBox("Internal Error! Not enough memory for SInUse in OpenContMap!");
        }
        try {
            ser.SegmentName.assign(n, std::string());
            if (app) app->CountAlloc(kMemSegName, (long long)(n * sizeof(std::string)));
            const int div = s == 3 ? 5 : s == 2 ? 2 : 1;
            for (int row = 0; row < ser.perSide; ++row)
                for (int col = 0; col < ser.perSide; ++col) {
                    std::string name{QuadrantLetter(row / div), QuadrantLetter(col / div)};
                    if (div > 1) {
                        name += char('0' + row % div);
                        name += char('0' + col % div);
                    }
                    ser.SegmentName[std::size_t(row * ser.perSide + col)] = std::move(name);
                }
        } catch (const std::bad_alloc&) {
            ser.SegmentName.clear();
            MsgBox("Internal Error! Not enough memory for SegmentName in OpenContMap!");
        }
        try {
            ser.SBmp = std::vector<SegmentBitmap>(n);
            if (app) app->CountAlloc(kMemSegBmpHolder, (long long)(n * sizeof(SegmentBitmap)));
        } catch (const std::bad_alloc&) {
            ser.SBmp.clear();
            MsgBox("Internal Error! Not enough memory for SBmp in OpenContMap!");
        }
        ser.Header = DibHeader();
        ser.Header.info.biWidth = ser.pixels;
        ser.Header.info.biHeight = ser.pixels;
        ser.Header.info.biSizeImage = std::uint32_t(ser.Stride() * ser.pixels);
    }
}

void CVornaDoc::FreeSegmentTables() {
    CVornaApp* app = VornaAppOrNull();
    for (SegmentSeries& ser : SegCache) {
        if (!ser.SInUse.empty()) {
            if (app) app->CountFree(kMemSegOnMap, (long long)(ser.SInUse.size() * sizeof(std::int32_t)));
            ser.SInUse.clear();
            ser.SInUse.shrink_to_fit();
        }
        if (!ser.SegmentName.empty()) {
            if (app) app->CountFree(kMemSegName, (long long)(ser.SegmentName.size() * sizeof(std::string)));
            ser.SegmentName.clear();
            ser.SegmentName.shrink_to_fit();
        }
        for (SegmentBitmap& b : ser.SBmp) {
            if (b.Data && b.Size == 0)
                MsgBox("Internal Warning! SBmp [].Data exists but size is 0 in DeallocateImageMemory!");
            if (!b.Data && b.Size != 0)
                MsgBox(
                    "Internal Warning! SBmp [].Data not allocated, but size is != 0 in "
                    "DeallocateImageMemory!");
            if (b.Data && app) app->CountFree(kMemSegPixels, (long long)b.Size);
            b.Data.reset();
            b.Size = 0;
        }
        if (!ser.SBmp.empty()) {
            if (app) app->CountFree(kMemSegBmpHolder, (long long)(ser.SBmp.size() * sizeof(SegmentBitmap)));
            ser.SBmp.clear();
            ser.SBmp.shrink_to_fit();
        }
    }
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
    // The call made at start-up only ends the first-new state; "New" later
    // keeps every store and has the views reopen the image map.
    if (FirstNewDocument) {
        FirstNewDocument = 0;
        return true;
    }
    UpdateAllViews(nullptr, 1);
    return true;
}

bool CVornaDoc::OnOpenDocument(const std::string& path) {
    CImageMapArchive ar(path, CImageMapArchive::load);
    if (!ar.IsOpen()) {
        MsgBox(ImageMapFaultText(ImageMapFault::NotOpened, path));
        return false;
    }
    // A file that cannot become the image map is refused before anything
    // held is emptied.
    DibFileLayout layout;
    ImageMapBlock block;
    if (const auto fault = ReadImageMapHeaders(ar, layout, block)) {
        MsgBox(ImageMapFaultText(*fault, path));
        return false;
    }
    if (!ar.SeekToBegin()) {
        MsgBox(ImageMapFaultText(ImageMapFault::NotOpened, path));
        return false;
    }
    DeleteContents();
    if (!Serialize(ar)) {
        DeleteContents();
        return false;
    }
    MsgBox(path);
    UpdateAllViews(nullptr, 1);
    return true;
}

void CVornaDoc::DeleteContents() {
    ImageGeoref.Origin = CPointD(0.0, 0.0);
    ImageGeoref.PixelOffset = {};
    // "TEMP" keeps its permanent claim; bases chosen for export stay open.
    for (int q = 0; q < kQuadrantCount; ++q) {
        if (std::size_t(q) < WptQInUse.size()) WptQInUse[std::size_t(q)] = 0;
        if (std::size_t(q) >= SectorSelLevel.size() || SectorSelLevel[std::size_t(q)] < 0)
            CloseQuadrantWptFile(q);
    }
    DeallocateImageMemory();
}
