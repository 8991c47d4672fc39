#include "doc/RefPointStore.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

#include "doc/Grids.h"
#include "geo/Convert.h"
#include "geo/TextHelpers.h"
#include "platform/AtomicFile.h"
#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "settings/AppSettingsIO.h"

namespace {

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

constexpr double kHalfTurn = std::numbers::pi, kFullTurn = 2 * kHalfTurn;

// An angle difference of less than a turn each way, into [-pi, pi].
double ShortWay(double d) {
    if (d > kHalfTurn) return d - kFullTurn;
    if (d < -kHalfTurn) return d + kFullTurn;
    return d;
}

struct Vec {
    double x = 0, y = 0;
};

// The turning and scaling part of the map transform, in pixels per metre:
// x' = xx * dE + xy * dN, y' = yx * dE + yy * dN.
struct Linear {
    double xx = 0, xy = 0, yx = 0, yy = 0;
};

// c and s: the cosine and sine of the rotation.
Linear LinearPart(double scaleX, double scaleY, double c, double s) {
    const double kx = kDpi / kInch / (scaleX / 1000.0), ky = kDpi / kInch / (scaleY / 1000.0);
    return {c * kx, s * kx, s * ky, -c * ky};
}

Vec Apply(const Linear& L, Vec d) { return {L.xx * d.x + L.xy * d.y, L.yx * d.x + L.yy * d.y}; }

Vec Mean(const std::vector<Vec>& v) {
    Vec sum;
    for (const Vec& p : v) sum = {sum.x + p.x, sum.y + p.y};
    return {sum.x / double(v.size()), sum.y / double(v.size())};
}

std::vector<Vec> Centred(std::vector<Vec> v) {
    const Vec m = Mean(v);
    for (Vec& p : v) p = {p.x - m.x, p.y - m.y};
    return v;
}

// The least-squares transform of one scale for both axes that turns the
// centred map points d into the centred pixels q.
Linear SimilarityFit(const std::vector<Vec>& d, const std::vector<Vec>& q) {
    double S = 0, a = 0, b = 0;
    for (std::size_t k = 0; k < d.size(); ++k) {
        S += d[k].x * d[k].x + d[k].y * d[k].y;
        a += q[k].x * d[k].x - q[k].y * d[k].y;
        b += q[k].x * d[k].y + q[k].y * d[k].x;
    }
    if (!(S > 0)) return {};
    return {a / S, b / S, b / S, -a / S};
}

// The squared pixel distances of all points under the transform of pair
// (a, b), in constant time per pair: every pair's transform takes map point
// a to pixel a, and the sums over the points are made once, written around
// a reference transform near the pairs' so that no large terms cancel.
class PairResiduals {
public:
    // d, q: the centred map points and pixels.
    PairResiduals(std::vector<Vec> d, std::vector<Vec> q, const Linear& reference)
        : m_D(std::move(d)), m_Q(std::move(q)), m_Ref(reference) {
        for (std::size_t k = 0; k < m_D.size(); ++k) {
            const Vec d = m_D[k], f = Apply(reference, d);
            const Vec r{f.x - m_Q[k].x, f.y - m_Q[k].y};
            m_R0 += r.x * r.x + r.y * r.y;
            m_C.xx += r.x * d.x;
            m_C.xy += r.x * d.y;
            m_C.yx += r.y * d.x;
            m_C.yy += r.y * d.y;
            m_Rho = {m_Rho.x + r.x, m_Rho.y + r.y};
            m_Sum = {m_Sum.x + d.x, m_Sum.y + d.y};
            m_See += d.x * d.x;
            m_Sen += d.x * d.y;
            m_Snn += d.y * d.y;
        }
    }

    // Sum over k of |L (map k - map a) + pixel a - pixel k|^2.
    double Sum(const Linear& L, std::size_t a) const {
        const Linear dL{L.xx - m_Ref.xx, L.xy - m_Ref.xy, L.yx - m_Ref.yx, L.yy - m_Ref.yy};
        const Vec La = Apply(L, m_D[a]);
        const Vec t{m_Q[a].x - La.x, m_Q[a].y - La.y};
        const Vec dLSum = Apply(dL, m_Sum);
        return m_R0 + 2 * (dL.xx * m_C.xx + dL.xy * m_C.xy + dL.yx * m_C.yx + dL.yy * m_C.yy) +
               2 * (t.x * m_Rho.x + t.y * m_Rho.y) + Quad(dL.xx, dL.xy) + Quad(dL.yx, dL.yy) +
               2 * (t.x * dLSum.x + t.y * dLSum.y) + double(m_D.size()) * (t.x * t.x + t.y * t.y);
    }

private:
    double Quad(double u, double v) const { return u * u * m_See + 2 * u * v * m_Sen + v * v * m_Snn; }

