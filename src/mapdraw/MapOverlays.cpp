// Overlay painters over the map picture; those of stores still to come draw
// nothing yet.
#include "mapdraw/MapOverlays.h"

#include <QPainter>
#include <algorithm>

#include "doc/VornaDoc.h"
#include "gps/NmeaReceiver.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "mapdraw/TrackPainter.h"
#include "mapdraw/WptPainter.h"
#include "settings/AppSettings.h"

void DrawAllWaypoints(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc,
                      QuadrantFlags* quadrantFlags) {
    PaintWaypoints(doc, dc, target, desc, quadrantFlags);
}
void DrawTrackLog(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc) {
    PaintTrackLog(doc, dc, target, desc);
}
void DrawGpsPosition(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc) {
    const AppSettings& settings = doc.Settings();
    const CNmeaReceiver* gps = target.gps;
    if (!gps || desc.mapType < kMapImageGeo || !settings.gpsEnabled || !gps->GpsPositionReceived ||
        target.printing)
        return;
    const CAppearanceSettings& a = settings.appearance;
    const QColor colour =
        QColor::fromRgb(ColorRefToRgb(gps->GpsFix ? a.trackScreenColor : a.gpsInactiveColor));
    const CPointD pos = gps->GpsPosition;
    const MapPoint p = MapToClient(pos, desc, DocGeoref(doc));
    dc.save();
    dc.setPen(QPen(colour, std::max(1, int(a.trackThickness * desc.zoomX))));
    dc.setBrush(colour);
    const bool covered = desc.mapType >= 0 && pos.easting >= 370000 && pos.easting <= 650000 &&
                         pos.northing >= 4940000 && pos.northing <= 5220000;
    if (covered) {
        // The dot over the live end of the track.
        const int g = int(a.gpsMarkerSize * desc.zoomX), gy = int(a.gpsMarkerSize * desc.zoomY);
        dc.drawEllipse(QRect(QPoint(p.x - g + 1, p.y - gy), QPoint(p.x + g + 1, p.y + gy)));
    } else {
        // Off the series' maps (and on image maps) a cross says where it is.
        const int dx = int(20 * desc.zoomX), dy = int(20 * desc.zoomY);
        dc.drawLine(p.x + dx, p.y + dy, p.x - dx, p.y - dy);
        dc.drawLine(p.x + dx, p.y - dy, p.x - dx, p.y + dy);
    }
    dc.restore();
}
