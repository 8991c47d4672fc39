#include "doc/RefPointStore.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "doc/Grids.h"
#include "geo/Convert.h"
#include "geo/TextHelpers.h"
#include "platform/AtomicFile.h"
#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "settings/AppSettingsIO.h"

namespace {

constexpr double kTwoPi = 2 * kPi;
// Metres per pixel of a 150 dpi scan at scale 1:1000.
constexpr double kInch = 25.4;
constexpr double kDpi = 150.0;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The pixel (x', y') that georef gives the map point m; the same expressions
// as the map transform, without its rounding.
void FittedPixel(const ImageGeoref& g, CPointD m, double& x, double& y) {
    const double dE = m.easting - g.Origin.easting, dN = m.northing - g.Origin.northing;
    x = (std::cos(g.Rotation) * dE + std::sin(g.Rotation) * dN) * kDpi / kInch / (g.ScaleX / 1000.0);
    y = (std::sin(g.Rotation) * dE - std::cos(g.Rotation) * dN) * kDpi / kInch / (g.ScaleY / 1000.0);
}

}  // namespace

std::string ImageSidecarPath(const std::string& imagePath, const char* ext) {
    const std::size_t slash = imagePath.find_last_of('/');
    const std::size_t dot = imagePath.find_last_of('.');
    const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                 ? imagePath.substr(0, dot)
                                 : imagePath;
    return stem + ext;
}

CRefPointStore::Pixel CRefPointStore::ImagePixel(int k) const {
    const std::size_t s = Slot(k);
    return {SaturatedSum(m_Click[s].x, m_Offset[s].x), SaturatedSum(m_Click[s].y, m_Offset[s].y)};
}

bool CRefPointStore::SetRefPointMapCoords(double E, double N) {
    if (m_Awaiting) return false;
    if (m_Count >= kMaxPoints) {
        MsgBox(Format("Error! No more than %d reference points can be kept!", kMaxPoints));
        return false;
    }
    m_Map[std::size_t(m_Count)] = CPointD(E, N);
    m_Awaiting = 1;
    return true;
}

bool CRefPointStore::AddRefPointPixel(int x, int y, ImageGeoref::Pixel offset) {
    if (!m_Awaiting || m_Count >= kMaxPoints) return false;
    const std::size_t k = std::size_t(m_Count);
    m_Click[k] = {x, y};
    m_Offset[k] = {offset.x, offset.y};
    ++m_Count;
    m_Awaiting = 0;
    return true;
}

bool CRefPointStore::Delete(int k) {
    if (k < 0 || k >= m_Count) return false;
    const std::size_t last = std::size_t(m_Count - 1), to = std::size_t(k);
    m_Click[to] = m_Click[last];
    m_Offset[to] = m_Offset[last];
    m_Map[to] = m_Map[last];
    // A marked point still waiting for its pixel lives in the entry after
    // the last one; it moves down with the count so the pair stays whole.
    if (m_Awaiting) m_Map[last] = m_Map[last + 1];
    --m_Count;
    return true;
}

void CRefPointStore::DeleteLast() {
    if (m_Count > 0) --m_Count;
    m_Awaiting = 0;
}

void CRefPointStore::RemovePoints() {
    if (m_Awaiting) m_Map[0] = m_Map[std::size_t(m_Count)];
    m_Count = 0;
}

void CRefPointStore::Clear() {
    m_Count = 0;
    m_Awaiting = 0;
}

int CRefPointStore::Closest(CPointD pos, int rx, int ry) const {
    if (rx <= 0 || ry <= 0) return -1;
    const double rx2 = double(rx) * rx, ry2 = double(ry) * ry;
    double best = 1.0;
    int bestIndex = -1;
    for (int k = 0; k < m_Count; ++k) {
        const CPointD& p = m_Map[std::size_t(k)];
        const double dE = p.easting - pos.easting, dN = p.northing - pos.northing;
        const double d = dE * dE / rx2 + dN * dN / ry2;
        if (d < best) {
            best = d;
            bestIndex = k;
        }
    }
    return bestIndex;
}

// ---- ".ref" ---------------------------------------------------------------------------

bool CRefPointStore::Read(const std::string& refPath) {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(refPath.c_str(), "r"));
    if (!f) return false;
    // Read into a copy: a damaged file leaves the points as they were.
    auto next = std::make_unique<CRefPointStore>();
    std::string line;
    int lineNo = 0;
    while (next->m_Count < kMaxPoints && ReadLine(f.get(), line)) {
        ++lineNo;
        if (line.empty()) continue;
        std::string rest = line;
        std::string field[6];
        int n = 0;
        while (n < 6 && !rest.empty()) field[n++] = NextCommaToken(rest);
        bool numbers = n == 6;
        for (int i = 0; i < n && numbers; ++i) numbers = StartsWithNumber(field[i]);
        const ImageGeoref::Pixel offset{LeadingInt(field[0]), LeadingInt(field[1])};
        const ImageGeoref::Pixel click{LeadingInt(field[4]), LeadingInt(field[5])};
        const CPointD map(LeadingDouble(field[2]), LeadingDouble(field[3]));
        // Only points the writer can write back and the fit can use.
        if (!numbers || !IsUsableImagePixel(offset) || !IsUsableImagePixel(click) ||
            !IsUsableGridPosition(map.easting, map.northing)) {
            MsgBox(Format("Error! Reference point file %s is damaged (line %d)!", refPath.c_str(), lineNo));
            return false;
        }
        const std::size_t k = std::size_t(next->m_Count++);
        next->m_Offset[k] = {offset.x, offset.y};
        next->m_Map[k] = map;
        next->m_Click[k] = {click.x, click.y};
    }
    if (std::ferror(f.get())) {
        MsgBox("Error! Can not read file " + refPath + "!");
        return false;
    }
    // A marked point waiting for its pixel stays pending after the new points.
    const int awaiting = m_Awaiting;
    const CPointD pending = m_Count < kMaxPoints ? m_Map[std::size_t(m_Count)] : CPointD{};
    *this = *next;
    m_Awaiting = awaiting && m_Count < kMaxPoints ? 1 : 0;
    if (m_Awaiting) m_Map[std::size_t(m_Count)] = pending;
    return true;
}

