#include "dmrview/DmrView.h"

#include <QPainter>

#include "geo/Convert.h"

CDmrView::CDmrView(CVornaDoc& doc, AppSettings& settings, CMemoryCounters& memory, QWidget* parent,
                   CDmrRenderer::Clock clock)
    : QWidget(parent), m_Renderer(std::make_unique<CDmrRenderer>(doc, settings, memory, std::move(clock))) {
    setObjectName("DmrView");
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_Delay.setSingleShot(true);
    m_Renderer->SetFinishedHook([this] {
        update();
        if (m_Finished) m_Finished();
    });
}

// The renderer gives back its claims on quadrants and segments as it goes.
CDmrView::~CDmrView() = default;

void CDmrView::Redraw() {
    m_SizedRedraw = m_SizedRedraw || (width() > 0 && height() > 0);
    m_Delay.stop();
    m_Renderer->SetSize(width(), height());
    m_Renderer->Redraw();
    update();
}

bool CDmrView::IdleStep() {
    const int wait = m_Renderer->MsUntilWork();
    if (wait < 0) return false;
    if (wait > 0) {
        if (!m_Delay.isActive()) m_Delay.start(wait);
        return false;
    }
    const bool more = m_Renderer->IdleStep();
    if (more) update(0, height() - 2, width(), 2);
    return more;
}

void CDmrView::paintEvent(QPaintEvent*) {
    QPainter dc(this);
    const QImage& picture = m_Renderer->Picture();
    if (picture.isNull()) {
        dc.fillRect(rect(), Qt::white);
        // The first picture is made outside the paint, once the pane has a
        // size, unless one at a size was asked for meanwhile.
        if (!m_SizedRedraw && !m_FirstQueued && width() > 0 && height() > 0) {
            m_FirstQueued = true;
            QTimer::singleShot(0, this, [this] {
                m_FirstQueued = false;
                if (!m_SizedRedraw) Redraw();
            });
        }
        return;
    }
    dc.drawImage(rect(), picture);
    const double done = m_Renderer->Progress();
    if (done >= 0) {
        const int w = SaturateToInt(width() * (0.1 + 0.9 * done));
        dc.fillRect(0, height() - 2, w, 2, Qt::red);
    }
}
