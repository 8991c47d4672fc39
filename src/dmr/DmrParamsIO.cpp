#include "dmr/DmrParamsIO.h"

#include <charconv>
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
// C-locale fixed notation whatever the user's locale.
std::string Fixed(double v, int decimals) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr) + "\n";
}
}  // namespace

std::string DmrViewPointText(const DmrParams& p) {
    return Fixed(p.ViewPoint.easting, 3) + Fixed(p.ViewPoint.northing, 3) + std::to_string(p.IsRelHeight) +
           "\n" + std::to_string(p.IsRelHeight ? p.RelHeight : p.AbsHeight) + "\n" + Fixed(p.Azimut, 2) +
           Fixed(p.Elevation, 2) + Fixed(p.ViewAngle, 2);
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
    q.Azimut = LeadingDouble(line[4]);
    q.Elevation = LeadingDouble(line[5]);
    q.ViewAngle = LeadingDouble(line[6]);
    p = q;
    return true;
}

bool WriteDmrViewPoint(const std::string& path, const DmrParams& p) {
    return WriteFileAtomically(path, DmrViewPointText(p)).ok();
}
