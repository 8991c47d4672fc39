#pragma once
// Plain value types shared by every subsystem. Byte-packed: the track log
// file is an array of TrackPoint.

#include <cstdint>

#pragma pack(push, 1)

struct CPointD {
    double easting = 0.0;
    double northing = 0.0;
    CPointD() = default;
    CPointD(double e, double n) : easting(e), northing(n) {}
};
static_assert(sizeof(CPointD) == 16);

// Kept exactly as built, not normalised. Field order E1, E2, N1, N2.
struct CRectD {
    double E1 = 0.0;
    double E2 = 0.0;
    double N1 = 0.0;
    double N2 = 0.0;
    CRectD() = default;
    CRectD(double easting1, double northing1, double easting2, double northing2)
        : E1(easting1), E2(easting2), N1(northing1), N2(northing2) {}
    CRectD(const CPointD& p1, const CPointD& p2)
        : E1(p1.easting), E2(p2.easting), N1(p1.northing), N2(p2.northing) {}
    void SetEmpty() { E1 = E2 = N1 = N2 = 0.0; }
    CPointD Corner11() const { return {E1, N1}; }
    CPointD Corner21() const { return {E2, N1}; }
    CPointD Corner12() const { return {E1, N2}; }
    CPointD Corner22() const { return {E2, N2}; }
};
static_assert(sizeof(CRectD) == 32);

struct CGpsTriple {
    CPointD first, second, third;
    CGpsTriple() = default;
    CGpsTriple(const CPointD& a, const CPointD& b, const CPointD& c) : first(a), second(b), third(c) {}
};

struct TrackPoint {
    CPointD position;
    std::int32_t time;          // seconds since 1970 UTC; below 1 = no time
    std::int32_t segmentStart;  // nonzero: not joined to the point before
    TrackPoint() = default;     // position (0,0); producers fill every field
};
static_assert(sizeof(TrackPoint) == 24);

#pragma pack(pop)
