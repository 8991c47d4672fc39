#include "frame/IconPainters.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstring>
#include <functional>

#include "platform/CommandIds.h"

namespace {

const QColor kInk(40, 40, 40);

// Paints at 32 x 32 on a 16-unit grid so the icon stays sharp on scaled
// screens. An image, not a pixmap: the build-time tool paints these without
// a window system.
QImage Painted(const std::function<void(QPainter&)>& paint) {
    QImage im(kPaintedIconSize, kPaintedIconSize, QImage::Format_ARGB32_Premultiplied);
    im.fill(Qt::transparent);
    {
        QPainter p(&im);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(2.0, 2.0);
        p.setPen(QPen(kInk, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        paint(p);
    }
    return im;
}

// Bold sans capitals as strokes on the icon's grid: a font would have to be
// found, loaded at two sizes and shaped for seven letters, most of what the
// toolbar's first paint would cost. box is the letter's outer bounds, stroke
// the width of its lines.
QPainterPath StencilLetter(char c, const QRectF& box, qreal stroke) {
    const qreal h = stroke / 2, l = box.left() + h, r = box.right() - h, t = box.top() + h;
    const qreal b = box.bottom() - h, midX = box.center().x(), midY = box.center().y();
    QPainterPath path;
    const auto line = [&path](QPointF from, QPointF to) {
        path.moveTo(from);
        path.lineTo(to);
    };
    // Ends on the box's edges are cut by the clip: lines that end there
    // run on past them.
    const auto slant = [&line, stroke](QPointF from, QPointF to) {
        const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y()) * stroke;
        line(from - d, to + d);
    };
    const auto stem = [&line, &box](qreal x) { line(QPointF(x, box.top()), QPointF(x, box.bottom())); };
    // The bowl of P and R: the upper part of the letter, closed at the stem.
    const qreal bowl = (box.height() + stroke) * 0.55 - stroke;
    const auto bowlPath = [&] {
        stem(l);
        const qreal radius = bowl / 2;
        path.moveTo(l, t);
        path.lineTo(r - radius, t);
        path.arcTo(QRectF(r - 2 * radius, t, 2 * radius, bowl), 90, -180);
        path.lineTo(l, t + bowl);
    };
    const QRectF round(l, t, r - l, b - t);
    switch (c) {
        case 'C':
            path.arcMoveTo(round, 45);
            path.arcTo(round, 45, 270);
            break;
        case 'G':
            path.arcMoveTo(round, 45);
            path.arcTo(round, 45, 315);
            path.lineTo(midX + h / 2, midY);
            break;
        case 'H':
            stem(l);
            stem(r);
            line(QPointF(l, midY), QPointF(r, midY));
            break;
        case 'I':
            stem(midX);
            break;
        case 'N':
            stem(l);
            stem(r);
            slant(QPointF(l, box.top()), QPointF(r, box.bottom()));
            break;
        case 'P':
            bowlPath();
            break;
        case 'R':
            bowlPath();
            slant(QPointF(l + (r - l) * 0.4, t + bowl), QPointF(r, box.bottom()));
            break;
        case 'T':
            line(QPointF(box.left(), t), QPointF(box.right(), t));
            stem(midX);
            break;
        default:
            break;
    }
    return path;
}

// Letters of cap height capHeight centred on centre, in ink.
void DrawLetters(QPainter& p, const char* text, QPointF centre, qreal capHeight, const QColor& ink) {
    const int n = int(std::strlen(text));
    // Proportions of a bold sans: I is a bare stem, the round letters the
    // widest.
    const qreal stroke = capHeight * 0.22, gap = capHeight * 0.15;
    const auto width = [&](char c) {
        switch (c) {
            case 'I':
                return stroke;
            case 'C':
            case 'G':
                return capHeight * 0.9;
            case 'P':
            case 'R':
                return capHeight * 0.72;
            default:
                return capHeight * 0.8;
        }
    };
    qreal total = gap * (n - 1);
    for (int i = 0; i < n; ++i) total += width(text[i]);
    qreal x = centre.x() - total / 2;
    p.save();
    p.setPen(QPen(ink, stroke, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < n; ++i) {
        const QRectF box(x, centre.y() - capHeight / 2, width(text[i]), capHeight);
        p.setClipRect(box);
        p.drawPath(StencilLetter(text[i], box, stroke));
        x += width(text[i]) + gap;
    }
    p.restore();
}

QImage Letter(const char* text, const QColor& fill) {
    return Painted([text, fill](QPainter& p) {
        p.setBrush(fill);
        p.setPen(QPen(fill.darker(160), 1.0));
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2.5, 2.5);
        const bool two = std::strlen(text) > 1;
        DrawLetters(p, text, QPointF(8, 8), two ? 6 : 8, fill.lightness() > 140 ? kInk : Qt::white);
    });
}

QImage Printer() {
    return Painted([](QPainter& p) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(170, 170, 170));
        p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 9.5, 7, 5));
        p.drawLine(QPointF(6, 11.5), QPointF(10, 11.5));
    });
}

QImage Panes(int active) {
    return Painted([active](QPainter& p) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setBrush(QColor(70, 130, 200));
        p.setPen(Qt::NoPen);
        p.drawRect(active == 0 ? QRectF(2, 3, 6, 10) : QRectF(8, 3, 6, 10));
        p.setPen(QPen(kInk, 1.0));
        p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5));
    });
}

