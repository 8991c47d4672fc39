#pragma once
// Sentences and ports for the reception tests and benchmark.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <ostream>
#include <string>

#include "geo/Types.h"
#include "platform/SerialPort.h"

inline bool operator==(const CPointD& a, const CPointD& b) {
    return a.easting == b.easting && a.northing == b.northing;
}
inline std::ostream& operator<<(std::ostream& o, const CPointD& p) {
    return o << p.easting << "," << p.northing;
}

// body: what lies between '$' and '*'.
inline std::string NmeaLine(const std::string& body) {
    unsigned sum = 0;
    for (unsigned char c : body) sum ^= c;
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}
inline std::string Gga(const std::string& lat, const std::string& lon, const std::string& quality) {
    return NmeaLine("GPGGA,123519," + lat + ",N," + lon + ",E," + quality + ",08,0.9,545.4,M,46.9,M,,");
}
inline std::string GgaAt(double lat, double lon, const std::string& quality = "1") {
    char text[64];
    std::snprintf(text, sizeof text, "%02d%09.6f %03d%09.6f", int(lat), (lat - int(lat)) * 60, int(lon),
                  (lon - int(lon)) * 60);
    return Gga(std::string(text, 11), std::string(text + 12), quality);
}

struct QueuePort : ISerialIO {
    std::string in;
    bool IsOpen() const override { return true; }
    long Read(void* buffer, std::size_t size) override {
        const std::size_t n = in.copy(static_cast<char*>(buffer), size);
        in.erase(0, n);
        return long(n);
    }
    bool Write(const void*, std::size_t) override { return true; }
    bool PurgeInput() override { return in.clear(), true; }
    bool Close() override { return true; }
};

// The far end of a pseudo-terminal, as a receiver holds it.
struct NmeaPty {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    std::string slave;
    NmeaPty() {
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
    }
    ~NmeaPty() {
        if (master >= 0) close(master);
    }
};
