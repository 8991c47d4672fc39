#include "SimRecords.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <sstream>

#include "geo/Convert.h"
#include "platform/ByteOrder.h"
#include "platform/Text.h"

namespace {

constexpr double kSemicirclesPerDegree = 2147483648.0 / 180.0;

void PutFloat(Bytes& b, std::size_t at, float v) { StoreLE32(&b[at], std::bit_cast<std::uint32_t>(v)); }

void PutPosition(Bytes& b, std::size_t at, double lat, double lon) {
    StoreLE32(&b[at], std::uint32_t(ToSemicircles(lat)));
    StoreLE32(&b[at + 4], std::uint32_t(ToSemicircles(lon)));
}

// A fixed text field: space-padded, cut to its width.
void PutField(Bytes& b, std::size_t at, std::size_t width, const std::string& s) {
    for (std::size_t i = 0; i < width; ++i) b[at + i] = i < s.size() ? std::uint8_t(s[i]) : ' ';
}

std::string GetField(const Bytes& b, std::size_t at, std::size_t width) {
    std::string s;
    for (std::size_t i = at; i < at + width && i < b.size() && b[i] != 0; ++i) s += char(b[i]);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// A NUL-terminated string at `at`; moves `at` past its terminator.
bool TakeString(const Bytes& b, std::size_t& at, std::string& s) {
    if (at >= b.size()) return false;
    const auto end = std::find(b.begin() + std::ptrdiff_t(at), b.end(), 0);
    if (end == b.end()) return false;
    s.assign(b.begin() + std::ptrdiff_t(at), end);
    at = std::size_t(end - b.begin()) + 1;
    return true;
}

template <class T>
bool Number(const std::string& text, T& v) {
    std::istringstream s(text);
    return s >> v && (s >> std::ws).eof();
}

void PutString(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
}

}  // namespace

std::int32_t ToSemicircles(double degrees) {
    return SaturateToInt(std::round(degrees * kSemicirclesPerDegree));
}

double FromSemicircles(std::int32_t s) { return s / kSemicirclesPerDegree; }

Bytes PackWaypoint(int type, const SimWaypoint& w) {
    if (type == 100) {
        Bytes b(58, 0);
        PutField(b, 0, 6, ToUpperAscii(w.name));
        PutPosition(b, 6, w.lat, w.lon);
        PutField(b, 18, 40, ToUpperAscii(w.comment));
        return b;
    }
    if (type == 108) {
        Bytes b(48, 0);
        b[1] = 255;   // default colour
        b[3] = 0x60;  // attributes the type prescribes
        StoreLE16(&b[4], 18);
        std::fill(b.begin() + 12, b.begin() + 24, 0xFF);  // no map subclass
        PutPosition(b, 24, w.lat, w.lon);
        PutFloat(b, 32, kNoValue);
        PutFloat(b, 36, kNoValue);
        PutField(b, 44, 4, "");
        PutString(b, w.name.substr(0, 50));
        PutString(b, w.comment.substr(0, 50));
        for (int i = 0; i < 4; ++i) b.push_back(0);  // facility, city, address, cross road
        return b;
    }
    return {};
}

Bytes PackTrackPoint(int type, const SimTrackPoint& p, bool newTrack) {
    if (type != 300 && type != 301) return {};
    Bytes b(type == 300 ? 13 : 21, 0);
    PutPosition(b, 0, p.lat, p.lon);
    StoreLE32(&b[8], p.time > 0 ? std::uint32_t(p.time - kReceiverEpoch) : 0xFFFFFFFFu);
    if (type == 301) {
        PutFloat(b, 12, p.alt);
        PutFloat(b, 16, kNoValue);
    }
    b.back() = newTrack ? 1 : 0;
    return b;
}

Bytes PackTrackHeader(const std::string& name) {
    Bytes b{1, 255};  // displayed, default colour
    PutString(b, name.substr(0, 50));
    return b;
}

std::optional<SimWaypoint> UnpackWaypoint(int type, const Bytes& data) {
    SimWaypoint w;
    if (type == 100) {
        if (data.size() < 58) return std::nullopt;
        w.name = GetField(data, 0, 6);
        w.comment = GetField(data, 18, 40);
        w.lat = FromSemicircles(LoadLE32s(&data[6]));
        w.lon = FromSemicircles(LoadLE32s(&data[10]));
        return w;
    }
    if (type == 108) {
        if (data.size() < 50) return std::nullopt;
        w.lat = FromSemicircles(LoadLE32s(&data[24]));
        w.lon = FromSemicircles(LoadLE32s(&data[28]));
        std::size_t at = 48;
        if (!TakeString(data, at, w.name) || !TakeString(data, at, w.comment)) return std::nullopt;
        return w;
    }
    return std::nullopt;
}

SimData SampleData() {
    SimData d;
    d.waypoints = {
        {"CASTLE", "07-DEC-26 10:30 VIEWPOINT", 46.0489, 14.5086},
        {"BRIDGE", "TRIPLE BRIDGE", 46.0511, 14.5061},
        {"SUMMIT", "", 46.3578, 13.8364},
        {"HUT7", "A LONGER COMMENT THAT FILLS ALL FORTY CHA", -33.9249, -18.4241},
    };
    // 2026-03-28 22:40 UTC: the first log runs across local midnight.
    const std::int64_t start = 1774737600;
    SimTrack a{"EVENING", {}};
    for (int i = 0; i < 12; ++i)
        a.points.push_back({46.05 + i * 0.0005, 14.50 + i * 0.0007, start + i * 120, 300.0f + float(i)});
    SimTrack b{"MORNING", {}};
    for (int i = 0; i < 6; ++i)
        b.points.push_back({46.06 - i * 0.0004, 14.52 + i * 0.0003, start + 36000 + i * 60, 310.0f});
    b.points.push_back({46.058, 14.523, 0, kNoValue});  // a point without a fix time
    d.tracks = {a, b};
    return d;
}

SimTrack GeneratedTrack(int n) {
    SimTrack t{"GENERATED", {}};
    const std::int64_t start = 1780000000;
    for (int i = 0; i < n; ++i)
        t.points.push_back({45.9 + i * 1e-5, 14.2 + i * 2e-5, start + i, 200.0f + float(i % 100)});
    return t;
}

bool LoadSimData(const std::string& path, SimData& out, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    SimData d;
    std::string line;
    for (int no = 1; std::getline(in, line); ++no) {
        std::istringstream s(line);
        std::string tag;
        if (!(s >> tag) || tag[0] == '#') continue;
        std::vector<std::string> f{tag};
        // The rest of a waypoint's or a track's line is its comment or name, blanks kept.
        const std::size_t fields = tag == "W" ? 4 : tag == "T" ? 1 : 6;
        for (std::string t; f.size() < fields && s >> t;) f.push_back(t);
        std::string rest;
        std::getline(s >> std::ws, rest);
        while (!rest.empty() && (rest.back() == '\r' || rest.back() == ' ')) rest.pop_back();
        bool ok = false;
        if (tag == "W") {
            SimWaypoint w;
            ok = f.size() == 4 && Number(f[1], w.lat) && Number(f[2], w.lon);
            if (ok) w.name = f[3];
            w.comment = rest;
            d.waypoints.push_back(w);
        } else if (tag == "T") {
            d.tracks.push_back({rest, {}});
            ok = true;
        } else if (tag == "P" && !d.tracks.empty()) {
            SimTrackPoint p;
            ok = f.size() >= 3 && f.size() <= 5 && rest.empty() && Number(f[1], p.lat) &&
                 Number(f[2], p.lon) && (f.size() < 4 || Number(f[3], p.time)) &&
                 (f.size() < 5 || Number(f[4], p.alt));
            d.tracks.back().points.push_back(p);
        }
        if (!ok) {
            error = path + ":" + std::to_string(no) + ": cannot read \"" + line + "\"";
            return false;
        }
    }
    out = std::move(d);
    return true;
}
