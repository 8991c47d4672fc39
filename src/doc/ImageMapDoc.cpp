// The document's image-map entry points: opening an image with its ".ref"
// and ".inf", the reference points and the "Reference Points" menu.
#include "doc/ImageMapFile.h"
#include "doc/ImageMapInf.h"
#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/Prompt.h"

CVornaDoc::ImageOpen CVornaDoc::OpenImageMap(const std::string& path) {
    CImageMapArchive ar(path, CImageMapArchive::load);
    if (!ar.IsOpen()) return ImageOpen::NotOpened;
    std::optional<LoadedBitmap> bitmap = CImageMapStore::ReadBitmap(ar);
    if (!bitmap) return ImageOpen::Refused;
    TakeImageMap(path, std::move(*bitmap));
    return ImageOpen::Opened;
}

void CVornaDoc::TakeImageMap(const std::string& path, LoadedBitmap&& bitmap) {
    m_Image.Install(std::move(bitmap));
    m_Image.Path = path;
    m_Image.MapType = kMapImage;
    // The previous image's placement means nothing on this one.
    m_Image.Georef = ::ImageGeoref();
    // A point marked on a series and still waiting for its pixel stays pending.
    m_RefPoints.RemovePoints();
    ReadRefPoints(path);
    ReadImageInf(path);
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
    const ::ImageGeoref before = m_Image.Georef;
    if (!CalculateImageMapOrigin(0)) {
        m_Image.Georef = before;
        return;
    }
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
    // Only OK places the image anew: after Cancel the overlays must still lie
    // where they lay on it.
    if (answer != IDOK) {
        m_Image.Georef = before;
        return;
    }
    if (!m_Image.Path.empty() && m_Image.MapType >= kMapImage) {
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
