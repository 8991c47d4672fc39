#pragma once
// The reference points of the image map and the georeference fitted to them.
// A point is made in two steps: its grid position is marked on a map series
// (SetRefPointMapCoords), then its pixel is set on the image
// (AddRefPointPixel). The pixel of point k in the image is its click pixel
// plus the pixel offset in force at the click.

#include <array>
#include <cstdint>
#include <string>

#include "doc/ImageMapGeoref.h"
#include "geo/Types.h"

class CRefPointStore {
public:
    static constexpr int kMaxPoints = 3000;

    struct Pixel {
        std::int32_t x = 0;
        std::int32_t y = 0;
    };

    // ---- the points ----------------------------------------------------------
    int RefPointCount() const { return m_Count; }
    bool AwaitingRefPixel() const { return m_Awaiting != 0; }
    // Point k (0 <= k < count; the pending map point is entry count).
    Pixel ClickPixel(int k) const { return m_Click[Slot(k)]; }
    Pixel OffsetAtClick(int k) const { return m_Offset[Slot(k)]; }
    CPointD MapPoint(int k) const { return m_Map[Slot(k)]; }
    Pixel ImagePixel(int k) const;

    // False (with a message) when the table is full; a mark while a pixel is
    // awaited replaces nothing and is refused too.
    bool SetRefPointMapCoords(double E, double N);
    // Completes the pending point; false when no map point is pending.
    bool AddRefPointPixel(int x, int y, ImageGeoref::Pixel offset);
    // The last point takes index k; a pending map point stays pending.
    bool Delete(int k);
    void DeleteLast();
    void Clear();
    // No points; a pending map point stays pending.
    void RemovePoints();
    // Index of the point whose map position lies strictly inside the
    // ellipse of half-axes (rx, ry) metres around pos and nearest it; -1 none.
    int Closest(CPointD pos, int rx, int ry) const;

    // ---- ".ref" --------------------------------------------------------------
    // False and nothing changed when the file is missing or damaged (a
    // damaged one, or one with a value outside what an image of the area can
    // use, is reported).
    bool Read(const std::string& refPath);
    // Nothing when there are no points; false when the file could not be written.
    bool Write(const std::string& refPath) const;

    // ---- the fit ---------------------------------------------------------------
    // Fits scales, rotation and origin (keep: only the origin) into georef
    // and fills the residuals. False with a message when fewer than two
    // points exist or no pair can be used; georef is then unchanged.
    bool Fit(ImageGeoref& georef, bool keep) const;
    // Mean and largest pixel distance of the points under georef.
    void Residuals(ImageGeoref& georef) const;

private:
    static std::size_t Slot(int k) { return std::size_t(k < 0 ? 0 : k >= kMaxPoints ? kMaxPoints - 1 : k); }
    std::array<Pixel, kMaxPoints> m_Click{};
    std::array<Pixel, kMaxPoints> m_Offset{};
    std::array<CPointD, kMaxPoints> m_Map{};
    int m_Count = 0;
    int m_Awaiting = 0;
};

// The file names beside an image: same folder and name, another extension.
std::string ImageSidecarPath(const std::string& imagePath, const char* ext);
