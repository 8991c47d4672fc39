#include "dmr/DmrParamsIO.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "geo/Convert.h"
#include "geo/TextHelpers.h"
#include "platform/AtomicFile.h"
#include "platform/Profile.h"

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
// The reader takes at most 255 bytes a line; a longer one would run into the
// next and shift every value after it.
constexpr std::size_t kLineRoom = 255;

// C-locale fixed notation whatever the user's locale; a value too long for a
// line in fixed notation goes in the shortest exponent form that reads back
// to the same number.
std::string Fixed(double v, int decimals) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc() || std::size_t(r.ptr - buf) > kLineRoom)
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    return std::string(buf, r.ptr) + "\n";
}

// The easting and northing read back as whole numbers of an int; beyond that
// range they read back saturated, so they are written so.
std::string Metres(double v) {
    if (std::isfinite(v)) v = std::clamp(v, double(INT_MIN), double(INT_MAX));
    return Fixed(v, 3);
}
}  // namespace

std::string DmrViewPointText(const DmrParams& p) {
    return Metres(p.ViewPoint.easting) + Metres(p.ViewPoint.northing) + std::to_string(p.IsRelHeight) + "\n" +
           std::to_string(p.IsRelHeight ? p.RelHeight : p.AbsHeight) + "\n" +
           Fixed(NormalizeAzimut(p.Azimut), 2) + Fixed(p.Elevation, 2) + Fixed(p.ViewAngle, 2);
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
    DmrParams q = p;
    q.ViewPoint.easting = LeadingInt(line[0]);
    q.ViewPoint.northing = LeadingInt(line[1]);
    q.IsRelHeight = LeadingInt(line[2]);
    DmrCurrentHeight(q) = LeadingInt(line[3]);
    q.Azimut = NormalizeAzimut(LeadingDouble(line[4]));
    q.Elevation = LeadingDouble(line[5]);
    q.ViewAngle = LeadingDouble(line[6]);
    p = q;
    return true;
}

bool WriteDmrViewPoint(const std::string& path, const DmrParams& p) {
    return WriteFileAtomically(path, DmrViewPointText(p)).ok();
}
