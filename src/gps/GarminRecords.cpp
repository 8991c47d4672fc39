#include "gps/GarminRecords.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "geo/Convert.h"
#include "platform/ByteOrder.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

namespace {

const char kWptSizeError[] =
    "Error! Size of recieved Waypoint data does not match expected size. Your GPS model is probably not "
    "supported";
const char kWptFormatError[] = "Error! Unknown Waypoint format. Your GPS model is probably not supported";

// The receivers' clock starts at the last day of 1989, UTC.
std::int64_t GarminEpoch() {
    static const std::int64_t epoch = [] {
        std::tm t{};
        t.tm_year = 89;
        t.tm_mon = 11;
        t.tm_mday = 31;
        return std::int64_t(timegm(&t));
    }();
    return epoch;
}

// Latest receiver time that still fits a signed 32-bit time since 1970.
constexpr std::uint32_t kLastGarminTime = 0x5A62B3FF;

std::string UpperCut(std::string& field, std::size_t size) {
    field = ToUpperAscii(std::move(field));
    if (field.size() > size) field.resize(size);
    return field;
}

void StorePosition(std::uint8_t* out, const GPSrecord& rec) {
    StoreLE32(out, std::uint32_t(DegreesToSemicircles(rec.latitude)));
    StoreLE32(out + 4, std::uint32_t(DegreesToSemicircles(rec.longitude)));
}

void LoadPosition(const std::uint8_t* in, double& latitude, double& longitude) {
    latitude = SemicirclesToDegrees(LoadLE32s(in));
    longitude = SemicirclesToDegrees(LoadLE32s(in + 4));
}

// The built-in rows: product, minimum version, link, command, waypoint
// transfer and type, route transfer, header, waypoint and link types, track
// transfer, header and point types.
constexpr DeviceProtocols kBuiltIn[7] = {
    {74, 0, 1, 8, 100, 100, 200, 201, 100, 0, 300, 0, 300},
    {76, 0, 1, 8, 100, 102, 200, 201, 102, 0, 300, 0, 300},
    {77, 0, 1, 8, 100, 100, 200, 201, 100, 0, 300, 0, 300},
    {77, 301, 1, 8, 100, 103, 200, 201, 103, 0, 300, 0, 300},
    {77, 350, 1, 8, 100, 103, 200, 201, 103, 0, 300, 0, 300},
    {77, 361, 1, 8, 100, 103, 200, 201, 103, 0, 300, 0, 300},
    {87, 0, 1, 8, 100, 103, 200, 201, 103, 0, 300, 300, 300},
};

bool IsWptType(unsigned t) { return (t >= 100 && t <= 108) || (t >= 150 && t <= 155); }

// Fills row from the array's entries; false when one of them is refused.
bool BuildRow(DeviceProtocols& row, const std::uint8_t* data, std::size_t n) {
    unsigned group = 0;
    for (std::size_t i = 0; i + 3 <= n; i += 3) {
        const std::uint8_t tag = data[i];
        const unsigned number = LoadLE16(data + i + 1);
        switch (tag) {
            case 'P':
                group = 0;
                break;
            case 'L':
                if (number != 1) return false;
                row.Link = 1;
                group = 0;
                break;
            case 'A':
                group = number / 100;
                if (group == 0) {
                    if (number != 10) return false;
                    row.Command = 10;
                } else if (group == 1) {
                    if (number != 100) return false;
                    row.WptTransfer = 100;
                } else if (group == 2) {
                    if (number != 200 && number != 201) return false;
                    row.RteTransfer = std::uint16_t(number);
                } else if (group == 3) {
                    if (number != 300 && number != 301) return false;
                    row.TrkTransfer = std::uint16_t(number);
                }
                break;
            case 'D':
                if (group == 1) {
                    if (!IsWptType(number)) return false;
                    row.WptType = std::uint16_t(number);
                } else if (group == 2) {
                    if (number / 100 == 1) {
                        if (!IsWptType(number)) return false;
                        row.RteWpt = std::uint16_t(number);
                    } else if (number == 210) {
                        row.RteLink = 210;
                    } else {
                        if (number < 200 || number > 202) return false;
                        row.RteHeader = std::uint16_t(number);
                    }
                } else if (group == 3) {
                    if (number == 310) {
                        row.TrkHeader = 310;
                    } else {
                        if (number < 300 || number > 301) return false;
                        row.TrkPoint = std::uint16_t(number);
                    }
                }
                break;
            default:
                break;
        }
    }
    return true;
}

}  // namespace

double SemicirclesToDegrees(std::int32_t s) { return s * kSemicircleDegrees; }

std::int32_t DegreesToSemicircles(double degrees) {
    return std::int32_t(std::uint32_t(SaturateToInt(degrees / kSemicircleDegrees)) & 0xFFFFFFC0u);
}

std::int32_t GarminTrackTime(std::uint32_t t) {
    if (t == 0x7FFFFFFF || t == 0xFFFFFFFF || t > kLastGarminTime) return 0;
    return std::int32_t(GarminEpoch() + t);
}

ProductData ParseProductData(const std::uint8_t* data, std::size_t n) {
    std::uint8_t head[4] = {};
    if (n > 0) std::memcpy(head, data, std::min<std::size_t>(n, 4));
    ProductData p;
    p.ProductId = LoadLE16s(head);
    p.SoftwareVersion = LoadLE16s(head + 2);
    if (n > 4) {
        const std::string text = FixedText(reinterpret_cast<const char*>(data + 4), n - 4);
        SetFixedText(p.Description, text);
    }
    return p;
}

DeviceTable BuiltInDeviceTable() {
    DeviceTable table{};
    std::copy(std::begin(kBuiltIn), std::end(kBuiltIn), table.begin());
    return table;
}

