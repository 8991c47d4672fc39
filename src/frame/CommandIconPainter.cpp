#include "frame/CommandIconPainter.h"

#include "frame/CommandTable.h"
#include "frame/Icons.h"
#include "platform/System.h"

namespace {

CCommandIconPainter* s_Painter = nullptr;

}  // namespace

CCommandIconPainter::CCommandIconPainter() {
    // One at a time; a second one leaves the painting to the first. On a
    // single processor the main thread paints them when asked.
    if (s_Painter || UsableProcessors() < 2) return;
    s_Painter = this;
    m_Worker = std::thread([this] { Run(); });
}

CCommandIconPainter::~CCommandIconPainter() {
    if (m_Worker.joinable()) m_Worker.join();
    if (s_Painter == this) s_Painter = nullptr;
}

void CCommandIconPainter::Run() {
    for (int id : ToolbarTable()) {
        if (id == 0) continue;
        QImage im = PaintedCommandImage(id);
        if (!im.isNull()) m_Images[id] = std::move(im);
    }
}

QImage CCommandIconPainter::Take(int id) {
    CCommandIconPainter* p = s_Painter;
    if (!p) return QImage();
    std::call_once(p->m_Joined, [p] {
        if (p->m_Worker.joinable()) p->m_Worker.join();
    });
    const auto it = p->m_Images.find(id);
    if (it == p->m_Images.end()) return QImage();
    QImage im = std::move(it->second);
    p->m_Images.erase(it);
    return im;
}
