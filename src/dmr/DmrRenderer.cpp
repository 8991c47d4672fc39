#include "dmr/DmrRenderer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <vector>

#include "dmr/DmrCamera.h"
#include "dmr/DmrTables.h"
#include "dmr/HorizonRaster.h"
#include "doc/Grids.h"
#include "doc/MapViewDesc.h"
#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "platform/Prompt.h"
#include "platform/System.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

using namespace dmr;

namespace {

constexpr double kSurfaceDelay = 0.5;  // seconds between the wireframe and the surface
// Hectometres: heights are 16-bit metres, and a patch's control points rise
// at most a third of a height difference above its corners.
constexpr double kHighestPatch = 440.0;
constexpr int kSideSeries[4] = {kMapNone, kMapNone, 1, 4};  // TK50 draped, OF50 orthophoto

struct RowEntry {
    std::int32_t sx = 0, sy = 0, valid = 0;
};

// Once-per-render messages: a row-by-row box would bury the user.
struct Warnings {
    bool sides = false, range = false;
};

}  // namespace

struct CDmrRenderer::Impl {
    CVornaDoc& doc;
    AppSettings& settings;
    CMemoryCounters& memory;
    QuadrantFlags& ages;

    Camera cam;
    Trapezoid trap;
    bool haveTrap = false;
    ScanPlan plan;
    int currentRow = 0;
    int rowsDone = 0;
    int prevLow = 1, prevHigh = -1;

    bool wireframe = false;
    int surface = 0;
    bool fillGaps = false;
    double light[3] = {};
    double sampling = 1.0;
    long long sampleBudget = 0;
    bool heightFailed = false;
    Warnings warned;
    CDmrRenderer::Stats stats;

    CHorizonRaster raster;
    std::vector<RowEntry> rowBuf[2];
    const Tables& tables = GetTables();
    int nearBuf = 0;

    // Map choice: segments for the draped surfaces stay claimed across renders.
    int storedSurface = 0, storedPreview = 0;
    MapViewDesc desc;
    SegmentFlags inView;
    bool haveInView = false;
    int stride = 0;

    // The segment of the last map lookup. Valid within one row only: between
    // rows the map view may free or reload segment pixels.
    struct SegmentLookup {
        bool valid = false;
        double west = 0, south = 0;  // metres
        const std::uint8_t* pixels = nullptr;
        std::size_t size = 0;
    } lookup;

    // The sampled patch and its projections.
    double Xs[kPatchSteps + 1];  // northing of a row of samples
    double Ys[kPatchSteps + 1];  // easting of a column
    int rowPx[kPatchSteps + 1], colPx[kPatchSteps + 1];
    double Z[kPatchSteps + 1][kPatchSteps + 1];
    Camera::Projected S[kPatchSteps + 1][kPatchSteps + 1];
    bool ok[kPatchSteps + 1][kPatchSteps + 1];
    int nI = 0, nJ = 0;
    bool gap = false;

    Impl(CVornaDoc& d, AppSettings& s, CMemoryCounters& m, QuadrantFlags& a)
        : doc(d), settings(s), memory(m), ages(a) {
        rowBuf[0].resize(kRowBufferSize);
        rowBuf[1].resize(kRowBufferSize);
        desc.mapType = kMapNone;
        for (int& l : desc.layers) l = 1;
    }

    // ---- heights -------------------------------------------------------------
    double Height(int n, int e, bool absolute) {
        if (heightFailed) return -1.0;
        const double z = doc.GetDmrZ(n, e, ages, absolute ? 1 : 0);
        if (z == -1.0) {
            // A quadrant inside the area that is still not claimed after the
            // query could not be loaded for lack of memory; its message has
            // been shown, and every further query would show it again.
            const int q = GetQuadrantIndex(100.0 * e, 100.0 * n);
            if (q >= 0 && !ages[std::size_t(q)]) heightFailed = true;
        }
        return z;
    }

    // ---- map segments ----------------------------------------------------------
    void ReleaseMapSegments() {
        if (!haveInView) return;
        doc.SelectActiveMapSegments(desc, CRectD(), inView, 0);
        if (std::any_of(inView.begin(), inView.end(), [](std::int32_t f) { return f != 0; }))
            MsgBox("Error! Not entire SInView is FALSE after deselecting segments in ReleaseMapSegments");
        memory.CountFree(kMemSegInView, (long long)inView.size() * 4);
        inView.clear();
        inView.shrink_to_fit();
        haveInView = false;
    }

    void ChooseMap(const DmrParams& p) {
        if (p.SurfaceType == storedSurface && p.PreviewMode == storedPreview) return;
        storedSurface = p.SurfaceType;
        storedPreview = p.PreviewMode;
        const int type = (p.PreviewMode == 0 || p.SurfaceType < 0 || p.SurfaceType > 3)
                             ? kMapNone
                             : kSideSeries[p.SurfaceType];
        if (type == desc.mapType) return;
        ReleaseMapSegments();
        desc.mapType = type;
        if (type < 0) return;
        SetSeriesGeometry(desc, type, settings.mapTypes[type]);
        stride = DibStride(desc.segmentPixels);
        try {
            inView.assign(std::size_t(std::max(desc.segmentCount, 0)), 0);
        } catch (const std::bad_alloc&) {
            MsgBox("Internal Error! Not enough memory for SInView in CDMRView::PrepareDraw!");
            desc.mapType = kMapNone;
            return;
        }
        haveInView = true;
        memory.CountAlloc(kMemSegInView, (long long)inView.size() * 4);
    }

    void MarkSegmentsOnLine(Point2 a, Point2 b, int n, std::vector<char>& flags) const {
        for (int i = 0; i <= n; ++i) {
            const double x = (a.x * (n - i) + b.x * i) / n, y = (a.y * (n - i) + b.y * i) / n;
            const int idx = doc.Segments().GetSegmentIndex(desc.mapType, y * 100.0, x * 100.0);
            if (idx >= 0 && idx < int(flags.size())) flags[std::size_t(idx)] = 1;
        }
    }

