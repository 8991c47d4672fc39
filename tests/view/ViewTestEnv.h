#pragma once
// An application object, a scripted prompter and a document whose map
// folders lie in a temporary directory, with helpers that write hand-made
// segments into them.

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <functional>
#include <vector>

#include "AppDocEnv.h"
#include "SegmentWriters.h"
#include "doc/SegmentCache.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "mapview/MapViewController.h"
#include "mapview/MapViewFrame.h"

struct ViewTestEnv : AppDocEnv {
    ViewTestEnv() {
        CreateFolders(true);
        // Distinct colours per layer: G, RP, H, C, NP, I.
        CColorScheme sc;
        sc.name = "Test";
        const COLORREF colours[] = {RGBRef(0, 200, 0), RGBRef(150, 75, 0),  RGBRef(0, 0, 255),
                                    RGBRef(255, 0, 0), RGBRef(255, 0, 255), RGBRef(10, 10, 10)};
        std::copy(std::begin(colours), std::end(colours), sc.colors);
        app.settings.appearance.schemes = {sc};
        Make();
    }

    // Writes segment index of the series with value(x, y) at pixel (x, y),
    // counted from the top-left; or filled with fill, but for some spots.
    bool WriteSegment(int series, int index, const std::function<std::uint8_t(int x, int y)>& value) {
        const int p = DefaultMapType(series).pixels, stride = DibStride(p);
        std::vector<std::uint8_t> px(std::size_t(stride) * p);
        for (int y = 0; y < p; ++y)
            for (int x = 0; x < p; ++x) px[std::size_t(p - 1 - y) * stride + x] = value(x, y);
        return WriteMifSegment(doc->SegmentFilePath(series, index, ".mif"), px.data(), p, p, stride);
    }
    struct Spot {
        int x, y;
        std::uint8_t v;
    };
    bool WriteSegment(int series, int index, std::uint8_t fill, const std::vector<Spot>& spots = {}) {
        return WriteSegment(series, index, [&](int x, int y) {
            for (const Spot& s : spots)
                if (s.x == x && s.y == y) return s.v;
            return fill;
        });
    }
};

// A pane's window and frame as recording stand-ins.
struct MouseHost : IMapViewHost {
    std::vector<QRect> rects;
    int repaints = 0;
    bool canWarp = true;
    CursorShape cursor = CursorShape::Wait;
    void InvalidateAll() override { ++repaints; }
    void InvalidateRect(const QRect& r) override { rects.push_back(r); }
    void SetScrollRanges(const ScrollBarRange&, const ScrollBarRange&) override {}
    void SetScrollPositions(int, int) override {}
    void ScrollContents(int, int) override {}
    bool PutPointerAt(int, int) override { return canWarp; }
    void SetCursorShape(CursorShape s) override { cursor = s; }
    bool RunPrintDialog(QPrinter&) override { return false; }
    void RunPrintPreview(QPrinter&, const std::function<void(QPrinter&)>&) override {}
};

struct MouseFrame : IMapViewFrame {
    std::string status = "Ready";
    bool gpsIdle = true, dmr = false;
    int active = -1;
    void SetActiveVornaView(int i) override { active = i; }
    bool HasDmrView() const override { return dmr; }
    SplitStyle Layout() const override { return SplitStyle::MapOnly; }
    void SetStatusText(const std::string& s) override { status = s; }
    bool GpsLinkIdle() const override { return gpsIdle; }
};

// A TK25 pane of 400 x 300 whose quadrant edge E = 380000 runs at x ~ 200; a
// print frame of 3000 x 2000 hundredths (177 x 118 pixels) around its centre.
struct MouseEnv : ViewTestEnv {
    MouseHost host;
    MouseFrame frame;
    std::unique_ptr<CMapViewController> pane;
    MouseEnv() {
        ViewSettings v;
        v.mapType = kSeriesTK25;
        for (int& l : v.layers) l = 1;
        v.originX = 2162, v.originY = 28346;
        v.printWidth = 3000, v.printHeight = 2000;
        app.settings.views[0] = v;
        pane = std::make_unique<CMapViewController>(doc.get(), &host);
        pane->SetFrame(&frame);
        pane->Resize(400, 300);
        pane->InitFromSettings(0, 0);
        pane->Desc().printCenter = At(200, 150);
        Paint();  // claims the waypoint bases in view
    }
    ~MouseEnv() { pane.reset(); }
    CPointD At(int x, int y) const { return ClientToMap(x, y, pane->Desc(), DocGeoref(*doc)); }
    QRect Paint() {
        QImage img(400, 300, QImage::Format_RGB32);
        QPainter dc(&img);
        pane->Paint(dc);
        return pane->PrintFrame();
    }
    // A waypoint made as a click makes it, then no undo step and no change
    // to write; its base.
    int AddWpt(QPoint p) {
        const CPointD at = At(p.x(), p.y());
        EXPECT_EQ(doc->CreateWaypoint(at.easting, at.northing, WptCreateMode::Click, kSeriesTK25, "", "", 0),
                  1);
        const int q = CVornaDoc::GetQuadrantIndex(at.easting, at.northing);
        doc->ClearUndoStack();
        doc->Waypoints().Base(q).Modified = 0;
        return q;
    }
    // The track log := points at client points with their times.
    void SetTrack(const std::vector<std::pair<QPoint, std::int32_t>>& points) {
        doc->ClearTrackLog(0);
        for (const auto& [p, time] : points) {
            TrackPoint t{};
            t.position = At(p.x(), p.y());
            t.time = time;
            EXPECT_TRUE(doc->TrackLogStore().Append(t));
        }
    }
    void Drag(QPoint from, QPoint to) {
        pane->OnMouseMove(from);
        pane->OnLButtonDown(from, false);
        if (to != from) pane->OnMouseMove(to);
        pane->OnLButtonUp(to);
    }
    int Undos() { return doc->Waypoints().UndoStack().Count(); }
};
