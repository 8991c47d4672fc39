#pragma once
// The elevation model cache: one grid of 100 x 100 heights per quadrant,
// claim-counted like the map segments. Node (row, column) lies at 100 m steps
// from the quadrant's south-west corner; node coordinates are hectometres:
// n = northing / 100, e = easting / 100. Heights are read from the folder the
// settings name at the moment a quadrant is loaded.

#include <cmath>
#include <cstdint>
#include <memory>

#include "doc/Grids.h"
#include "doc/SegmentCache.h"

class CDmrCache {
public:
    static constexpr int kSide = 100;
    static constexpr int kEntries = kSide * kSide;

    explicit CDmrCache(const AppSettings& settings) : m_Settings(settings) {}
    ~CDmrCache();
    CDmrCache(const CDmrCache&) = delete;
    CDmrCache& operator=(const CDmrCache&) = delete;

    // Claims quadrant q for the consumer (once); 1, or 0 when the file was
    // missing (all heights -1) or no memory was left.
    int ReadDmrQuadrant(int q, QuadrantFlags& flags);
    // Releases the consumer's claim; the heights go with the last claim.
    void CloseDmrQuadrant(int q, QuadrantFlags& flags);
    // Height in hectometres at node (n, e), claiming its quadrant for the
    // consumer when needed; -1.0 outside the area, -0.01 where the file was
    // missing. absolute: the absolute value.
    // Inline for a node of a quadrant the consumer holds: the 3-D view asks
    // about a dozen times per cell, and the general path costs more than the
    // rest of a hidden cell's work.
    double GetDmrZ(int n, int e, QuadrantFlags& flags, bool absolute) {
        if (e >= kWestNode && e < kEastNode && n >= kSouthNode && n < kNorthNode) {
            const unsigned un = unsigned(n), ue = unsigned(e);
            const int q = int((kNorthNode / kSide - 1 - un / kSide) * kQuadrantsPerSide +
                              (ue / kSide - kWestNode / kSide));
            if (flags[std::size_t(q)] && m_Heights[q]) {
                const double z = m_Heights[q][(un % kSide) * kSide + ue % kSide] / 100.0;
                return absolute ? std::fabs(z) : z;
            }
        }
        return GetDmrZClaiming(n, e, flags, absolute);
    }
    // Height in hectometres at the node nearest (E, N), on the cache's own
    // claims (the status text).
    double GetDmrZAt(double E, double N);

    int ClaimCount(int q) const { return Valid(q) ? m_Claims[q] : 0; }
    bool Loaded(int q) const { return Valid(q) && m_Heights[q] != nullptr; }
    QuadrantFlags& OwnFlags() { return m_OwnFlags; }

private:
    // The area's edges in nodes (hectometres).
    static constexpr int kWestNode = int(kAreaWest) / 100, kEastNode = int(kAreaEast) / 100;
    static constexpr int kSouthNode = int(kAreaSouth) / 100, kNorthNode = int(kAreaNorth) / 100;
    static_assert(kWestNode % kSide == 0 && kNorthNode % kSide == 0 && kSide * 100 == kQuadrantMetres);
    double GetDmrZClaiming(int n, int e, QuadrantFlags& flags, bool absolute);
    static bool Valid(int q) { return q >= 0 && q < kQuadrantCount; }
    const AppSettings& m_Settings;
    std::unique_ptr<std::int16_t[]> m_Heights[kQuadrantCount];
    std::int32_t m_Claims[kQuadrantCount] = {};
    QuadrantFlags m_OwnFlags{};
};