    // Releases segments the previous picture's ground did not touch.
    void ReleaseOutOfView() {
        if (desc.mapType == kMapNone || !haveInView || !haveTrap || desc.segmentMetres <= 0) return;
        std::vector<char> inArea(inView.size(), 0);
        const double S = desc.segmentMetres;
        // More probes than the whole area has segments add nothing.
        const int most = int(2.0 * (kAreaEast - kAreaWest + kAreaNorth - kAreaSouth) / S) + 2;
        auto steps = [&](double metres) {
            return std::clamp(SaturateToInt(2.0 * metres / S + 1.0), 1, most);
        };
        auto dist = [](Point2 a, Point2 b) { return std::hypot(a.x - b.x, a.y - b.y); };
        auto mix = [](Point2 a, Point2 b, int i, int n) {
            return Point2{(a.x * (n - i) + b.x * i) / n, (a.y * (n - i) + b.y * i) / n};
        };
        const Point2 mn{(trap.nearLeft.x + trap.nearRight.x) / 2, (trap.nearLeft.y + trap.nearRight.y) / 2};
        const Point2 mf{(trap.farLeft.x + trap.farRight.x) / 2, (trap.farLeft.y + trap.farRight.y) / 2};
        const int n = steps(dist(mn, mf) * 100.0);
        for (int i = 0; i <= n; ++i) {
            const Point2 l = mix(trap.nearLeft, trap.farLeft, i, n),
                         r = mix(trap.nearRight, trap.farRight, i, n);
            MarkSegmentsOnLine(l, r, steps(dist(l, r) * 100.0), inArea);
        }
        auto edge = [&](Point2 a, Point2 b) {
            MarkSegmentsOnLine(a, b, std::clamp(SaturateToInt(dist(a, b) + 1.0), 1, most), inArea);
        };
        edge(trap.nearLeft, trap.farLeft);
        edge(trap.nearRight, trap.farRight);
        edge(trap.nearLeft, trap.nearRight);
        edge(trap.farLeft, trap.farRight);
        for (std::size_t i = 0; i < inView.size(); ++i)
            if (inView[i] && !inArea[i]) doc.RemoveMapSegments(desc, int(i), inView);
    }

    // ---- preparation -----------------------------------------------------------
    bool PrepareDraw(bool wire, int w, int h) {
        const DmrParams& p = settings.dmr;
        wireframe = wire;
        surface = p.SurfaceType;
        fillGaps = p.FillGaps != 0;
        for (int i = 0; i < 3; ++i) light[i] = p.Light[i];
        sampling = p.Rendering == 0 ? 2.0 : p.Rendering == 1 ? 1.0 : 0.5;
        // Samples a pixel at "Coarse", "Medium" and "Fine": about twice to
        // three times what an ordinary view takes, and never less than small
        // pictures of a wide range need.
        const double perPixel = p.Rendering == 0 ? 1.0 : p.Rendering == 1 ? 4.0 : 8.0;
        sampleBudget = (long long)(perPixel * std::max(double(w) * h, 262144.0));
        double eyeZ = p.AbsHeight / 100.0;
        if (p.IsRelHeight) {
            const double n = p.ViewPoint.northing / 100.0, e = p.ViewPoint.easting / 100.0;
            eyeZ = p.RelHeight / 100.0 + Height(SaturateToInt(n), SaturateToInt(e), true);
        }
        cam.Setup(p, w, h, eyeZ);
        ChooseMap(p);
        ReleaseOutOfView();
        Trapezoid t;
        t.Build(cam);
        if (!t.Finite()) return false;
        try {
            raster.Reset(w, h);
        } catch (const std::bad_alloc&) {
            MsgBox("Error! Not enough memory for DMR image in PrepareDraw!");
            return false;
        }
        trap = t;
        haveTrap = true;
        doc.DmrGroundRange = trap.groundRange;
        nearBuf = 0;
        plan = PlanScan(p.Azimut, trap);
        currentRow = plan.firstRow;
        rowsDone = 0;
        prevLow = 1;
        prevHigh = -1;
        warned = Warnings{};
        stats = {};
        return !heightFailed;
    }

    // ---- one row -----------------------------------------------------------------
    bool AlongX() const { return plan.dir == kScanNorth || plan.dir == kScanSouth; }

    // Screen x of the grid node at (scan row, column) on the terrain.
    bool NodeSx(int row, int col, int& sx) {
        const int x = AlongX() ? row : col, y = AlongX() ? col : row;
        Camera::Projected pr;
        if (!cam.Project(x, y, Height(x, y, true), pr)) return false;
        sx = pr.sx;
        return true;
    }

    void ProjectToRow(int buf, int col, int row) {
        const int k = col - ColumnOffset(plan.dir);
        if (k < 0 || k >= kRowBufferSize) return;
        const int x = AlongX() ? row : col, y = AlongX() ? col : row;
        RowEntry& e = rowBuf[buf][std::size_t(k)];
        Camera::Projected pr;
        e.valid = cam.Project(x, y, Height(x, y, true), pr) ? 1 : 0;
        e.sx = pr.sx;
        e.sy = pr.sy;
    }

    // Column coordinate where a side line crosses scan row r.
    double Hit(const Line& l, double r) const {
        return AlongX() ? -(l.a * r + l.c) / l.b : -(l.b * r + l.c) / l.a;
    }
    bool Inside(double hit, double r) const {
        const double v = AlongX() ? trap.farEdge.At(r, hit) : trap.farEdge.At(hit, r);
        return std::isfinite(v) && std::copysign(1.0, v) == trap.sideSign;
    }

