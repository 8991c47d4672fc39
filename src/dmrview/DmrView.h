#pragma once
// The 3-D pane: shows the picture its renderer made, stretched onto the
// pane, with the progress bar of a surface being drawn along its bottom. It
// takes no input of its own; the frame and the control panel steer it
// through the settings and Redraw(), the application's idle time through
// IdleStep().

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "dmr/DmrRenderer.h"

class CDmrView : public QWidget {
    Q_OBJECT
public:
    CDmrView(CVornaDoc& doc, AppSettings& settings, CMemoryCounters& memory, QWidget* parent = nullptr,
             CDmrRenderer::Clock clock = {});
    ~CDmrView() override;

    // Aborts a render in progress and starts one at the pane's size.
    void Redraw();
    // One unit of idle work. While the delay before the surface runs this
    // is false and a timer ends the wait (its event wakes the idle driver).
    bool IdleStep();
    // After each finished picture.
    void SetFinishedHook(std::function<void()> hook) { m_Finished = std::move(hook); }
    CDmrRenderer& Renderer() { return *m_Renderer; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<CDmrRenderer> m_Renderer;
    std::function<void()> m_Finished;
    QTimer m_Delay;
    bool m_SizedRedraw = false;  // a redraw at a size was asked for
    bool m_FirstQueued = false;
};
