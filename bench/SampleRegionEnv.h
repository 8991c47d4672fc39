#pragma once
// Shared by the benchmarks: a sample region made once beside the build's
// tools, an application object pointing into it, and a document.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"

// A size x size quadrant region in the temporary folder, made once.
inline const std::string& BenchRegion(int size = 2) {
    static std::map<int, std::string> dirs;
    std::string& dir = dirs[size];
    if (!dir.empty()) return dir;
    char exe[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::filesystem::path build =
        std::filesystem::path(std::string(exe, n > 0 ? std::size_t(n) : 0)).parent_path().parent_path();
    dir = (std::filesystem::temp_directory_path() /
           ("vorna-bench-region" + (size == 2 ? std::string() : std::to_string(size))))
              .string() +
          "/";
    if (!std::filesystem::exists(dir + "config/vornamap.ini")) {
        const std::string cmd = (build / "tools" / "make-sample-region").string() + " " + dir + " --size " +
                                std::to_string(size) + " >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "cannot make the sample region\n");
    }
    return dir;
}

struct BenchEnv {
    CVornaApp app;
    std::unique_ptr<CVornaDoc> doc;
    explicit BenchEnv(int size = 2) {
        const std::string& r = BenchRegion(size);
        app.settings.startDirectory = r + "bench-start/";
        std::filesystem::create_directories(app.settings.startDirectory);
        app.settings.wptBaseDir = app.settings.pendingWptBaseDir = r + "wpt/";
        app.settings.dmrDataDir = r + "dmr/";
        for (int s = 0; s < kMapTypeCount; ++s)
            app.settings.mapTypes[s].directory = r + "maps/" + app.settings.mapTypes[s].name + "/";
        app.newWptBaseFlag = 1;
        doc = std::make_unique<CVornaDoc>(app.settings, DocServices{app.memUse, app.geo, nullptr, true});
    }
};

// A descriptor of the series with every layer on.
inline MapViewDesc BenchDesc(int series) {
    MapViewDesc d;
    SetSeriesGeometry(d, series, DefaultMapType(series));
    for (int& l : d.layers) l = 1;
    return d;
}