    void Draw() {
        lookup = SegmentLookup{};
        const int r = currentRow, r2 = r + plan.rowStep;
        const ScanDir dir = plan.dir;
        const int offset = ColumnOffset(dir);
        const int minCol = offset, maxCol = offset + kRowBufferSize - 1;
        // 1. the column next to the line of sight
        const bool leftIsLess = dir == kScanNorth || dir == kScanWest;
        int c = std::clamp(SaturateToInt(plan.apex), minCol - 25, maxCol + 25) + (dir == kScanEast ? 1 : 0);
        auto nearLeftOfFar = [&](int col) {  // r' at or screen-left of r
            int a, b;
            if (!NodeSx(r, col, a) || !NodeSx(r2, col, b)) return false;
            return leftIsLess ? b <= a : a <= b;
        };
        auto farRightOfNear = [&](int col) {
            int a, b;
            if (!NodeSx(r, col, a) || !NodeSx(r2, col, b)) return false;
            return leftIsLess ? a < b : b < a;
        };
        for (int k = 0; k < 20 && nearLeftOfFar(c); ++k) --c;
        for (int k = 0; k < 20 && farRightOfNear(c + 1); ++k) ++c;
        // 2. where the side edges cross the far row
        double leftHit = Hit(trap.left, r2), rightHit = Hit(trap.right, r2);
        const bool leftIn = Inside(leftHit, r2), rightIn = Inside(rightHit, r2);
        bool fixedLeft = false, fixedRight = false;
        if (!leftIn && !rightIn) {
            if (!warned.sides) MsgBox("Warning! Left and right intersections out of range!");
            warned.sides = true;
        } else if (!rightIn) {
            rightHit = Hit(trap.farEdge, r2);
            fixedRight = true;
        } else if (!leftIn) {
            leftHit = Hit(trap.farEdge, r2);
            fixedLeft = true;
        }
        // 3. column ends, widened to the picture's edges
        const int screenRight = (dir == kScanNorth || dir == kScanWest) ? 1 : -1;
        int L = std::clamp(SaturateToInt(leftHit), minCol - 20, maxCol + 20);
        int R = std::clamp(SaturateToInt(rightHit), minCol - 20, maxCol + 20);
        int sx = 0;
        if (!fixedRight)
            for (int k = 0; k < 10 && NodeSx(r2, R, sx) && sx < cam.width; ++k) R += screenRight;
        if (!fixedLeft)
            for (int k = 0; k < 10 && NodeSx(r2, L, sx) && sx > 0; ++k) L -= screenRight;
        const int lo0 = std::min(L, R), hi0 = std::max(L, R);
        int lo = std::max(lo0, minCol), hi = std::min(hi0, maxCol);
        // Cells none of whose points, at any height a patch can reach, come
        // into the picture draw nothing; a view looking up or from far above
        // has its edge hits far apart, so the row keeps only the others.
        // Nor does ground farther from the eye than the range times the
        // square root of 2: the trapezoid's far corners lie within that up to
        // a 90 degree angle, and wider angles would scan the sides of the
        // whole model.
        const double reach = 1.42 * cam.range + 2.0, eyeRow = AlongX() ? cam.eyeX : cam.eyeY,
                     eyeCol = AlongX() ? cam.eyeY : cam.eyeX;
        const double across = std::min(std::fabs(r - eyeRow), std::fabs(r2 - eyeRow));
        if (!(across <= reach)) {
            lo = 1, hi = 0;
        } else {
            const double half = std::sqrt(reach * reach - across * across);
            lo = std::max(lo, SaturateToInt(std::floor(eyeCol - half)));
            hi = std::min(hi, SaturateToInt(std::ceil(eyeCol + half)));
        }
        double cMin = 0, cMax = 0;
        if (lo > hi || !VisibleSpan(cam, AlongX(), r, r2, lo - 1, hi + 1, 0.0, kHighestPatch, cMin, cMax)) {
            lo = 1, hi = 0;
        } else {
            lo = std::max(lo, SaturateToInt(std::floor(cMin)) - 1);
            hi = std::min(hi, SaturateToInt(std::ceil(cMax)) + 1);
        }
        // 4. far row of the last step becomes the near row
        nearBuf ^= 1;
        const int farBuf = nearBuf ^ 1;
        if (lo <= hi) {
            // Only the wireframe draws from the row buffers.
            if (wireframe)
                for (int col = lo - 1; col <= hi + 1; ++col) {
                    if (prevHigh < 0 || col < prevLow || col > prevHigh) ProjectToRow(nearBuf, col, r);
                    ProjectToRow(farBuf, col, r2);
                }
            prevLow = lo - 1;
            prevHigh = hi + 1;
        } else {
            prevLow = 1, prevHigh = -1;
        }
        if (heightFailed) return;
        // 5. cells from the line of sight outwards
        if (hi0 < lo0) {
            if (!warned.range && dir == kScanNorth) MsgBox("Error! Y range not valid in Draw DMR image!");
            if (!warned.range && dir == kScanWest) MsgBox("Error! X range not valid in Draw DMR image!");
            warned.range = true;
        } else if (lo <= hi) {
            for (int col = std::max(c, lo); col <= hi && !heightFailed;)
                col += DrawCells(r, col, std::min(hi - col + 1, kBlock), plan.rowStep, 1);
            for (int col = std::min(hi, c); col >= lo && !heightFailed;)
                col -= DrawCells(r, col, std::min(col - lo + 1, kBlock), plan.rowStep, -1);
        }
        // 6.
        currentRow = r2;
    }

    // ---- a run of cells -------------------------------------------------------------
    // Far off nearly every cell lies behind the horizon. A run of cells along
    // the row is tested at once, on the heights its cells read (and no
    // others, so no other quadrant is claimed): a control point lies within
    // a third of the heights' spread beyond them. A run that cannot show is
    // skipped whole; else its cells are drawn one by one.
    static constexpr int kBlock = 8;

    int DrawCells(int row, int col, int n, int rowStep, int colStep) {
        if (n > 1 && (wireframe ? LinesHidden(col, n, colStep) : RunHidden(row, col, n, rowStep, colStep))) {
            stats.cells += n;
            return n;
        }
        for (int k = 0; k < n; ++k) {
            if (heightFailed) return n;
            DrawCell(row, col + k * colStep, rowStep, colStep);
        }
        return n;
    }

