#pragma once
// An application object and a scripted prompter around one document, with
// every folder the document touches inside a temporary directory:
// tmp/wpt/, tmp/dmr/, tmp/maps/<series>/ (created only on request).

#include <QDir>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "platform/Prompt.h"

struct AppDocEnv {
    TempDir tmp;
    CScriptedPrompter prompter;
    CVornaApp app;
    std::unique_ptr<CVornaDoc> doc;

    AppDocEnv() {
        app.startDirectory = tmp.dir();
        app.wptBaseDir = app.pendingWptBaseDir = tmp.dir() + "wpt/";
        app.dmrDataDir = tmp.dir() + "dmr/";
        for (int s = 0; s < kMapTypeCount; ++s)
            app.mapTypes[s].directory = tmp.dir() + "maps/" + app.mapTypes[s].name + "/";
        app.newWptBaseFlag = 1;
    }
    ~AppDocEnv() { doc.reset(); }  // the document before the application object

    void CreateFolders(bool maps) {
        QDir().mkpath(QString::fromStdString(app.wptBaseDir));
        for (int s = 0; maps && s < kMapTypeCount; ++s)
            QDir().mkpath(QString::fromStdString(app.mapTypes[s].directory));
    }
    CVornaDoc& Make() {
        doc = std::make_unique<CVornaDoc>();
        return *doc;
    }
    // A pane of the series with every layer on.
    static MapViewDesc Desc(int series) {
        MapViewDesc d;
        d.mapType = series;
        const MapTypeInfo& m = DefaultMapType(series);
        d.scale = m.scale;
        d.segmentsPerSide = m.segmentsPerSide;
        d.segmentCount = m.segmentCount;
        d.segmentPixels = m.pixels;
        d.segmentMetres = m.segmentMetres;
        for (int& l : d.layers) l = 1;
        return d;
    }
};

// A view that records the update hints it is sent.
struct HintRecorder : IDocView {
    std::vector<long> hints;
    std::vector<WaypointRecord> records;  // hint-2 objects
    void OnUpdate(IDocView*, long hint, const void* obj) override {
        hints.push_back(hint);
        if (hint == 2 && obj) records.push_back(*static_cast<const WaypointRecord*>(obj));
    }
};

inline void PutLE(std::string& b, std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + std::size_t(i)] = char(v >> (8 * i));
}

// A bitmap file: headers, paletteBytes of palette (byte i = i), rows of
// rowBytes bytes (byte = row * 16 + column), then extra trailing bytes.
inline std::string BmpBytes(int w, int h, int bits, std::uint32_t paletteBytes, int extra = 0) {
    const std::uint32_t row = std::uint32_t((w * bits + 31) / 32 * 4);
    std::string b(54 + paletteBytes + row * std::uint32_t(h) + std::uint32_t(extra), '\0');
    PutLE(b, 0, 0x4D42, 2);
    PutLE(b, 2, std::uint32_t(b.size()), 4);
    PutLE(b, 10, 54 + paletteBytes, 4);
    PutLE(b, 14, 40, 4);
    PutLE(b, 18, std::uint32_t(w), 4);
    PutLE(b, 22, std::uint32_t(h), 4);
    PutLE(b, 26, 1, 2);
    PutLE(b, 28, std::uint32_t(bits), 2);
    PutLE(b, 38, 5905, 4);  // 150 dpi
    for (std::uint32_t i = 0; i < paletteBytes; ++i) b[54 + i] = char(i);
    for (std::uint32_t y = 0; y < std::uint32_t(h); ++y)
        for (std::uint32_t x = 0; x < row; ++x) b[54 + paletteBytes + y * row + x] = char(y * 16 + x);
    for (int i = 0; i < extra; ++i) b[b.size() - 1 - std::size_t(i)] = char(0xEE);
    return b;
}