QImage ExportArrow(bool sectors) {
    return Painted([sectors](QPainter& p) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 10, 10));
        if (sectors) {
            p.drawLine(QPointF(6.5, 1.5), QPointF(6.5, 11.5));
            p.drawLine(QPointF(1.5, 6.5), QPointF(11.5, 6.5));
            p.fillRect(QRectF(2, 2, 4.5, 4.5), QColor(230, 170, 40));
        } else {
            p.setPen(QPen(kInk, 1.0, Qt::DashLine));
            p.drawRect(QRectF(3.5, 3.5, 6, 6));
        }
        p.setPen(QPen(QColor(30, 120, 40), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(9, 9), QPointF(14.5, 14.5));
        p.drawLine(QPointF(14.5, 14.5), QPointF(14.5, 10.5));
        p.drawLine(QPointF(14.5, 14.5), QPointF(10.5, 14.5));
    });
}

QImage WaypointMark(bool temporary) {
    return Painted([temporary](QPainter& p) {
        p.drawLine(QPointF(4.5, 14.5), QPointF(4.5, 1.5));
        p.setBrush(temporary ? QColor(240, 200, 60) : QColor(210, 50, 50));
        QPainterPath flag;
        flag.moveTo(4.5, 1.5);
        flag.lineTo(13.5, 4.5);
        flag.lineTo(4.5, 7.5);
        flag.closeSubpath();
        p.drawPath(flag);
        if (temporary) DrawLetters(p, "T", QPointF(11.5, 12), 5, kInk);
    });
}

QImage Grid(bool dashed) {
    return Painted([dashed](QPainter& p) {
        p.setPen(QPen(dashed ? QColor(200, 60, 160) : QColor(40, 90, 190), 1.0,
                      dashed ? Qt::DashLine : Qt::SolidLine));
        for (double v : {3.5, 8.0, 12.5}) {
            p.drawLine(QPointF(v, 1.5), QPointF(v, 14.5));
            p.drawLine(QPointF(1.5, v), QPointF(14.5, v));
        }
    });
}

QImage Track() {
    return Painted([](QPainter& p) {
        p.setPen(QPen(QColor(200, 40, 40), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF pts[] = {{1.5, 13}, {5, 8}, {8, 10}, {11, 4}, {14.5, 2.5}};
        p.drawPolyline(pts, 5);
        p.setBrush(QColor(200, 40, 40));
        for (const QPointF& q : pts) p.drawEllipse(q, 1.0, 1.0);
    });
}

QImage SearchArea() {
    return Painted([](QPainter& p) {
        p.setBrush(QBrush(QColor(40, 150, 60), Qt::BDiagPattern));
        p.setPen(QPen(QColor(40, 150, 60), 1.2));
        const QPointF pts[] = {{2, 5}, {8, 1.5}, {14.5, 5}, {12, 14}, {4, 13}};
        p.drawPolygon(pts, 5);
    });
}

QImage ViewPoint() {
    return Painted([](QPainter& p) {
        p.setBrush(QColor(120, 180, 230, 140));
        QPainterPath cone;
        cone.moveTo(8, 14);
        cone.lineTo(1.5, 2);
        cone.lineTo(14.5, 2);
        cone.closeSubpath();
        p.drawPath(cone);
        p.setBrush(kInk);
        p.drawEllipse(QPointF(8, 13), 1.6, 1.6);
    });
}

QImage Overlay() {
    return Painted([](QPainter& p) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 9, 9));
        p.setBrush(QColor(230, 120, 40, 170));
        p.drawRect(QRectF(5.5, 5.5, 9, 9));
    });
}

using IconPainter = QImage (*)();

// The one list of our own painted icons: the painter of a command's
// picture, or none.
IconPainter PainterOf(int id) {
    switch (id) {
        case cmd::Print:
            return [] { return Printer(); };
        case cmd::ActivateView0:
            return [] { return Panes(0); };
        case cmd::ActivateView1:
            return [] { return Panes(1); };
        case cmd::ExportWptSectors:
            return [] { return ExportArrow(true); };
        case cmd::ExportWptPrintArea:
            return [] { return ExportArrow(false); };
        case cmd::CreateTempWpts:
            return [] { return WaypointMark(true); };
        case cmd::LayerFirst + 0:
            return [] { return Letter("G", QColor(60, 160, 60)); };
        case cmd::LayerFirst + 1:
            return [] { return Letter("RP", QColor(180, 120, 60)); };
        case cmd::LayerFirst + 2:
            return [] { return Letter("H", QColor(50, 110, 210)); };
        case cmd::LayerFirst + 3:
            return [] { return Letter("C", QColor(210, 50, 40)); };
        case cmd::LayerFirst + 4:
            return [] { return Letter("NP", QColor(60, 60, 60)); };
        case cmd::LayerFirst + 5:
            return [] { return Letter("I", QColor(150, 70, 170)); };
        case cmd::LayerGrid:
            return [] { return Grid(false); };
        case cmd::LayerPrintGrid:
            return [] { return Grid(true); };
        case cmd::LayerWaypoints:
            return [] { return WaypointMark(false); };
        case cmd::LayerTrackLogs:
            return [] { return Track(); };
        case cmd::LayerSearchArea:
            return [] { return SearchArea(); };
        case cmd::LayerDmrViewPoint:
            return [] { return ViewPoint(); };
        case cmd::ShowOverlay:
            return [] { return Overlay(); };
        default:
            return nullptr;
    }
}

}  // namespace

QImage PaintedCommandImage(int id) {
    const IconPainter paint = PainterOf(id);
    return paint ? paint() : QImage();
}

bool HasPaintedIcon(int id) { return PainterOf(id) != nullptr; }