    // The wireframe's lines of a run, all their ends projected, lie within
    // the run's screen box: under the horizon there, none of them draws.
    bool LinesHidden(int col, int n, int colStep) const {
        const int k0 = col - ColumnOffset(plan.dir), kn = k0 + n * colStep;
        if (std::min(k0, kn) < 0 || std::max(k0, kn) >= kRowBufferSize) return false;
        const RowEntry* nearRow = rowBuf[nearBuf].data();
        const RowEntry* farRow = rowBuf[nearBuf ^ 1].data();
        int lo = INT_MAX, hi = INT_MIN, top = INT_MIN;
        auto widen = [&](const RowEntry& e) {
            lo = std::min(lo, e.sx), hi = std::max(hi, e.sx), top = std::max(top, e.sy);
            return e.valid != 0;
        };
        for (int i = 0, k = k0; i <= n; ++i, k += colStep)
            if (!widen(nearRow[k]) || (i < n && !widen(farRow[k]))) return false;
        return raster.Hidden(lo, top, hi, top);
    }

    bool RunHidden(int row, int col, int n, int rowStep, int colStep) {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        auto node = [&](int a, int b) {  // a along the scan, b along the row
            const int rr = row + a * rowStep, cc = col + b * colStep;
            const double z = AlongX() ? Height(rr, cc, true) : Height(cc, rr, true);
            lo = std::min(lo, z), hi = std::max(hi, z);
        };
        for (int b = 0; b <= n; ++b) node(-1, b), node(2, b);
        for (int b = -1; b <= n + 1; ++b) node(0, b), node(1, b);
        if (heightFailed || !(hi >= lo)) return false;
        const double spread = (hi - lo) / 3.0 * 1.000001 + 1e-6;
        const int r0 = std::min(row, row + rowStep), r1 = std::max(row, row + rowStep);
        const int c0 = std::min(col, col + n * colStep), c1 = std::max(col, col + n * colStep);
        return AlongX() ? BoxHidden(r0, r1, c0, c1, lo - spread, hi + spread)
                        : BoxHidden(c0, c1, r0, r1, lo - spread, hi + spread);
    }

    // ---- one cell ------------------------------------------------------------------
    void DrawCell(int row, int col, int rowStep, int colStep) {
        ++stats.cells;
        if (wireframe) {
            const int k = col - ColumnOffset(plan.dir), k2 = k + colStep;
            auto valid = [](const std::vector<RowEntry>& b, int i) {
                return i >= 0 && i < kRowBufferSize && b[std::size_t(i)].valid;
            };
            const auto& nearRow = rowBuf[nearBuf];
            const auto& farRow = rowBuf[nearBuf ^ 1];
            if (!valid(nearRow, k)) return;
            const RowEntry& a = nearRow[std::size_t(k)];
            // Most far lines lie wholly under the horizon and would change nothing.
            auto line = [&](const RowEntry& b, bool updateLast) {
                if (!raster.Hidden(a.sx, a.sy, b.sx, b.sy))
                    raster.DrawHorizonLine(a.sx, a.sy, b.sx, b.sy, 0, updateLast);
            };
            if (valid(nearRow, k2)) line(nearRow[std::size_t(k2)], true);
            if (valid(farRow, k)) line(farRow[std::size_t(k)], false);
            return;
        }
        // Patches run in (northing, easting) whatever the scan axis.
        if (AlongX())
            PaintPatch(row, col, rowStep, colStep, true);
        else
            PaintPatch(col, row, colStep, rowStep, false);
    }

    static int SampleStep(int extent, double sampling) {
        const int e = std::max(extent, 1);
        return std::max(SaturateToInt((kPatchSteps / e) * sampling), 1);
    }

    // What the control net shows of a patch on the screen. Samples below 0
    // are lifted to 0, so the patch lies in the hull of the control points
    // lifted alike and, where they lie below 0, of the points themselves;
    // with every one in front of the eye their projections bound its picture.
    struct NetView {
        bool cull = false;  // nothing of the patch can be drawn
        int extI = 0, extJ = 0;
    };

