#pragma once
// Hidden-surface removal by a floating horizon: terrain is drawn front to
// back, each column remembers the highest y painted so far, and a farther
// segment shows only where it reaches that height. Row 0 is the bottom of the
// picture (y grows upwards). Pixels carry the colour in the low 24 bits and a
// priority (the draped map's layer bits) in the top byte.

#include <cstdint>
#include <vector>

namespace dmr {

constexpr std::uint32_t kUnpainted = 0x00FFFFFF;

class CHorizonRaster {
public:
    // A picture of w x h unpainted pixels, every horizon entry 0.
    void Reset(int w, int h);
    void ResetHorizon();

    // Draws (x1, y1)-(x2, y2) where it rises to or above the horizon and
    // raises the horizon there; with updateLast false the column of x2 (as
    // passed) keeps its horizon, so the next row's line from that node still
    // shows. A segment leaving the top closes the columns it crosses above.
    void DrawHorizonLine(int x1, int y1, int x2, int y2, std::uint32_t colour, bool updateLast) {
        // Finely sampled terrain gives many segments of one pixel: inline.
        if (x1 == x2 && y1 == y2 && unsigned(x1) < unsigned(m_W) && unsigned(y1) < unsigned(m_H)) {
            std::int32_t& h = m_Horizon[std::size_t(x1)];
            if (y1 < h) return;
            std::uint32_t& p = PixelRef(x1, y1);
            if ((p >> 24) <= (colour >> 24)) p = colour;
            if (updateLast) h = y1;
            return;
        }
        DrawLongHorizonLine(x1, y1, x2, y2, colour, updateLast);
    }
    // True when no point of the segment can reach the horizon, so drawing it
    // would change nothing.
    bool Hidden(int x1, int y1, int x2, int y2) const {
        const int lo = x1 < x2 ? x1 : x2, hi = x1 < x2 ? x2 : x1, top = y1 > y2 ? y1 : y2;
        if (hi < 0 || lo >= m_W) return true;
        for (int x = lo < 0 ? 0 : lo, end = hi < m_W ? hi : m_W - 1; x <= end; ++x)
            if (top >= m_Horizon[std::size_t(x)]) return false;
        return true;
    }
    // A plain clipped line without horizon.
    void DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour);
    // Clips to the picture; false when nothing remains.
    bool ClipLine(int& x1, int& y1, int& x2, int& y2) const;
    void PutPixel(int x, int y, std::uint32_t colour);

    int Width() const { return m_W; }
    int Height() const { return m_H; }
    std::uint32_t Pixel(int x, int y) const {
        return m_Pixels[std::size_t(y) * std::size_t(m_W) + std::size_t(x)];
    }
    std::uint32_t& PixelRef(int x, int y) {
        return m_Pixels[std::size_t(y) * std::size_t(m_W) + std::size_t(x)];
    }
    int Horizon(int x) const { return m_Horizon[std::size_t(x)]; }
    std::vector<std::uint32_t>& Pixels() { return m_Pixels; }
    const std::vector<std::int32_t>& HorizonArray() const { return m_Horizon; }

private:
    void DrawLongHorizonLine(int x1, int y1, int x2, int y2, std::uint32_t colour, bool updateLast);
    void Close(int from, int to);
    int m_W = 0;
    int m_H = 0;
    std::vector<std::uint32_t> m_Pixels;
    std::vector<std::int32_t> m_Horizon;
};

}  // namespace dmr
