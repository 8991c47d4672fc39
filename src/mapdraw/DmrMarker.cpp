#include "mapdraw/DmrMarker.h"

#include <QPainter>
#include <algorithm>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "mapdraw/MapTransforms.h"
#include "mapdraw/PaintMessages.h"
#include "mapdraw/ViewModes.h"
#include "settings/AppSettings.h"

namespace {

bool InSeriesCoverage(const CPointD& p) {
    return p.easting >= 370000 && p.easting <= 650000 && p.northing >= 4940000 && p.northing <= 5220000;
}

// A circle of the marker's size with the cone of the view cut out of it:
// the pie runs counter-clockwise on the screen from the right edge of the
// view (heading + half the angle) to its left edge.
void DrawViewMarker(QPainter& dc, QPoint v, int rx, int ry, double azimut, double viewAngle, const QPen& pen,
                    const QBrush& cone) {
    const QRect box(v.x() - rx, v.y() - ry, 2 * rx, 2 * ry);
    dc.setPen(pen);
    dc.setBrush(Qt::white);
    dc.drawEllipse(box);
    dc.setBrush(cone);
    const double span = std::clamp(viewAngle, 0.0, 360.0);
    const double start = 90.0 - (azimut + viewAngle / 2);
    dc.drawPie(box, SaturateToInt(start * 16), SaturateToInt(span * 16));
}

}  // namespace

void DrawDmrInfo(CVornaDoc& doc, QPainter& dc, const DrawTarget&, const MapViewDesc& desc) {
    if (desc.mapType < kMapImageGeo) {
        PaintMessage("Warning! Not a map in DrawDmrInfo");
        return;
    }
    const AppSettings& app = doc.Settings();
    const DmrParams& dmr = app.dmr;
    if (desc.mapType < 0 || !InSeriesCoverage(dmr.ViewPoint)) return;
    const GeorefParams geo = DocGeoref(doc);
    const auto client = [&](const CPointD& p) {
        const MapPoint m = MapToClient(p, desc, geo);
        return QPoint(m.x, m.y);
    };
    const QColor red(255, 0, 0), lightRed(255, 128, 128), pink(255, 196, 196);
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);

    if (desc.dmrArea == kDmrAreaAlways && doc.DmrGroundValid) {
        // Corners come near-left, near-right, far-left, far-right.
        const CPointD* a = doc.DmrGroundArea;
        const QPoint outline[5] = {client(a[0]), client(a[1]), client(a[3]), client(a[2]), client(a[0])};
        dc.setPen(QPen(red, 2));
        dc.drawPolyline(outline, 5);
    }
    const int size = app.appearance.dmrMarkerSize;
    const int rx = SaturateToInt(size * desc.zoomX), ry = SaturateToInt(size * desc.zoomY);
    if (!dmr.StickToGps)
        DrawViewMarker(dc, client(dmr.ViewPoint), rx, ry, dmr.Azimut, dmr.ViewAngle, QPen(lightRed, 2), pink);
    DrawViewMarker(dc, client(desc.dmrViewPoint), rx, ry, desc.azimuth, desc.viewAngle, QPen(red, 2), red);
    dc.restore();
}
