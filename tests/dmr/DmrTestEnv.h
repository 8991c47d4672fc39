#pragma once
// A document for the renderer: elevation quadrants written by the test (a
// plane, a ramp) or the generated sample region, and a clock the test turns.

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "doc/DocTestEnv.h"
#include "dmr/DmrRenderer.h"
#include "platform/ByteOrder.h"

struct DmrEnv : DocEnv {
    double now = 100.0;
    std::unique_ptr<CDmrRenderer> r;

    DmrEnv() {
        QDir().mkpath(QString::fromStdString(settings.dmrDataDir));
        for (const int s : {1, 4}) QDir().mkpath(QString::fromStdString(settings.mapTypes[s].directory));
        DmrParams& p = settings.dmr;
        p.StickToGps = 0;
        p.PreviewMode = 0;
    }
    ~DmrEnv() { r.reset(); }

    // Quadrant (row, column) with height(northing index, easting index) in metres.
    void WriteQuadrant(int row, int col, const std::function<int(int, int)>& height) {
        std::string b(2 * 100 * 100, '\0');
        const int n0 = (5220000 - (row + 1) * 10000) / 100, e0 = (370000 + col * 10000) / 100;
        for (int i = 0; i < 100; ++i)
            for (int j = 0; j < 100; ++j) {
                const int h = height(n0 + i, e0 + j);
                b[std::size_t(2 * (i * 100 + j))] = char(h & 0xFF);
                b[std::size_t(2 * (i * 100 + j) + 1)] = char((h >> 8) & 0xFF);
            }
        WriteFileBytes(settings.dmrDataDir + "Q_" + QuadrantName(row * 28 + col) + "_DMR.dat", b);
    }
    // The same heights over a block of quadrants around (row, column).
    void WriteBlock(int row, int col, int radius, const std::function<int(int, int)>& height) {
        for (int a = row - radius; a <= row + radius; ++a)
            for (int c = col - radius; c <= col + radius; ++c) WriteQuadrant(a, c, height);
    }

    // Every segment of the series over quadrant (row, column) holds one byte value.
    void WriteSegments(int series, int row, int col, std::uint8_t value) {
        if (!doc) Make();
        const int side = settings.mapTypes[series].pixels;
        std::string b = BmpBytes(side, side, 8, 1024);
        std::fill(b.begin() + 54 + 1024, b.end(), char(value));
        const CPointD c = QuadrantCentre(row, col);
        const int idx = doc->Segments().GetSegmentIndex(series, c.easting, c.northing);
        WriteFileBytes(doc->SegmentFilePath(series, idx, ".bmp"), b);
    }

    // Points the settings at a generated region of size x size quadrants.
    bool UseSampleRegion(int size) {
        const std::string out = tmp.dir() + "region/";
        const std::string cmd = ToolsDir() + "/make-sample-region " + out + " --size " + std::to_string(size) +
                                " >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) return false;
        settings.dmrDataDir = out + "dmr/";
        for (int s = 0; s < kMapTypeCount; ++s)
            settings.mapTypes[s].directory = out + "maps/" + settings.mapTypes[s].name + "/";
        return true;
    }

    CDmrRenderer& Renderer(int w, int h) {
        if (!doc) Make();
        r = std::make_unique<CDmrRenderer>(*doc, settings, mem, [this] { return now; });
        r->SetSize(w, h);
        return *r;
    }
    // Redraws and runs the idle steps to the end (the clock jumps the delay).
    void RenderAll() {
        r->Redraw();
        for (int guard = 0; guard < 100000 && r->GetState() != CDmrRenderer::State::Idle; ++guard) {
            if (r->MsUntilWork() > 0) now += r->MsUntilWork() / 1000.0;
            r->IdleStep();
        }
    }
    std::uint32_t Px(int x, int y) const { return r->Picture().pixel(x, y) & 0xFFFFFFu; }
};
