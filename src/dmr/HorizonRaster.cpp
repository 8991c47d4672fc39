#include "dmr/HorizonRaster.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "geo/Convert.h"

namespace dmr {

void CHorizonRaster::Reset(int w, int h) {
    m_W = std::max(w, 0);
    m_H = std::max(h, 0);
    m_Pixels.assign(std::size_t(m_W) * std::size_t(m_H), kUnpainted);
    m_Horizon.assign(std::size_t(m_W), 0);
}

void CHorizonRaster::ResetHorizon() { std::fill(m_Horizon.begin(), m_Horizon.end(), 0); }

void CHorizonRaster::PutPixel(int x, int y, std::uint32_t colour) {
    if (x >= 0 && x < m_W && y >= 0 && y < m_H) PixelRef(x, y) = colour;
}

void CHorizonRaster::Close(int from, int to) {
    if (from > to) std::swap(from, to);
    from = std::max(from, 0);
    to = std::min(to, m_W - 1);
    for (int x = from; x <= to; ++x) m_Horizon[std::size_t(x)] = m_H;
}

namespace {
// trunc(a + (b - a) / (d - c) x (t - c) + 0.5): where the segment meets a
// clip edge, in double precision.
int Cut(int a, int b, int c, int d, int t) {
    return SaturateToInt(a + double(b - a) / double(d - c) * double(t - c) + 0.5);
}

// Integer line walk, start point included, with the decision 4 x minor - major.
template <class Plot>
void Walk(int x1, int y1, int x2, int y2, Plot&& plot) {
    // A steep line walks along y: the same walk with the axes swapped.
    const bool steep = std::abs(y2 - y1) > std::abs(x2 - x1);
    if (steep) std::swap(x1, y1), std::swap(x2, y2);
    if (x1 > x2) std::swap(x1, x2), std::swap(y1, y2);
    const int dx = x2 - x1, dy = std::abs(y2 - y1), step = y2 > y1 ? 1 : y2 < y1 ? -1 : 0;
    int d = 4 * dy - dx;
    for (int x = x1, y = y1; x <= x2; ++x) {
        if (steep)
            plot(y, x);
        else
            plot(x, y);
        if (d >= 0)
            y += step, d += 4 * (dy - dx);
        else
            d += 4 * dy;
    }
}
}  // namespace

void CHorizonRaster::DrawLongHorizonLine(int x1, int y1, int x2, int y2, std::uint32_t colour,
                                         bool updateLast) {
    if (m_W <= 0 || m_H <= 0) return;
    const int lastColumn = x2;
    const int right = m_W - 1, bottom = m_H - 1;
    auto mark = [&](int x, int y) {
        std::int32_t& h = m_Horizon[std::size_t(x)];
        if (y < h) return;
        std::uint32_t& p = PixelRef(x, y);
        if ((p >> 24) <= (colour >> 24)) p = colour;
        if (updateLast || x != lastColumn) h = y;
    };
    // Most lines lie inside the picture: no clipping, and every point of the
    // walk lies between the ends.
    if (unsigned(x1) <= unsigned(right) && unsigned(x2) <= unsigned(right) &&
        unsigned(y1) <= unsigned(bottom) && unsigned(y2) <= unsigned(bottom)) {
        if (y1 > y2) std::swap(x1, x2), std::swap(y1, y2);
        Walk(x1, y1, x2, y2, mark);
        return;
    }
    auto code = [&](int x, int y) { return (y < 0 ? 1 : 0) | (x < 0 ? 4 : 0) | (x > right ? 8 : 0); };
    const int c1 = code(x1, y1), c2 = code(x2, y2);
    if (c1 | c2) {
        if (c1 & c2) return;
        if (x1 > x2) std::swap(x1, x2), std::swap(y1, y2);
        if (x2 > right) y2 = Cut(y1, y2, x1, x2, right), x2 = right;
        if (x1 < 0) y1 = Cut(y1, y2, x1, x2, 0), x1 = 0;
        if (y1 > y2) std::swap(x1, x2), std::swap(y1, y2);
        if (y2 < 0) return;
        if (y1 < 0) x1 = Cut(x1, x2, y1, y2, 0), y1 = 0;
    } else if (y1 > y2) {
        std::swap(x1, x2), std::swap(y1, y2);
    }
    if (y1 > bottom) {  // wholly above the picture: nothing farther shows there
        Close(x1, x2);
        return;
    }
    if (y2 > bottom) {
        const int cut = Cut(x1, x2, y1, y2, bottom);
        if (x2 > cut)
            Close(cut + 1, x2);
        else if (x2 < cut)
            Close(x2, cut - 1);
        x2 = cut;
        y2 = bottom;
    }
    // Clipping keeps every point inside; the checks guard rounding at the edges.
    auto plot = [&](int x, int y) {
        if (x < 0 || x > right || y < 0 || y > bottom) return;
        mark(x, y);
    };
    Walk(x1, y1, x2, y2, plot);
}

bool CHorizonRaster::ClipLine(int& x1, int& y1, int& x2, int& y2) const {
    const int right = m_W - 1, bottom = m_H - 1;
    auto code = [&](int x, int y) {
        return (y < 0 ? 1 : 0) | (y > bottom ? 2 : 0) | (x < 0 ? 4 : 0) | (x > right ? 8 : 0);
    };
    const int c1 = code(x1, y1), c2 = code(x2, y2);
    if (!(c1 | c2)) return true;
    if (c1 & c2) return false;
    if (x1 > x2) std::swap(x1, x2), std::swap(y1, y2);
    if (x2 > right) y2 = Cut(y1, y2, x1, x2, right), x2 = right;
    if (x1 < 0) y1 = Cut(y1, y2, x1, x2, 0), x1 = 0;
    if (y1 > y2) std::swap(x1, x2), std::swap(y1, y2);
    if (y2 < 0 || y1 > bottom) return false;
    if (y2 > bottom) x2 = Cut(x1, x2, y1, y2, bottom), y2 = bottom;
    if (y1 < 0) x1 = Cut(x1, x2, y1, y2, 0), y1 = 0;
    return true;
}

void CHorizonRaster::DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    if (!ClipLine(x1, y1, x2, y2)) return;
    Walk(x1, y1, x2, y2, [this, colour](int x, int y) { PutPixel(x, y, colour); });
}

}  // namespace dmr
