#pragma once
// What the receiver link's packets carry: positions in semicircles, track
// times, waypoint, route and track records, the product data, and which
// record types a receiver speaks (the built-in table or its protocol array).
// Failures are shown through the prompter with the link's own messages.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "doc/GpsRecord.h"

// Degrees of one semicircle as the link has always used it (not exactly
// 180 / 2^31); kept so positions round-trip as they did.
constexpr double kSemicircleDegrees = 8.381903175442434e-08;

double SemicirclesToDegrees(std::int32_t s);
// Truncated toward zero, held to the 32-bit range, low 6 bits cleared.
std::int32_t DegreesToSemicircles(double degrees);

// A received track time (seconds since 1989-12-31 00:00 UTC) as seconds
// since 1970; the receivers' no-time values and anything past 2038 give 0.
std::int32_t GarminTrackTime(std::uint32_t t);

struct ProductData {
    std::int16_t ProductId = 0;
    std::int16_t SoftwareVersion = 0;  // hundredths
    char Description[256] = {};        // always NUL-terminated
};
// From a product-data packet of n bytes; missing bytes read as zero.
ProductData ParseProductData(const std::uint8_t* data, std::size_t n);

struct DeviceProtocols {
    std::int32_t ProductId = 0;
    std::int32_t MinVersion = 0;  // hundredths
    std::uint16_t Link = 0, Command = 0;
    std::uint16_t WptTransfer = 0, WptType = 0;
    std::uint16_t RteTransfer = 0, RteHeader = 0, RteWpt = 0, RteLink = 0;
    std::uint16_t TrkTransfer = 0, TrkHeader = 0, TrkPoint = 0;
};
// Rows 0-6 are receivers that send no protocol array; row 7 is built from
// the array of the receiver at hand.
using DeviceTable = std::array<DeviceProtocols, 8>;
DeviceTable BuiltInDeviceTable();

// Rebuilds row 7 from a protocol array of n bytes (n = 0: the receiver sent
// none) and returns the row describing the product, or -1 when the array is
// malformed, names a protocol we do not speak, or no row fits.
int ParseProtocolArray(DeviceTable& table, const ProductData& product, const std::uint8_t* data,
                       std::size_t n);

// A received waypoint of type wptType into rec (name upper-cased without
// trailing blanks, comment as received, position, no time, taken). False with
// its message shown.
bool UnpackWpt(std::uint16_t wptType, const std::uint8_t* data, std::size_t n, GPSrecord& rec);
// Packs rec as a waypoint of type wptType into out (room for 255 bytes); the
// record's name and comment are upper-cased and cut to what the type holds.
// The byte count, or -1 with its message shown.
int PackWpt(std::uint16_t wptType, GPSrecord& rec, std::uint8_t* out);
// A route header of type headerType for route number routeNumber, named by
// rec (upper-cased and cut to 20 in place). The byte count, or -1.
int PackRouteHeader(std::uint16_t headerType, std::uint16_t routeNumber, GPSrecord& rec, std::uint8_t* out);
// The route link record as sent (type 210); the byte count.
int PackRouteLink(std::uint8_t* out);

struct GarminTrackPoint {
    double latitude = 0.0;
    double longitude = 0.0;
    std::int32_t time = 0;  // seconds since 1970; 0 none
    std::uint8_t newTrack = 0;
};
// A received track point of type trkType; false with its message shown.
bool UnpackTrackPoint(std::uint16_t trkType, const std::uint8_t* data, std::size_t n,
                      GarminTrackPoint& point);
// The identifier of a received track header (type 310), from the bytes that
// came only and at most 51 of them.
std::string TrackHeaderIdent(const std::uint8_t* data, std::size_t n);
