// The document's image-map entry points: opening an image with its ".ref"
// and ".inf", the reference points and the "Reference Points" menu.
#include "doc/ImageMapFile.h"
#include "doc/ImageMapInf.h"
#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/Prompt.h"

bool CVornaDoc::InitBmp(const std::string& path) {
    CImageMapArchive ar(path, CImageMapArchive::load);
    if (!ar.IsOpen()) return false;
    // A file that cannot become the image map is refused before the held
    // image is freed.
    DibFileLayout layout;
    ImageMapBlock block;
    if (const auto fault = ReadImageMapHeaders(ar, layout, block)) {
        MsgBox(ImageMapFaultText(*fault, path));
        return false;
    }
    if (!ar.SeekToBegin()) return false;
    if (m_Image.HasPixels()) m_Image.Deallocate();
    if (!m_Image.Serialize(ar)) return true;  // reported; no image is held
    m_Image.Path = path;
    m_Image.MapType = kMapImage;
    // A point marked on a series and still waiting for its pixel stays pending.
    m_RefPoints.RemovePoints();
    ReadRefPoints(path);
    ReadImageInf(path);
    return true;
}

bool CVornaDoc::ReadImageInf(const std::string& imagePath) {
    m_Image.Georef.PixelOffset = DefaultPixelOffset(imagePath);
    m_Image.Georef.PairsUsed = 0;
    if (!::ReadImageInf(imagePath, m_Image.Georef)) return false;
    if (m_Image.MapType == kMapImage) m_Image.MapType = kMapImageGeo;
    return true;
}

bool CVornaDoc::WriteImageInf(const std::string& imagePath) {
    return ::WriteImageInf(imagePath, m_Image.Georef);
}

void CVornaDoc::AddRefPointPixel(int x, int y) {
    if (!m_RefPoints.AddRefPointPixel(x, y, m_Image.Georef.PixelOffset)) return;
    UpdateAllViews(nullptr, kHintAll);
}

void CVornaDoc::DeleteRefPoint(int k) {
    if (m_RefPoints.Delete(k)) UpdateAllViews(nullptr, kHintAll);
}

void CVornaDoc::OnCalculateMapOrigin() {
    if (!CalculateImageMapOrigin(0)) return;
    const ::ImageGeoref& g = m_Image.Georef;
    MapOriginInfo info;
    info.scaleX = g.ScaleX;
    info.scaleY = g.ScaleY;
    info.easting = g.Origin.easting;
    info.northing = g.Origin.northing;
    info.angle = g.Rotation * 180.0 / kPi;
    info.averageDistance = g.MeanResidual;
    info.maximumDistance = g.MaxResidual;
    info.count = g.PairsUsed;
    const int answer = m_MapOriginDialog ? m_MapOriginDialog->RunMapOriginDialog(info) : IDCANCEL;
    // The fitted values stay in memory either way; OK makes them the image's.
    if (answer == IDOK && !m_Image.Path.empty() && m_Image.MapType >= kMapImage) {
        if (m_Image.MapType == kMapImage) m_Image.MapType = kMapImageGeo;
        WriteImageInf(m_Image.Path);
    }
    UpdateAllViews(nullptr, kHintImageMap);
}

void CVornaDoc::AddImageMapCommands(CCommandMap& map) {
    const auto anyPoint = [this](CCmdUI& ui) { ui.Enable(m_RefPoints.RefPointCount() > 0); };
    map.AddCommand(cmd::RefCalculateOrigin, [this] { OnCalculateMapOrigin(); });
    map.AddCommand(cmd::RefClearAll, [this] {
        m_RefPoints.Clear();
        UpdateAllViews(nullptr, kHintAll);
    });
    map.AddUpdate(cmd::RefClearAll, anyPoint);
    map.AddCommand(cmd::RefDeleteLast, [this] {
        m_RefPoints.DeleteLast();
        UpdateAllViews(nullptr, kHintAll);
    });
    map.AddUpdate(cmd::RefDeleteLast, anyPoint);
    // Without an image there is no folder to keep the points in.
    map.AddCommand(cmd::RefSave, [this] {
        if (!m_Image.Path.empty()) WriteRefPoints(m_Image.Path);
    });
    map.AddUpdate(cmd::RefSave, anyPoint);
    map.AddCommand(cmd::RefLoad, [this] {
        if (m_Image.Path.empty()) return;
        ReadRefPoints(m_Image.Path);
        UpdateAllViews(nullptr, kHintAll);
    });
    map.AddUpdate(cmd::RefLoad, [this](CCmdUI& ui) { ui.Enable(m_Image.MapType != kMapNone); });
}
