#include "SampleContent.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "doc/DocServices.h"
#include "doc/TrackLogStore.h"
#include "doc/WptDatabase.h"
#include "geo/GeoTransform.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {

constexpr double kHalfTurn = 3.14159265358979323846;
// 15 June 2024, 07:00 UTC: the track's first point.
constexpr std::int32_t kTrackStart = 1718434800;

// A store's message means the sample is incomplete: keep the first one.
class CToolPrompter : public IPrompter {
public:
    CToolPrompter() : m_Previous(&Prompter()) { SetPrompter(this); }
    ~CToolPrompter() override { SetPrompter(m_Previous); }
    int MessageBox(const std::string& text, unsigned) override {
        if (first.empty()) first = text;
        return IDCANCEL;
    }
    bool OpenFile(FileDialogRequest&) override { return false; }
    bool SaveFile(FileDialogRequest&) override { return false; }
    std::string first;

private:
    IPrompter* m_Previous;
};

struct Look {
    double easting, northing, azimut, score;
};

// The view point of each of the four headings, set back from the centre
// against it; the one with the highest ground in a 60-degree fan ahead wins,
// so the view looks across the hills rather than down a valley.
Look ChooseLook(const SampleArea& a) {
    const double cE = a.west + a.side / 2, cN = a.south + a.side / 2;
    Look best{cE, cN, 0, -1};
    for (int k = 0; k < 4; ++k) {
        const double az = 90.0 * k, r = az * kHalfTurn / 180.0;
        Look l{cE - 0.38 * a.side * std::sin(r), cN - 0.38 * a.side * std::cos(r), az, 0};
        int n = 0;
        for (double d = 2000; d <= 0.7 * a.side; d += 500)
            for (int t = -3; t <= 3; ++t) {
                const double b = r + t * 10.0 * kHalfTurn / 180.0;
                l.score += a.height(l.easting + d * std::sin(b), l.northing + d * std::cos(b));
                ++n;
            }
        l.score /= n;
        if (l.score > best.score) best = l;
    }
    return best;
}

bool Inside(const SampleArea& a, double e, double n) {
    return e > a.west && e < a.west + a.side && n > a.south && n < a.south + a.side;
}

}  // namespace

std::string SampleDmrSettings(const SampleArea& a) {
    const Look l = ChooseLook(a);
    // Above the ground around the view point and the first hills ahead, so
    // that the view goes over them instead of into their slope.
    double ground = 0;
    const double r = l.azimut * kHalfTurn / 180.0;
    for (double d = -600; d <= 3000; d += 100)
        for (double across = -d / 2 - 600; across <= d / 2 + 600; across += 100) {
            const double e = l.easting + d * std::sin(r) + across * std::cos(r);
            const double n = l.northing + d * std::cos(r) - across * std::sin(r);
            if (Inside(a, e, n)) ground = std::max(ground, a.height(e, n));
        }
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "[DMR]\nPreview Mode=1\nSurface Type=1\nAzimut=%.2f\nElevation=-8\nViewAngle=85\n"
                  "View Point Easting=%.3f\nView Point Northing=%.3f\nView Point Abs Height=%d\n"
                  "is Relative Height=0\nVisibility=15\nStick To GPS=0\n",
                  l.azimut, std::round(l.easting), std::round(l.northing), int(std::lround(ground + 250)));
    return buf;
}

std::string WriteSampleTrackAndWaypoints(const SampleArea& a, const std::string& startDir,
                                         const std::string& wptDir) {
    CToolPrompter prompter;
    AppSettings settings;
    settings.startDirectory = startDir;
    settings.wptBaseDir = wptDir;
    CMemoryCounters memory;
    CGeoTransform geo;

    // A walk of an hour and a half through the middle of the block, where the
    // map opens, with a break (a second segment) after an hour.
    const double cE = a.west + a.side / 2, cN = a.south + a.side / 2;
    std::vector<TrackPoint> walk;
    for (int i = 0; i < 180; ++i) {
        const double f = i / 179.0;
        TrackPoint p{};
        p.position =
            CPointD(cE - 3200 + 6400 * f + 250 * std::sin(f * 19.0),
                    cN - 1600 + 2600 * f + 900 * std::sin(f * 2 * kHalfTurn) + 150 * std::cos(f * 23.0));
        p.time = kTrackStart + i * 30 + (i >= 120 ? 1800 : 0);
        p.segmentStart = i == 0 || i == 120;
        walk.push_back(p);
    }
    CTrackLogStore log(settings, memory);
    log.Clear(int(walk.size()));
    for (const TrackPoint& p : walk)
        if (!log.Append(p)) return "cannot hold the track log";
    if (!log.Write(log.DefaultName()))
        return prompter.first.empty() ? "cannot write the track log" : prompter.first;

    CWptDatabase db(settings, DocServices{memory, geo, nullptr, true}, {});
    db.Open();
    // Named (temporary) waypoints at the walk's start, its highest point and
    // its end; automatic ones where the walk turns.
    std::size_t top = 0;
    for (std::size_t i = 0; i < walk.size(); ++i)
        if (a.height(walk[i].position.easting, walk[i].position.northing) >
            a.height(walk[top].position.easting, walk[top].position.northing))
            top = i;
    const struct {
        std::size_t point;
        const char* name;
        const char* comment;
    } named[] = {{0, "START", "15-JUN-24 07:00 PARKING"},
                 {top, "SUMMIT", "VIEW POINT"},
                 {walk.size() - 1, "CAMP", "15-JUN-24 09:00 TENT"}};
    // Kept well apart, so that no placement meets the database's distance check.
    std::vector<CPointD> placed;
    auto farFromOthers = [&](CPointD p) {
        for (const CPointD& q : placed)
            if (std::hypot(p.easting - q.easting, p.northing - q.northing) < 300) return false;
        placed.push_back(p);
        return true;
    };
    int planned = 0, added = 0;
    for (const auto& w : named) {
        const CPointD p = walk[w.point].position;
        if (!farFromOthers(p)) continue;
        ++planned;
        added += db.CreateWaypoint(p.easting, p.northing, WptCreateMode::Import, 1, w.name, w.comment,
                                   walk[w.point].time) > 0;
    }
    for (std::size_t i : {std::size_t(40), std::size_t(90), std::size_t(150)}) {
        const CPointD p(walk[i].position.easting + 60, walk[i].position.northing + 60);
        if (!farFromOthers(p)) continue;
        ++planned;
        added += db.CreateWaypoint(p.easting, p.northing, WptCreateMode::Click, 1, "", "", 0) > 0;
    }
    db.Close();
    if (!prompter.first.empty()) return prompter.first;
    return added == planned ? "" : "cannot add the waypoints";
}