    NetView ViewOfNet(int r, int c, int dr, int dc, const double (&P)[4][4]) const {
        NetView v;
        const int W = cam.width, H = cam.height;
        Camera::Projected q[4][4];
        bool in[4][4];
        bool all = true, any = false;
        int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
        auto widen = [&](const Camera::Projected& s) {
            minX = std::min(minX, s.sx), maxX = std::max(maxX, s.sx);
            minY = std::min(minY, s.sy), maxY = std::max(maxY, s.sy);
        };
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b) {
                const double x = r + a * dr / 3.0, y = c + b * dc / 3.0, z = P[a][b];
                in[a][b] = cam.Project(x, y, z > 0 ? z : 0, q[a][b]);
                Camera::Projected below;
                const bool belowIn = z < 0 ? cam.Project(x, y, z, below) : true;
                all = all && in[a][b] && belowIn;
                any = any || in[a][b];
                if (in[a][b]) widen(q[a][b]);
                if (z < 0 && belowIn) widen(below);
            }
        // Depth is linear in the hull: with no point in front, all is behind.
        // Partly behind the eye the hull's picture is unbounded; the cell's
        // box at the heights its samples take then decides.
        if (any && !all) {
            double zLow = P[0][0], zHigh = P[0][0];
            for (const auto& row : P)
                for (const double z : row) zLow = std::min(zLow, z), zHigh = std::max(zHigh, z);
            any = BoxCanShow(cam, r, r + dr, c, c + dc, std::max(zLow, 0.0), std::max(zHigh, 0.0));
        }
        if (!any) {
            v.cull = true;
            return v;
        }
        if (all) {
            // One pixel of margin for the truncation of each projection.
            // Above the picture a patch only closes columns, so where every
            // column it spans is closed (or higher) it changes nothing.
            --minX, ++maxX, --minY, ++maxY;
            const int top = std::min(maxY, H - 1);
            if (maxX < 0 || minX > W - 1 || maxY < 0 || raster.Hidden(minX, top, maxX, top)) {
                v.cull = true;
                return v;
            }
        }
        // Extents on the picture: points beyond it count at its edge, so a
        // patch mostly outside is sampled by the part that shows. Along u or
        // v the patch moves at most three times its net's longest leg.
        auto leg = [&](int a1, int b1, int a2, int b2) {
            if (!in[a1][b1] || !in[a2][b2]) return 0;
            const Camera::Projected &s = q[a1][b1], &t = q[a2][b2];
            const int dx = std::abs(std::clamp(s.sx, -1, W) - std::clamp(t.sx, -1, W));
            const int dy = std::abs(std::clamp(s.sy, -1, H) - std::clamp(t.sy, -1, H));
            return 3 * std::max(dx, dy);
        };
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 3; ++b) {
                v.extI = std::max(v.extI, leg(b, a, b + 1, a));
                v.extJ = std::max(v.extJ, leg(a, b, a, b + 1));
            }
        return v;
    }

    // A cheap test of what ViewOfNet() would cull, for the many cells behind
    // the horizon: the net lies in the cell's box at the heights it spans,
    // and with the box wholly in front of the eye, the extremes of right, up
    // and depth over the box bound the net's picture. A few pixels more than
    // its margins cover rounding, so whatever this hides ViewOfNet() hides.
    bool SurelyHidden(int r, int c, int dr, int dc, const double (&P)[4][4]) const {
        double zLow = P[0][0], zHigh = P[0][0];
        for (const auto& row : P)
            for (const double z : row) zLow = std::min(zLow, z), zHigh = std::max(zHigh, z);
        return BoxHidden(std::min(r, r + dr), std::max(r, r + dr), std::min(c, c + dc), std::max(c, c + dc),
                         zLow, zHigh);
    }

    // The same for every net in the box xa..xb, ya..yb at heights zLow..zHigh.
    bool BoxHidden(int xa, int xb, int ya, int yb, double zLow, double zHigh) const {
        const int W = cam.width, H = cam.height;
        if (!(cam.focal < 1e9) || W > 30000 || H > 30000) return false;
        zHigh = std::max(zHigh, 0.0);  // samples are lifted to 0
        const double x0 = xa - cam.eyeX, x1 = xb - cam.eyeX, y0 = ya - cam.eyeY, y1 = yb - cam.eyeY;
        const double z0 = zLow - cam.eyeZ, z1 = zHigh - cam.eyeZ;
        double dLo = 0, dHi = 0, rLo = 0, rHi = 0, uLo = 0, uHi = 0;
        auto span = [](double k, double a, double b, double& lo, double& hi) {
            const double p = k * a, q = k * b;
            lo += std::min(p, q), hi += std::max(p, q);
        };
        const double ca = cam.cosAz, sa = cam.sinAz, ct = cam.cosTilt, st = cam.sinTilt;
        span(ca * st, x0, x1, dLo, dHi), span(sa * st, y0, y1, dLo, dHi), span(ct, z0, z1, dLo, dHi);
        span(-sa, x0, x1, rLo, rHi), span(ca, y0, y1, rLo, rHi);
        span(ca * ct, x0, x1, uLo, uHi), span(sa * ct, y0, y1, uLo, uHi), span(-st, z0, z1, uLo, uHi);
        const double size =
            std::fabs(x0) + std::fabs(x1) + std::fabs(y0) + std::fabs(y1) + std::fabs(z0) + std::fabs(z1);
        if (!(dLo > 1e-6 * size) || !(dLo > 0.0)) return false;
        const double f = cam.focal, halfW = W / 2, halfH = H / 2, m = 3.0;
        const double sxLo = halfW + (rLo >= 0 ? rLo / dHi : rLo / dLo) * f;
        const double sxHi = halfW + (rHi >= 0 ? rHi / dLo : rHi / dHi) * f;
        const double syHi = halfH - (uLo >= 0 ? uLo / dHi : uLo / dLo) * f;
        if (!std::isfinite(sxLo) || !std::isfinite(sxHi) || !std::isfinite(syHi)) return false;
        if (sxHi + m < 0 || sxLo - m > W - 1 || syHi + m < 0) return true;
        const int lo = int(std::max(std::floor(sxLo) - m, -1.0)),
                  hi = int(std::min(std::ceil(sxHi) + m, double(W)));
        const int top = int(std::min(std::ceil(syHi) + m, double(H - 1)));
        return raster.Hidden(lo, top, hi, top);
    }

    // False when nothing of the patch can show.
    bool ComputePatch(int r, int c, int dr, int dc) {
        double z00 = Height(r, c, false), z10 = Height(r + dr, c, false);
        double z01 = Height(r, c + dc, false), z11 = Height(r + dr, c + dc, false);
        gap = z00 < 0 || z10 < 0 || z01 < 0 || z11 < 0;
        if (gap) z00 = std::fabs(z00), z10 = std::fabs(z10), z01 = std::fabs(z01), z11 = std::fabs(z11);
        // Control net: corners, and beside each the slope of a central
        // difference over two steps, one third of it.
        auto Zabs = [&](int n, int e) { return Height(n, e, true); };
        const double gx00 = (z10 - Zabs(r - dr, c)) / 2 * (dr / 3.0) * dr;
        const double gy00 = (z01 - Zabs(r, c - dc)) / 2 * (dc / 3.0) * dc;
        const double gx10 = (z00 - Zabs(r + 2 * dr, c)) / 2 * (dr / 3.0) * dr;
        const double gy10 = (z11 - Zabs(r + dr, c - dc)) / 2 * (dc / 3.0) * dc;
        const double gx01 = (z11 - Zabs(r - dr, c + dc)) / 2 * (dr / 3.0) * dr;
        const double gy01 = (z00 - Zabs(r, c + 2 * dc)) / 2 * (dc / 3.0) * dc;
        const double gx11 = (z01 - Zabs(r + 2 * dr, c + dc)) / 2 * (dr / 3.0) * dr;
        const double gy11 = (z10 - Zabs(r + dr, c + 2 * dc)) / 2 * (dc / 3.0) * dc;
        const double P[4][4] = {
            {z00, z00 + gy00, z01 + gy01, z01},
            {z00 + gx00, z00 + gx00 + gy00, z01 + gx01 + gy01, z01 + gx01},
            {z10 + gx10, z10 + gx10 + gy10, z11 + gx11 + gy11, z11 + gx11},
            {z10, z10 + gy10, z11 + gy11, z11},
        };
        // Samples along u (northing) follow the patch's screen extent along
        // u, and along v its extent along v, in both screen directions, so
        // a slope facing the eye gets as many lines as it has pixels.
        if (SurelyHidden(r, c, dr, dc, P)) return false;
        const NetView view = ViewOfNet(r, c, dr, dc, P);
        if (view.cull) return false;
        // A render whose patches overlap far more than a picture's worth
        // (very wide angles looking down) draws the rest at the corners only.
        const bool spent = stats.samples > sampleBudget;
        const int stepI = spent ? kPatchSteps : SampleStep(view.extI, sampling);
        const int stepJ = spent ? kPatchSteps : SampleStep(view.extJ, sampling);
        const auto& B = GetTables().bernstein;
        int us[kPatchSteps + 1], vs[kPatchSteps + 1];
        auto samples = [](int step, int* out) {
            int n = 0;
            for (int u = 0;; u += step) {
                out[n] = std::min(u, kPatchSteps);
                if (out[n++] == kPatchSteps) return n - 1;
            }
        };
        nI = samples(stepI, us);
        nJ = samples(stepJ, vs);
        stats.samples += (long long)(nI + 1) * (nJ + 1);
        // Easting, the v weights and the camera's products of easting depend
        // on the column of samples alone, northing's on the row.
        double bv[kPatchSteps + 1][4], fwdY[kPatchSteps + 1], rightY[kPatchSteps + 1];
        for (int j = 0; j <= nJ; ++j) {
            double y = 0;
            for (int b = 0; b < 4; ++b) bv[j][b] = B[b][vs[j]], y += (c + b * dc / 3.0) * bv[j][b];
            Ys[j] = y;
            const double dy = y - cam.eyeY;
            fwdY[j] = dy * cam.sinAz;
            rightY[j] = dy * cam.cosAz;
        }
        for (int i = 0; i <= nI; ++i) {
            const int u = us[i];
            double x = 0, rowZ[4];
            for (int a = 0; a < 4; ++a) x += (r + a * dr / 3.0) * B[a][u];
            Xs[i] = x;
            for (int b = 0; b < 4; ++b)
                rowZ[b] = P[0][b] * B[0][u] + P[1][b] * B[1][u] + P[2][b] * B[2][u] + P[3][b] * B[3][u];
            const double dx = x - cam.eyeX, fwdX = dx * cam.cosAz, rightX = -dx * cam.sinAz;
            for (int j = 0; j <= nJ; ++j) {
                double z = 0;
                for (int b = 0; b < 4; ++b) z += rowZ[b] * bv[j][b];
                Z[i][j] = z > 0 ? z : 0;
                ok[i][j] = cam.ProjectParts(fwdX + fwdY[j], rightX + rightY[j], Z[i][j] - cam.eyeZ, S[i][j]);
            }
        }
        // The map's pixel row of a row of samples, and column of a column.
        const int side = desc.segmentPixels;
        if ((surface == 2 || surface == 3) && side > 0) {
            for (int i = 0; i <= nI; ++i) rowPx[i] = PixelOf(Xs[i], side);
            for (int j = 0; j <= nJ; ++j) colPx[j] = PixelOf(Ys[j], side);
        }
        return true;
    }

    // Lambert shade 0..63 of the sample's surface normal (unit steps along
    // the cell, turned by the cell's steps) against the light.
    // Northing is the same along a row of samples and easting along a
    // column, so the steps are a = (ax, 0, az) and b = (0, by, bz) exactly;
    // the terms of the cross product left out are zeros, which change no sum
    // and at most the sign of a zero.
    double Shade(int i, int j, int dr, int dc) const {
        const double ax = Xs[i + 1] - Xs[i], az = Z[i + 1][j] - Z[i][j];
        const double by = Ys[j + 1] - Ys[j], bz = Z[i][j + 1] - Z[i][j];
        const double lengths = std::sqrt((ax * ax + az * az) * (by * by + bz * bz));
        const double lit =
            (-(az * by) * light[0] + -(ax * bz) * light[1] + ax * by * light[2]) * (dr * dc) / lengths;
        const double s = (lit + 1.0) * 0.5 * 63.0;
        return s >= 0.0 ? (s <= 63.0 ? s : 63.0) : 0.0;  // NaN (a cell of zero size) gives 0
    }

    // The pixel of a segment side under v hectometres: frac(v / 100) x side,
    // truncated. A product by the reciprocal lies within a few units in the
    // last place of the quotient, so it decides alike except right at a whole
    // number, where the division itself does.
    static int PixelOf(double v, int side) {
        if (v >= 0.0 && v < 1e8 && side <= 100000) {
            const double q = v * 0.01, f = q - double(int(q)), t = f * side;
            const int whole = int(t);
            if (f > 1e-9 && f < 1.0 - 1e-9 && t - whole > 1e-4 && whole + 1.0 - t > 1e-4)
                return std::clamp(whole, 0, side - 1);
        }
        auto frac = [](double u) { return u - std::floor(u); };
        return std::clamp(SaturateToInt(frac(v / 100.0) * side), 0, side - 1);
    }

    // Grey of an orthophoto byte at a shade: byte x shade / 70, truncated;
    // by the reciprocal as PixelOf(), the division only near a whole number.
    static int OrthoGrey(std::uint8_t byte, double shade) {
        const double v = byte * shade, t = v * (1.0 / 70);
        if (t > 0.0 && t < 1e6) {
            const int whole = int(t);
            if (t - whole > 1e-9 && whole + 1.0 - t > 1e-9) return std::clamp(whole, 0, 255);
        }
        return std::clamp(SaturateToInt(v / 70), 0, 255);
    }

    // The map byte under a sample; false without map data there.
    bool MapByte(int i, int j, std::uint8_t& byte) {
        const double x = Xs[i], y = Ys[j];
        const double E = y * 100.0, N = x * 100.0;
        SegmentLookup& m = lookup;
        if (!(m.valid && E >= m.west && E < m.west + desc.segmentMetres && N >= m.south &&
              N < m.south + desc.segmentMetres)) {
            m = SegmentLookup{};
            const int idx = doc.Segments().GetSegmentIndex(desc.mapType, E, N);
            if (idx < 0 || idx >= int(inView.size()) || desc.segmentsPerSide <= 0) return false;
            if (!inView[std::size_t(idx)]) doc.ClaimMapSegment(desc, idx, inView);
            m.valid = true;
            m.west = kAreaWest + double(idx % desc.segmentsPerSide) * desc.segmentMetres;
            m.south = kAreaNorth - double(idx / desc.segmentsPerSide + 1) * desc.segmentMetres;
            m.pixels = doc.SegmentPixels(desc.mapType, idx);
            m.size = m.pixels ? doc.Series(desc.mapType).SBmp[std::size_t(idx)].Size : 0;
        }
        if (!m.pixels) return false;
        const int side = desc.segmentPixels;
        const int row = side > 0 ? rowPx[i] : PixelOf(x, side),
                  column = side > 0 ? colPx[j] : PixelOf(y, side);
        const std::size_t at = std::size_t(row) * std::size_t(stride) + std::size_t(column);
        if (at >= m.size) return false;
        byte = m.pixels[at];
        return true;
    }

    std::uint32_t Colour(int i, int j, double shade, int farDepth) {
        const Tables& t = tables;
        const int s = std::clamp(int(shade), 0, kShades - 1);
        const double z = Z[i][j];
        switch (surface) {
            case 1: {
                if (gap) return t.grey[s];
                const int h = z == 0.0 ? 0 : std::min(SaturateToInt(z * 25) + 1, kHeightSteps - 1);
                return t.hypsometric[h][s];
            }
            case 2: {
                std::uint8_t byte = 0;
                if (gap || desc.mapType < 0 || !MapByte(i, j, byte)) return t.grey[s];
                // Far off, roads and objects are below a pixel; forest and water stay.
                const unsigned bits = byte & (farDepth > 100 ? 0x05 : 0x1D);
                if (!bits) return t.hypsometric[std::clamp(SaturateToInt(z * 25), 0, kHeightSteps - 1)][s];
                return t.layer[bits][s] | bits << 24;
            }
            case 3: {
                std::uint8_t byte = 0;
                if (desc.mapType < 0 || !MapByte(i, j, byte) || byte == 0) return t.grey[s];
                const int g = OrthoGrey(byte, shade);
                return std::uint32_t(g) << 16 | std::uint32_t(g) << 8 | std::uint32_t(g);
            }
            default:
                return t.grey[s];
        }
    }

    // eastWest: segments along y (rows of constant northing), else along x.
    void PaintPatch(int r, int c, int dr, int dc, bool eastWest) {
        if (!ComputePatch(r, c, dr, dc) || heightFailed) return;
        const int right = cam.width - 1;
        // Inlined into both loops: a call per segment costs a tenth of a render.
        auto segment = [&](int i, int j, int i2, int j2) __attribute__((always_inline)) {
            if (!ok[i][j] || !ok[i2][j2]) return;
            // Wholly left, right or under the picture: the horizon draws nothing.
            const Camera::Projected &a = S[i][j], &b = S[i2][j2];
            if ((a.sx < 0 && b.sx < 0) || (a.sx > right && b.sx > right) || (a.sy < 0 && b.sy < 0)) return;
            if (raster.Hidden(a.sx, a.sy, b.sx, b.sy)) return;
            const double shade = Shade(i, j, dr, dc);
            const std::uint32_t colour = Colour(i, j, shade, S[i2][j2].depth);
            raster.DrawHorizonLine(S[i][j].sx, S[i][j].sy, S[i2][j2].sx, S[i2][j2].sy, colour, true);
        };
        if (eastWest) {
            for (int i = 0; i < nI; ++i)
                for (int j = 0; j < nJ; ++j) segment(i, j, i, j + 1);
        } else {
            for (int j = 0; j < nJ; ++j)
                for (int i = 0; i < nI; ++i) segment(i, j, i + 1, j);
        }
    }

    // ---- the end of a render -----------------------------------------------------
    void FillGaps() {
        const int W = raster.Width(), H = raster.Height();
        // Rows run top-down, so a pixel above or to the left may already hold
        // the sky; below a column's horizon only terrain may fill a hole.
        auto terrain = [&](int x, int y) {
            return raster.Horizon(x) >= y && raster.Pixel(x, y) != kUnpainted;
        };
        for (int y = H - 1; y >= 0; --y) {
            const int c = ((H - y) * 128) / H + 64;
            const std::uint32_t sky = std::uint32_t(c) << 16 | std::uint32_t(c) << 8 | 255u;
            for (int x = 0; x < W; ++x) {
                std::uint32_t& p = raster.PixelRef(x, y);
                if (raster.Horizon(x) < y) {
                    p = sky;
                } else if (p == kUnpainted) {
                    if (y >= 1 && terrain(x, y - 1)) {
                        p = raster.Pixel(x, y - 1);
                    } else if (x < W - 1 && terrain(x + 1, y)) {
                        p = raster.Pixel(x + 1, y);
                    } else if (x >= 1 && raster.Horizon(x - 1) >= y) {
                        p = raster.Pixel(x - 1, y);
                    } else if (y < H - 1 && raster.Horizon(x) > y) {
                        p = raster.Pixel(x, y + 1);
                    } else if (y == raster.Horizon(x)) {
                        p = sky;  // nothing was drawn at the horizon itself
                    } else {
                        for (int x2 = x + 2; x2 < W; ++x2)
                            if (terrain(x2, y)) {
                                p = raster.Pixel(x2, y);
                                break;
                            }
                    }
                }
            }
        }
    }

    void AgeQuadrants() {
        const int H = settings.dmrStepHistory, M = settings.dmrMaxOpenQuadrants;
        int n[256] = {};
        for (int q = 0; q < kQuadrantCount; ++q) {
            std::int32_t& age = ages[std::size_t(q)];
            if (age > H) {
                doc.CloseDmrQuadrant(q, ages);
                age = 0;
            } else if (age > 0) {
                age = SaturatedSum(age, 1);
                ++n[std::min(age, 255)];
            }
        }
        int k = 0, sum = 0;
        do {
            ++k;
            sum += n[k];
        } while (sum <= M && k < 255);
        if (k == 2) k = 3;  // what the render just opened stays
        for (int q = 0; q < kQuadrantCount; ++q)
            if (ages[std::size_t(q)] >= k) {
                doc.CloseDmrQuadrant(q, ages);
                ages[std::size_t(q)] = 0;
            }
    }
};