    std::vector<Vec> m_D, m_Q;  // centred map points and pixels
    Linear m_Ref;
    // Of the reference's residuals r: sum |r|^2, sum r d^T, sum r; of d: sum
    // d and the second moments.
    double m_R0 = 0;
    Linear m_C;
    Vec m_Rho, m_Sum;
    double m_See = 0, m_Sen = 0, m_Snn = 0;
};

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
    const std::size_t n = std::size_t(m_Count);
    std::vector<Vec> pixel(n), map(n);
    for (std::size_t k = 0; k < n; ++k) {
        const Pixel p = ImagePixel(int(k));
        pixel[k] = {double(p.x), double(p.y)};
        map[k] = {m_Map[k].easting, m_Map[k].northing};
    }
    // Fitting only the origin, every pair has the stored turn.
    const double keptCos = std::cos(georef.Rotation), keptSin = std::sin(georef.Rotation);
    const Linear stored = LinearPart(georef.ScaleX, georef.ScaleY, keptCos, keptSin);
    std::vector<Vec> d = Centred(map), q = Centred(pixel);
    const Linear reference = keep ? stored : SimilarityFit(d, q);
    const PairResiduals residuals(std::move(d), std::move(q), reference);
    // The rotations are averaged as deviations from the reference's, each
    // taken the short way round: an image turned by about half a turn gives
    // pairs on both sides of the cut at +-pi.
    const double centre = keep ? georef.Rotation : std::atan2(reference.xy, reference.xx);
    double sumSx = 0, sumSy = 0, sumTurn = 0, sumE = 0, sumN = 0, sumW = 0;
    int pairs = 0;
    for (std::size_t a = 0; a < n; ++a) {
        const Vec pa = pixel[a], ma = map[a];
        for (std::size_t b = a + 1; b < n; ++b) {
            const Vec pb = pixel[b], mb = map[b];
            const double pdx = pa.x - pb.x, pdy = pa.y - pb.y;
            const double mdE = ma.x - mb.x, mdN = ma.y - mb.y;
            const double dp = std::sqrt(pdx * pdx + pdy * pdy), dm = std::sqrt(mdE * mdE + mdN * mdN);
            if (dp == 0 || dm == 0) continue;
            double sx = georef.ScaleX, sy = georef.ScaleY, rot = centre, c = keptCos, s = keptSin;
            if (!keep) {
                sx = sy = dm * kDpi * 1000.0 / dp / kInch;
                // The turn from the pixel direction (pdx, pdy) to the map
                // direction (mdE, -mdN), both measured from their y axis.
                const double cross = mdE * pdy + mdN * pdx, dot = mdE * pdx - mdN * pdy;
                rot = std::atan2(cross, dot);
                c = dot / (dm * dp);
                s = cross / (dm * dp);
            }
            const double dx = pa.x * sx * kInch / kDpi / 1000.0;
            const double dy = pa.y * sy * kInch / kDpi / 1000.0;
            const double E0 = ma.x - (c * dx + s * dy), N0 = ma.y - s * dx + c * dy;
            const double R = residuals.Sum(keep ? stored : LinearPart(sx, sy, c, s), a);
            const double w = R > 1e-10 ? 1.0 / R : 1e10;
            sumSx += sx * w;
            sumSy += sy * w;
            sumTurn += ShortWay(rot - centre) * w;
            sumE += E0 * w;
            sumN += N0 * w;
            sumW += w;
            ++pairs;
        }
    }
    ImageGeoref fitted = georef;
    if (pairs > 0 && sumW > 0) {
        fitted.ScaleX = sumSx / sumW;
        fitted.ScaleY = sumSy / sumW;
        fitted.Rotation = std::remainder(centre + sumTurn / sumW, kFullTurn);
        if (fitted.Rotation <= -kHalfTurn) fitted.Rotation += kFullTurn;
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
    // A placement its own ".inf" could not be read back with is no result.
    if (!IsUsableImageScale(fitted.ScaleX) || !IsUsableImageScale(fitted.ScaleY) ||
        !IsUsableGridPosition(fitted.Origin.easting, fitted.Origin.northing)) {
        MsgBox(
            "Error! The reference points give a scale or an origin that no map of the area can have: the "
            "map origin can not be calculated!");
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