int ParseProtocolArray(DeviceTable& table, const ProductData& product, const std::uint8_t* data,
                       std::size_t n) {
    DeviceProtocols& row = table[7];
    row = DeviceProtocols{};
    if (n % 3 != 0) {
        MsgBox("Error! Invalid protocol array size.", MB_OK);
        return -1;
    }
    if (n > 0) {
        row.ProductId = product.ProductId;
        row.MinVersion = product.SoftwareVersion;
        if (!BuildRow(row, data, n)) {
            row = DeviceProtocols{};
            return -1;
        }
    }
    // An empty row 7 describes nobody, not a receiver whose id is 0.
    for (int i = n > 0 ? 7 : 6; i >= 0; --i) {
        if (table[i].ProductId == product.ProductId && table[i].MinVersion <= product.SoftwareVersion)
            return i;
    }
    return -1;
}

bool UnpackWpt(std::uint16_t wptType, const std::uint8_t* data, std::size_t n, GPSrecord& rec) {
    const char* bytes = reinterpret_cast<const char*>(data);
    std::string name;
    if (wptType == 100) {
        if (n < 58) {
            MsgBox(kWptSizeError, MB_OK);
            return false;
        }
        name = FixedText(bytes, 6);
        rec.comment = FixedText(bytes + 18, 40);
        LoadPosition(data + 6, rec.latitude, rec.longitude);
    } else if (wptType == 108) {
        if (n < 48) {
            MsgBox(kWptSizeError, MB_OK);
            return false;
        }
        const std::size_t strings = std::min<std::size_t>(n, 255) - 48;
        name = FixedText(bytes + 48, strings);
        const std::size_t after = std::min(strings, name.size() + 1);
        rec.comment = FixedText(bytes + 48 + after, strings - after);
        LoadPosition(data + 24, rec.latitude, rec.longitude);
    } else {
        MsgBox(kWptFormatError, MB_OK);
        return false;
    }
    rec.name = ToUpperAscii(std::move(name));
    TrimRight(rec.name);
    rec.time = 0;  // the comment may date it
    rec.flag = 1;  // taken unless it exists already
    return true;
}

int PackWpt(std::uint16_t wptType, GPSrecord& rec, std::uint8_t* out) {
    if (wptType == 100) {
        const std::string name = UpperCut(rec.name, 6);
        const std::string comment = UpperCut(rec.comment, 40);
        std::memset(out, ' ', 58);
        std::memcpy(out, name.data(), name.size());
        StorePosition(out + 6, rec);
        StoreLE32(out + 14, 0);
        std::memcpy(out + 18, comment.data(), comment.size());
        return 58;
    }
    if (wptType == 108) {
        const std::string name = UpperCut(rec.name, 50);
        const std::string comment = UpperCut(rec.comment, 50);
        const std::size_t n = 52 + name.size() + 1 + comment.size() + 1;
        std::memset(out, 0, n);
        out[1] = 255;  // colour: the receiver's default
        out[3] = 0x60;
        StoreLE16(out + 4, 18);  // symbol: a plain waypoint
        std::memset(out + 12, 0xFF, 12);
        StorePosition(out + 24, rec);
        StoreLE32(out + 32, 0x69045951);  // altitude 1.0e25: unknown
        StoreLE32(out + 36, 0x69045951);  // depth: unknown
        std::memset(out + 44, ' ', 4);    // state and country
        std::memcpy(out + 48, name.data(), name.size());
        std::memcpy(out + 48 + name.size() + 1, comment.data(), comment.size());
        return int(n);
    }
    MsgBox(kWptFormatError, MB_OK);
    return -1;
}

int PackRouteHeader(std::uint16_t headerType, std::uint16_t routeNumber, GPSrecord& rec, std::uint8_t* out) {
    const std::string name = UpperCut(rec.name, 20);
    switch (headerType) {
        case 200:
            out[0] = std::uint8_t(routeNumber);
            return 1;
        case 201:
            std::memset(out, ' ', 21);
            out[0] = std::uint8_t(routeNumber);
            std::memcpy(out + 1, name.data(), name.size());
            return 21;
        case 202:
            std::memcpy(out, name.data(), name.size());
            out[name.size()] = 0;
            return int(name.size() + 1);
        default:
            MsgBox("Error! Unknown Route Header format. Your GPS model is probably not supported", MB_OK);
            return -1;
    }
}

int PackRouteLink(std::uint8_t* out) {
    std::memset(out, 0, 21);
    StoreLE16(out, 3);  // class: a direct line
    std::memset(out + 8, 0xFF, 12);
    return 21;
}

bool UnpackTrackPoint(std::uint16_t trkType, const std::uint8_t* data, std::size_t n,
                      GarminTrackPoint& point) {
    std::size_t flagAt;
    if (trkType == 300) {
        flagAt = 12;
    } else if (trkType == 301) {
        flagAt = 20;
    } else {
        MsgBox("Error! Unknown TrackPoint format. Your GPS model is probably not supported", MB_OK);
        return false;
    }
    if (n < flagAt + 1) {
        MsgBox(
            "Error! Size of recieved TrackPoint data does not match expected size. Your GPS model is "
            "probably not "
            "supported",
            MB_OK);
        return false;
    }
    LoadPosition(data, point.latitude, point.longitude);
    point.time = GarminTrackTime(LoadLE32(data + 8));
    point.newTrack = data[flagAt];
    return true;
}

std::string TrackHeaderIdent(const std::uint8_t* data, std::size_t n) {
    if (n <= 2) return {};
    return FixedText(reinterpret_cast<const char*>(data + 2), std::min<std::size_t>(n - 2, 51));
}