CDmrRenderer::CDmrRenderer(CVornaDoc& doc, AppSettings& settings, CMemoryCounters& memory, Clock clock)
    : m_Doc(doc),
      m_Settings(settings),
      m_Clock(std::move(clock)),
      m_Impl(std::make_unique<Impl>(doc, settings, memory, m_Ages)) {
    if (!m_Clock) m_Clock = [] { return TickCountMs() / 1000.0; };
}

CDmrRenderer::~CDmrRenderer() {
    for (int q = 0; q < kQuadrantCount; ++q)
        if (m_Ages[std::size_t(q)]) m_Doc.CloseDmrQuadrant(q, m_Ages);
    m_Impl->ReleaseMapSegments();
}

void CDmrRenderer::SetSize(int width, int height) {
    m_Width = width;
    m_Height = height;
}

void CDmrRenderer::Redraw() {
    if (m_State != State::Idle) AbortDraw();
    m_Impl->heightFailed = false;
    if (m_Picture.width() != m_Width || m_Picture.height() != m_Height || m_Picture.isNull()) {
        m_Picture = QImage();
        if (m_Width < 1 || m_Height < 1) return;
        m_Picture = QImage(m_Width, m_Height, QImage::Format_RGB32);
        if (m_Picture.isNull()) {
            MsgBox("Error! Not enough memory for DMR image in ReallocateBmpMemory!");
            return;
        }
        m_Picture.fill(0xFFFFFFFFu);
    }
    const DmrParams& p = m_Settings.dmr;
    if (p.ViewPoint.easting == 0.0 && p.ViewPoint.northing == 0.0) return;
    if (p.PreviewMode == 0 || (p.PreviewMode == 1 && !p.StickToGps)) {
        if (!m_Impl->PrepareDraw(true, m_Width, m_Height)) return;
        while (m_Impl->rowsDone < m_Impl->plan.rowCount && !m_Impl->heightFailed) {
            m_Impl->Draw();
            ++m_Impl->rowsDone;
        }
        if (m_Impl->heightFailed) return;
        Finish();
    }
    if (p.PreviewMode > 0) {
        m_State = State::Waiting;
        m_StartTime = m_Clock();
    }
}

