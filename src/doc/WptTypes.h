#pragma once
// Records of the waypoint database and the track log store. A waypoint record
// is the same 64 bytes in memory and in the base files.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "geo/Types.h"
#include "platform/Text.h"

// Flag word of a waypoint record.
enum : std::uint16_t {
    kWptLevelMask = 0x0007,  // 0..4: PK250, TK50, TK25, TN10, TN5
    kWptTemporary = 0x0008,  // lives in base "TEMP"
    kWptLabelMask = 0x0030,  // where the name stands:
    kWptLabelBelow = 0x0000,
    kWptLabelAbove = 0x0010,
    kWptLabelLeft = 0x0020,
    kWptLabelRight = 0x0030,
    kWptImported = 0x0040,  // came from the GPS or an import
    kWptSelected = 0x0080,  // export selection; memory only, never on disk
    kWptReserved = 0x3F00,  // must be zero
    kWptObject = 0x4000,    // must be clear
    kWptDeleted = 0x8000,   // awaiting compaction
};

constexpr int kWptNameSize = 7;      // at most 6 characters + NUL
constexpr int kWptCommentSize = 24;  // at most 23 characters + NUL

static_assert(std::endian::native == std::endian::little, "records are stored little-endian as in memory");

#pragma pack(push, 1)
struct WaypointRecord {
    double E;
    double N;
    std::int32_t Created;
    std::int32_t Modified;
    char Name[kWptNameSize];
    std::uint8_t Reserved1;
    std::uint16_t Reserved2;
    std::uint16_t Flags;
    std::uint16_t Reserved3;
    std::uint16_t Reserved4;
    char Comment[kWptCommentSize];
};
#pragma pack(pop)
static_assert(sizeof(WaypointRecord) == 64);
static_assert(offsetof(WaypointRecord, Name) == 24);
static_assert(offsetof(WaypointRecord, Flags) == 34);
static_assert(offsetof(WaypointRecord, Comment) == 40);

// Fields read with their bounds: a record from a file may lack its NUL.
inline std::string WptName(const WaypointRecord& r) { return FixedText(r.Name); }
inline std::string WptComment(const WaypointRecord& r) { return FixedText(r.Comment); }
// Stores at most 6 (23) bytes and zero-fills the rest of the field.
inline void SetWptName(WaypointRecord& r, const std::string& s) { SetFixedText(r.Name, s); }
inline void SetWptComment(WaypointRecord& r, const std::string& s) { SetFixedText(r.Comment, s); }
inline WaypointRecord ZeroWaypointRecord() {
    WaypointRecord r;
    std::memset(&r, 0, sizeof r);
    return r;
}
inline bool WptIsDeleted(const WaypointRecord& r) { return (r.Flags & kWptDeleted) != 0; }

// Sizes are byte counts of 32 bits in the holders, which caps the arrays.
constexpr int kMaxBaseRecords = int(0xFFFFFFFFu / sizeof(WaypointRecord));
constexpr int kMaxTrackPoints = int(0xFFFFFFFFu / sizeof(TrackPoint));

// One waypoint base. Loaded while Loaded is set; Count and Deleted are kept
// for every base, loaded or not (they come from the counter files).
struct WptBase {
    std::vector<WaypointRecord> Data;  // Capacity records while loaded, empty otherwise
    std::uint32_t Size = 0;            // bytes of Data
    int Capacity = 0;
    int Count = 0;  // deleted records included
    int Deleted = 0;
    int GrowStep = 100;
    int Modified = 0;
    bool Loaded = false;
    int LoadFailed = 0;           // the file exists but could not be read; shown once
    bool WriteFailShown = false;  // a failed write was reported; quiet until a write succeeds
    bool DamageShown = false;     // its file was found cut mid-record and reported this run
    std::string FileName;         // path without extension while loaded, empty otherwise
    std::string FilePath;         // the file actually read or written (its name may differ in case)
};

struct TrackBase {
    std::vector<TrackPoint> Data;  // Capacity points while allocated
    std::uint32_t Size = 0;
    int Capacity = 0;
    int Count = 0;
    int GrowStep = 1050;
    bool Allocated = false;
    bool ReadFailed = false;  // the file exists but could not be read: never delete it
    std::string FileName;
};

// Grows a holder (a base or the track log) by its grow step, a step below 1
// counting as 1. False when the new array cannot be held or allocated; the
// holder is then unchanged. bytesAdded: the growth of the holder's size.
template <class Holder, class T>
bool GrowHolder(Holder& h, int limit, const T& fill, long long& bytesAdded) {
    const long long capacity = (long long)h.Capacity + (h.GrowStep < 1 ? 1 : h.GrowStep);
    if (capacity > limit) return false;
    try {
        h.Data.resize(std::size_t(capacity), fill);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const std::uint32_t size = std::uint32_t(capacity) * sizeof(T);
    bytesAdded = (long long)size - h.Size;
    h.Capacity = int(capacity);
    h.Size = size;
    return true;
}
