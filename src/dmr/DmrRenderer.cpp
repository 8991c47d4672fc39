#include "dmr/DmrRenderer.h"

#include "app/AppSettings.h"
#include "doc/VornaDoc.h"
#include "platform/System.h"

struct CDmrRenderer::Impl {};

CDmrRenderer::CDmrRenderer(CVornaDoc& doc, AppSettings& settings, CMemoryCounters& memory, Clock clock)
    : m_Doc(doc), m_Settings(settings), m_Memory(memory), m_Clock(std::move(clock)), m_Impl(std::make_unique<Impl>()) {
    if (!m_Clock) m_Clock = [] { return TickCountMs() / 1000.0; };
}

CDmrRenderer::~CDmrRenderer() = default;

void CDmrRenderer::SetSize(int width, int height) {
    m_Width = width;
    m_Height = height;
}

void CDmrRenderer::Redraw() {}
bool CDmrRenderer::IdleStep() { return false; }
int CDmrRenderer::MsUntilWork() const { return -1; }
void CDmrRenderer::AbortDraw() { m_State = State::Idle; }
double CDmrRenderer::Progress() const { return -1.0; }
void CDmrRenderer::Finish() {}