bool CDmrRenderer::IdleStep() {
    switch (m_State) {
        case State::Idle:
            return false;
        case State::Waiting:
            if (m_Clock() - m_StartTime <= kSurfaceDelay) return true;
            if (m_Picture.isNull() || !m_Impl->PrepareDraw(false, m_Picture.width(), m_Picture.height())) {
                m_State = State::Idle;
                return false;
            }
            m_State = State::Rendering;
            return true;
        case State::Rendering:
            if (m_Impl->rowsDone < m_Impl->plan.rowCount) {
                m_Impl->Draw();
                ++m_Impl->rowsDone;
                if (m_Impl->heightFailed) {
                    AbortDraw();
                    return false;
                }
                return true;
            }
            if (m_Impl->fillGaps) m_Impl->FillGaps();
            Finish();
            return false;
    }
    return false;
}

int CDmrRenderer::MsUntilWork() const {
    if (m_State == State::Idle) return -1;
    if (m_State == State::Rendering) return 0;
    const double left = m_StartTime + kSurfaceDelay - m_Clock();
    if (left < 0.0) return 0;
    // The step waits for strictly more than the delay.
    return std::max(1, SaturateToInt(std::ceil(left * 1000.0)));
}

void CDmrRenderer::AbortDraw() { m_State = State::Idle; }

