#include "dmr/DmrParamsIO.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "doc/Grids.h"
#include "geo/Convert.h"
#include "geo/TextHelpers.h"
#include "platform/AtomicFile.h"
#include "platform/Profile.h"
#include "settings/AppSettingsIO.h"

double NormalizeAzimut(double a) { return NormalizeDegrees(a); }

void TurnDmrHeading(DmrParams& p, double degrees) {
    p.StickToGps = 0;
    p.Azimut = NormalizeAzimut(p.Azimut + degrees);
}

void MoveDmrViewPoint(DmrParams& p, double forward, double right) {
    p.StickToGps = 0;
    const double a = p.Azimut * kPi / 180.0;
    p.ViewPoint.northing += forward * std::cos(a) - right * std::sin(a);
    p.ViewPoint.easting += forward * std::sin(a) + right * std::cos(a);
}

void RaiseDmrViewPoint(DmrParams& p, int direction) {
    int& h = DmrCurrentHeight(p);
    h = SaturatedSum(h, 1LL * direction * (p.IsRelHeight ? 10 : 100));
    if (direction < 0 && h < 1) h = 1;
}

int& DmrCurrentHeight(DmrParams& p) { return p.IsRelHeight ? p.RelHeight : p.AbsHeight; }

namespace {
// What a view-point file may give: a view point where the map can show it,
// an eye from 10 km below sea level to 100 km above, a heading within a
// turn either way (older files hold 360.00 and -0.00), a line of sight
// between straight down and straight up, and a view angle of 1 to 179
// degrees (the camera needs an angle short of a half turn).
constexpr int kMinHeight = -10000;
constexpr int kMaxHeight = 100000;

// The heading is not looked at: the writer writes it normalised.
bool UsableViewPoint(const DmrParams& p) {
    const int h = p.IsRelHeight ? p.RelHeight : p.AbsHeight;
    return IsUsableGridPosition(p.ViewPoint.easting, p.ViewPoint.northing) && h >= kMinHeight &&
           h <= kMaxHeight && p.Elevation >= -90.0 && p.Elevation <= 90.0 && p.ViewAngle >= 1.0 &&
           p.ViewAngle <= 179.0;
}

std::string Line(double v, int decimals) { return FormatFixed(v, decimals) + "\n"; }
}  // namespace

std::string DmrViewPointText(const DmrParams& p) {
    return Line(p.ViewPoint.easting, 3) + Line(p.ViewPoint.northing, 3) + (p.IsRelHeight ? "1\n" : "0\n") +
           std::to_string(p.IsRelHeight ? p.RelHeight : p.AbsHeight) + "\n" +
           Line(RoundedHeading(p.Azimut, 2), 2) + Line(p.Elevation, 2) + Line(p.ViewAngle, 2);
}

bool ReadDmrViewPoint(const std::string& path, DmrParams& p) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f) return false;
    std::string line[7];
    std::string last;
    for (std::string& l : line) {
        ReadLine(f.get(), last);
        l = last;
    }
    // A folder opens but cannot be read: no view point from it.
    if (std::ferror(f.get())) return false;
    for (const std::string& l : line)
        if (!StartsWithNumber(l)) return false;
    DmrParams q = p;
    q.ViewPoint.easting = LeadingInt(line[0]);
    q.ViewPoint.northing = LeadingInt(line[1]);
    q.IsRelHeight = LeadingInt(line[2]);
    DmrCurrentHeight(q) = LeadingInt(line[3]);
    q.Azimut = LeadingDouble(line[4]);
    q.Elevation = LeadingDouble(line[5]);
    q.ViewAngle = LeadingDouble(line[6]);
    const bool flag = q.IsRelHeight == 0 || q.IsRelHeight == 1;
    if (!flag || !(q.Azimut >= -360.0 && q.Azimut <= 360.0) || !UsableViewPoint(q)) return false;
    q.Azimut = NormalizeAzimut(q.Azimut);
    p = q;
    return true;
}

bool WriteDmrViewPoint(const std::string& path, const DmrParams& p) {
    // What the reader would refuse is not written.
    return UsableViewPoint(p) && WriteFileAtomically(path, DmrViewPointText(p)).ok();
}
