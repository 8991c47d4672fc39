#pragma once
// The 3-D view's picture: camera, front-to-back scan of the elevation grid,
// patches and the floating horizon, drawn into a picture of its own. The pane
// owns one and drives it: Redraw() on every change of the settings (it aborts a
// render in progress), IdleStep() from the idle hook, Picture() to paint.
//
// Rendering is a wireframe at once (within Redraw) and then, in the preview
// modes that want it, the surface one grid row per idle step after a short
// delay. The delay is a wait, not work: while it runs IdleStep() does nothing
// and MsUntilWork() tells the caller how long to sleep or when to set a timer.
//
// Quadrants of the elevation model opened for this picture stay claimed across
// renders and age out by the "Step History" and "Max Open Quadrants" settings;
// every claim (quadrants and map segments) is given back by the destructor.

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>

#include "doc/SegmentCache.h"

struct AppSettings;
class CVornaDoc;
class CMemoryCounters;

class CDmrRenderer {
public:
    // Seconds on a monotonic clock; tests pass a fake one.
    using Clock = std::function<double()>;

    enum class State { Idle, Waiting, Rendering };

    // The renderer reads settings.dmr and the quadrant-ageing settings at each
    // preparation, so the caller changes them in place and calls Redraw().
    CDmrRenderer(CVornaDoc& doc, AppSettings& settings, CMemoryCounters& memory, Clock clock = {});
    ~CDmrRenderer();
    CDmrRenderer(const CDmrRenderer&) = delete;
    CDmrRenderer& operator=(const CDmrRenderer&) = delete;

    // The pane's client size in pixels. The picture keeps its old size until
    // the next Redraw(); sizes under 1 x 1 are never rendered.
    void SetSize(int width, int height);
    // Aborts a render in progress and starts one from the current settings:
    // the wireframe at once when the preview mode asks for it (Picture() then
    // holds it), and the surface in idle steps when the mode asks for that.
    // Without a view point (0, 0), or when the preparation fails, nothing is
    // rendered and the old picture stays.
    void Redraw();
    // One unit of idle work: after the delay has passed, one grid row, or the
    // end step that makes the new picture current. True while work remains
    // (waiting or rendering), false when idle.
    bool IdleStep();
    // Milliseconds until IdleStep() has work: 0 now, > 0 while the delay runs,
    // -1 when idle.
    int MsUntilWork() const;
    // Stops a render in progress; the old picture stays.
    void AbortDraw();

    State GetState() const { return m_State; }
    // Progress of the surface pass, 0..1; negative when none runs (the pane
    // draws its progress bar from it).
    double Progress() const;

    // The last finished picture, top row first (RGB32); null before the first.
    const QImage& Picture() const { return m_Picture; }
    // Called after each finished picture (wireframe or surface), once the
    // document's ground area is filled: the pane repaints, the frame tells map
    // view 0 that the view point moved.
    void SetFinishedHook(std::function<void()> hook) { m_Finished = std::move(hook); }

    // What the last render (or the one in progress) has done so far.
    struct Stats {
        long long cells = 0;    // cells painted
        long long samples = 0;  // patch samples projected
    };
    const Stats& RenderStats() const;

    // This picture's claims on the elevation quadrants: 0 closed, else the
    // number of finished renders since it was opened plus one.
    const QuadrantFlags& QuadrantAges() const { return m_Ages; }

private:
    struct Impl;
    void Finish();

    CVornaDoc& m_Doc;
    AppSettings& m_Settings;
    Clock m_Clock;
    State m_State = State::Idle;
    double m_StartTime = 0.0;
    int m_Width = 0;
    int m_Height = 0;
    QImage m_Picture;
    QuadrantFlags m_Ages{};
    std::function<void()> m_Finished;
    std::unique_ptr<Impl> m_Impl;
};