double CDmrRenderer::Progress() const {
    if (m_State != State::Rendering) return -1.0;
    const int n = m_Impl->plan.rowCount;
    return n > 0 ? 0.1 + 0.9 * m_Impl->rowsDone / n : 0.1;
}

const CDmrRenderer::Stats& CDmrRenderer::RenderStats() const { return m_Impl->stats; }

void CDmrRenderer::Finish() {
    Impl& im = *m_Impl;
    im.AgeQuadrants();
    const int W = im.raster.Width(), H = im.raster.Height();
    if (m_Picture.width() == W && m_Picture.height() == H) {
        // The render buffer runs bottom-up; the picture top-down.
        const std::uint32_t* src = im.raster.Pixels().data();
        for (int y = 0; y < H; ++y, src += W) {
            auto* dst = reinterpret_cast<std::uint32_t*>(m_Picture.scanLine(H - 1 - y));
            for (int x = 0; x < W; ++x) dst[x] = (src[x] & 0x00FFFFFFu) | 0xFF000000u;
        }
    }
    auto metres = [](const Point2& p) { return CPointD(p.y * 100.0, p.x * 100.0); };
    m_Doc.DmrGroundArea[0] = metres(im.trap.nearLeft);
    m_Doc.DmrGroundArea[1] = metres(im.trap.nearRight);
    m_Doc.DmrGroundArea[2] = metres(im.trap.farLeft);
    m_Doc.DmrGroundArea[3] = metres(im.trap.farRight);
    m_Doc.DmrGroundValid = 1;
    m_State = State::Idle;
    if (m_Finished) m_Finished();
}
