#include "frame/DeferredIconEngine.h"

#include <QPixmap>
#include <utility>

CDeferredIconEngine::CDeferredIconEngine(QSize size, std::function<QImage()> make)
    : m_State(std::make_shared<State>()) {
    m_State->size = size;
    m_State->make = std::move(make);
}

const QIcon& CDeferredIconEngine::Icon() {
    State& s = *m_State;
    if (!s.made) {
        s.made = true;
        const QImage im = s.make ? s.make() : QImage();
        s.make = nullptr;
        if (!im.isNull()) s.icon = QIcon(QPixmap::fromImage(im));
    }
    return s.icon;
}

QPixmap CDeferredIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return Icon().pixmap(size, 1.0, mode, state);
}

QPixmap CDeferredIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                          qreal scale) {
    if (!(scale > 1.0)) return pixmap(size, mode, state);
    // Asked for logical size * scale: the same logical size gives the icon
    // made from the picture the same request.
    const QSize logical(qRound(size.width() / scale), qRound(size.height() / scale));
    return Icon().pixmap(logical, scale, mode, state);
}

void CDeferredIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) {
    Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
}

// One picture in every mode: never larger than asked for.
QSize CDeferredIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    QSize actual = m_State->size;
    if (actual.width() > size.width() || actual.height() > size.height())
        actual.scale(size, Qt::KeepAspectRatio);
    return actual;
}

QList<QSize> CDeferredIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) {
    if (mode != QIcon::Normal || state != QIcon::Off) return {};
    return {m_State->size};
}
