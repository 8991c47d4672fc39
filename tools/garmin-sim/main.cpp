// garmin-sim [options]
//
// A handheld receiver on a pseudo-terminal, for the program's tests, the
// download benchmark and trying the receiver commands without a device. The
// first line on stdout is the path the host opens.
//
//   --port PATH          serve on an existing terminal instead of a new pseudo-terminal
//   --profile NAME       table | array | unsupported (default array)
//   --product ID         product id in the product data (default: the profile's)
//   --version HUNDREDTHS software version in the product data
//   --ext-product-data N extended product data packets (id 248) after the product data, as newer
//                        receivers send them (default 0)
//   --fault NAME         silent | nak | bad-checksum | noise | duplicate | extra-record |
//                        extra-packet-after-product-data | no-ack | cut-off
//   --data FILE          waypoints and track logs to hold instead of the built-in ones; lines
//                        "W lat lon NAME [comment]", "T [track name]", "P lat lon [unix time [alt]]"
//   --track-points N     hold one generated track log of N points instead
//   --record FILE        one line per packet received: id and data in hex (a refused frame: '!' and its
//   bytes)
//   --baud N             pace output at the line time of N baud (default: unpaced)
//   --once               stop when the host closes the line after a transfer has ended
//   --verbose            say what happens on stderr

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "SimLine.h"
#include "SimReceiver.h"

namespace {

int Usage(const std::string& problem) {
    std::fprintf(stderr, "garmin-sim: %s (see the head of tools/garmin-sim/main.cpp)\n", problem.c_str());
    return 2;
}

bool ToInt(const char* s, long lo, long hi, long& v) {
    char* end = nullptr;
    errno = 0;
    v = std::strtol(s, &end, 10);
    return end != s && *end == 0 && errno == 0 && v >= lo && v <= hi;
}

}  // namespace

int main(int argc, char** argv) {
    std::string port, record, dataFile;
    SimProfile profile = *ProfileByName("array");
    SimFault fault = SimFault::None;
    long product = -1, version = -1, trackPoints = -1, baud = 0, extended = -1;
    ServeOptions options;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        const char* v = hasValue ? argv[i + 1] : "";
        if (a == "--once") {
            options.once = true;
            continue;
        }
        if (a == "--verbose") {
            verbose = true;
            continue;
        }
        if (!hasValue) return Usage("unknown option or missing value: " + a);
        ++i;
        if (a == "--port") {
            port = v;
        } else if (a == "--record") {
            record = v;
        } else if (a == "--data") {
            dataFile = v;
        } else if (a == "--profile") {
            const auto p = ProfileByName(v);
            if (!p) return Usage(std::string("unknown profile ") + v);
            profile = *p;
        } else if (a == "--fault") {
            const auto f = FaultByName(v);
            if (!f) return Usage(std::string("unknown fault ") + v);
            fault = *f;
        } else if (a == "--product") {
            if (!ToInt(v, -32768, 32767, product)) return Usage("bad product id");
        } else if (a == "--version") {
            if (!ToInt(v, -32768, 32767, version)) return Usage("bad version");
        } else if (a == "--ext-product-data") {
            if (!ToInt(v, 0, 1000, extended)) return Usage("extended product data packets must be 0 to 1000");
        } else if (a == "--track-points") {
            if (!ToInt(v, 0, 65535, trackPoints)) return Usage("track points must be 0 to 65535");
        } else if (a == "--baud") {
            if (!ToInt(v, 0, 4000000, baud)) return Usage("bad baud rate");
        } else {
            return Usage("unknown option " + a);
        }
    }
    if (product >= 0) profile.productId = std::int16_t(product);
    if (version >= 0) profile.version = std::int16_t(version);
    if (extended >= 0) profile.extProductPackets = int(extended);
    options.baud = int(baud);

    SimData data = SampleData();
    if (!dataFile.empty()) {
        std::string error;
        if (!LoadSimData(dataFile, data, error)) return Usage(error);
    }
    if (trackPoints >= 0) data.tracks = {GeneratedTrack(int(trackPoints))};

    std::signal(SIGPIPE, SIG_IGN);
    std::unique_ptr<FILE, int (*)(FILE*)> recordFile(nullptr, &std::fclose);
    if (!record.empty()) {
        recordFile.reset(std::fopen(record.c_str(), "w"));
        if (!recordFile) return Usage(record + ": " + std::strerror(errno));
    }

    SimLine line;
    std::string error;
    if (!(port.empty() ? OpenPseudoTerminal(line, error) : OpenExistingPort(port, line, error))) {
        std::fprintf(stderr, "garmin-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", line.path.c_str());
    std::fflush(stdout);

    SimReceiver rx(profile, std::move(data), fault);
    if (recordFile) {
        // Flushed per line: a test reads the record while the simulator still runs.
        rx.onRecord = [f = recordFile.get()](const std::string& s) {
            std::fprintf(f, "%s\n", s.c_str());
            std::fflush(f);
        };
    }
    if (verbose) {
        rx.onLog = [](const std::string& s) { std::fprintf(stderr, "garmin-sim: %s\n", s.c_str()); };
        auto record = std::move(rx.onRecord);
        rx.onRecord = [record](const std::string& s) {
            std::fprintf(stderr, "garmin-sim: received %s\n", s.c_str());
            if (record) record(s);
        };
    }
    return Serve(line, rx, options);
}