bool CRefPointStore::Write(const std::string& refPath) const {
    if (m_Count == 0) return true;
    std::string text;
    for (int k = 0; k < m_Count; ++k) {
        const std::size_t s = std::size_t(k);
        text += std::to_string(m_Offset[s].x) + ',' + std::to_string(m_Offset[s].y) + ',' +
                FormatFixed(m_Map[s].easting, 1) + ',' + FormatFixed(m_Map[s].northing, 1) + ',' +
                std::to_string(m_Click[s].x) + ',' + std::to_string(m_Click[s].y) + '\n';
    }
    if (!WriteFileAtomically(refPath, text)) {
        MsgBox("Warning! Could not open file " + refPath + "!");
        return false;
    }
    return true;
}

// ---- the fit --------------------------------------------------------------------------

bool CRefPointStore::Fit(ImageGeoref& georef, bool keep) const {
    if (m_Count < 2) {
        MsgBox("There must be at least two reference points to calculate Image Map Origin!");
        return false;
    }
    double sumSx = 0, sumSy = 0, sumRot = 0, sumE = 0, sumN = 0, sumW = 0;
    int pairs = 0;
    for (int a = 0; a < m_Count; ++a) {
        for (int b = a + 1; b < m_Count; ++b) {
            const Pixel pa = ImagePixel(a), pb = ImagePixel(b);
            const CPointD ma = m_Map[std::size_t(a)], mb = m_Map[std::size_t(b)];
            const double pdx = double(pa.x) - pb.x, pdy = double(pa.y) - pb.y;
            const double mdE = ma.easting - mb.easting, mdN = ma.northing - mb.northing;
            const double dp = std::sqrt(pdx * pdx + pdy * pdy), dm = std::sqrt(mdE * mdE + mdN * mdN);
            if (dp == 0 || dm == 0) continue;
            ImageGeoref g = georef;
            if (!keep) {
                g.ScaleX = g.ScaleY = dm * kDpi * 1000.0 / dp / kInch;
                g.Rotation = std::atan2(mdE, mb.northing - ma.northing) - std::atan2(pdx, pdy);
            }
            // Into (-pi, pi]: the difference of two angles can also lie below
            // -pi, and averaged unreduced it would pull the mean away.
            if (g.Rotation > kPi) g.Rotation -= kTwoPi;
            if (g.Rotation <= -kPi) g.Rotation += kTwoPi;
            const double dx = pa.x * g.ScaleX * kInch / kDpi / 1000.0;
            const double dy = pa.y * g.ScaleY * kInch / kDpi / 1000.0;
            const double c = std::cos(-g.Rotation), s = std::sin(-g.Rotation);
            g.Origin = CPointD(ma.easting - (c * dx - s * dy), s * dx + c * dy + ma.northing);
            double R = 0;
            for (int k = 0; k < m_Count; ++k) {
                double x = 0, y = 0;
                FittedPixel(g, m_Map[std::size_t(k)], x, y);
                const Pixel p = ImagePixel(k);
                R += (x - p.x) * (x - p.x) + (y - p.y) * (y - p.y);
            }
            const double w = R > 1e-10 ? 1.0 / R : 1e10;
            sumSx += g.ScaleX * w;
            sumSy += g.ScaleY * w;
            sumRot += g.Rotation * w;
            sumE += g.Origin.easting * w;
            sumN += g.Origin.northing * w;
            sumW += w;
            ++pairs;
        }
    }
    ImageGeoref fitted = georef;
    if (pairs > 0 && sumW > 0) {
        fitted.ScaleX = sumSx / sumW;
        fitted.ScaleY = sumSy / sumW;
        fitted.Rotation = sumRot / sumW;
        fitted.Origin = CPointD(sumE / sumW, sumN / sumW);
    }
    const bool finite = std::isfinite(fitted.ScaleX) && std::isfinite(fitted.ScaleY) &&
                        std::isfinite(fitted.Rotation) && std::isfinite(fitted.Origin.easting) &&
                        std::isfinite(fitted.Origin.northing) && fitted.ScaleX != 0 && fitted.ScaleY != 0;
    if (pairs == 0 || sumW <= 0 || !finite) {
        MsgBox(
            "Error! No two reference points differ both in pixel and in map position: the map origin can not "
            "be calculated!");
        return false;
    }
    fitted.PairsUsed = pairs;
    Residuals(fitted);
    georef = fitted;
    return true;
}

void CRefPointStore::Residuals(ImageGeoref& georef) const {
    if (m_Count <= 0) return;
    double sum = 0, worst = 0;
    for (int k = 0; k < m_Count; ++k) {
        double x = 0, y = 0;
        FittedPixel(georef, m_Map[std::size_t(k)], x, y);
        const Pixel p = ImagePixel(k);
        const double e = std::sqrt((x - p.x) * (x - p.x) + (y - p.y) * (y - p.y));
        sum += e;
        if (e > worst) worst = e;
    }
    georef.MeanResidual = sum / m_Count;
    georef.MaxResidual = worst;
}
