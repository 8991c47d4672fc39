#pragma once
// A document for the renderer over elevation quadrants and map segments the
// test writes, or over the generated sample region; a clock the test turns.

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "dmr/DmrRenderer.h"
#include "doc/DocTestEnv.h"

struct DmrEnv : DocEnv {
    double now = 100.0;
    std::unique_ptr<CDmrRenderer> r;

    DmrEnv() {
        QDir().mkpath(QString::fromStdString(settings.dmrDataDir));
        for (const int s : {1, 4}) QDir().mkpath(QString::fromStdString(settings.mapTypes[s].directory));
        settings.dmr.StickToGps = 0;
    }
    ~DmrEnv() { r.reset(); }

    // Quadrants (row +- radius, column +- radius), every node at one height in metres.
    void WriteBlock(int row, int col, int radius, int metres) {
        std::string heights(2 * 100 * 100, '\0');
        for (std::size_t i = 0; i < heights.size(); i += 2)
            heights[i] = char(metres), heights[i + 1] = char(metres >> 8);
        for (int a = row - radius; a <= row + radius; ++a)
            for (int c = col - radius; c <= col + radius; ++c)
                WriteFileBytes(settings.dmrDataDir + "Q_" + QuadrantName(a * 28 + c) + "_DMR.dat", heights);
    }
    // Quadrants (row0..row1, col0..col1) with heights in metres from a
    // function of the node's northing and easting index (hectometres).
    void WriteTerrain(int row0, int col0, int row1, int col1, const std::function<int(int, int)>& metres) {
        for (int a = row0; a <= row1; ++a)
            for (int c = col0; c <= col1; ++c) {
                const int n0 = (5220000 - (a + 1) * 10000) / 100, e0 = (370000 + c * 10000) / 100;
                std::string heights(2 * 100 * 100, '\0');
                for (int n = 0; n < 100; ++n)
                    for (int e = 0; e < 100; ++e) {
                        const int m = metres(n0 + n, e0 + e);
                        heights[std::size_t(2 * (n * 100 + e))] = char(m);
                        heights[std::size_t(2 * (n * 100 + e) + 1)] = char(m >> 8);
                    }
                WriteFileBytes(settings.dmrDataDir + "Q_" + QuadrantName(a * 28 + c) + "_DMR.dat", heights);
            }
    }
    // The series' segment over quadrant (row, column), every pixel one byte.
    void WriteSegment(int series, int row, int col, std::uint8_t value) {
        if (!doc) Make();
        const int side = settings.mapTypes[series].pixels;
        std::string b = BmpBytes(side, side, 8, 1024);
        std::fill(b.begin() + 54 + 1024, b.end(), char(value));
        const CPointD c = QuadrantCentre(row, col);
        WriteFileBytes(doc->SegmentFilePath(
                           series, doc->Segments().GetSegmentIndex(series, c.easting, c.northing), ".bmp"),
                       b);
    }
    bool UseSampleRegion(int size) {
        const std::string out = tmp.dir() + "region/";
        if (std::system((ToolsDir() + "/make-sample-region " + out + " --size " + std::to_string(size) +
                         " >/dev/null 2>&1")
                            .c_str()))
            return false;
        settings.dmrDataDir = out + "dmr/";
        for (auto& t : settings.mapTypes) t.directory = out + "maps/" + t.name + "/";
        return true;
    }

    CDmrRenderer& Renderer(int w, int h) {
        if (!doc) Make();
        r = std::make_unique<CDmrRenderer>(*doc, settings, mem, [this] { return now; });
        r->SetSize(w, h);
        return *r;
    }
    // Redraws and runs the idle steps to the end, the clock jumping the delay.
    void RenderAll() {
        r->Redraw();
        for (int guard = 0; guard < 100000 && r->GetState() != CDmrRenderer::State::Idle; ++guard) {
            now += r->MsUntilWork() / 1000.0;
            r->IdleStep();
        }
    }
    std::uint32_t Px(int x, int y) const { return r->Picture().pixel(x, y) & 0xFFFFFFu; }
};
