// The image map's reference points over the map picture (screen only).
#include <QPainter>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "mapdraw/MapOverlays.h"
#include "mapdraw/MapTransforms.h"

void DrawRefPoints(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc) {
    const CRefPointStore& points = doc.RefPoints();
    if (target.printing || points.RefPointCount() <= 0) return;
    const GeorefParams geo = DocGeoref(doc);
    const QColor red(255, 0, 0), blue(0, 0, 255);
    const bool image = desc.mapType < 0;
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    for (int k = 0; k < points.RefPointCount(); ++k) {
        const MapPoint m = MapToClient(points.MapPoint(k), desc, geo);
        // On the image the red dot is where the point was set; the blue one
        // where the georeference puts its map position, so the gap between
        // them is the fit's error.
        QPoint red0(m.x, m.y);
        if (image) {
            const CRefPointStore::Pixel c = points.ClickPixel(k);
            red0 = QPoint(SaturatedSum(c.x, -static_cast<long long>(desc.origin.x)),
                          SaturatedSum(c.y, -static_cast<long long>(desc.origin.y)));
        }
        dc.setPen(QPen(red, 1));
        dc.setBrush(red);
        dc.drawEllipse(QRect(red0.x() - 1, red0.y() - 2, 4, 4));
        if (image) {
            dc.setPen(QPen(blue, 1));
            dc.setBrush(blue);
            dc.drawEllipse(QRect(m.x, m.y - 1, 2, 2));
        }
    }
    dc.restore();
}
