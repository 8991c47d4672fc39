#include "frame/Icons.h"

#include <QImage>
#include <QStyle>

#include "frame/BuiltInIcons.h"
#include "frame/DeferredIconEngine.h"
#include "frame/StandardIconEngine.h"
#include "platform/CommandIds.h"

namespace {

QIcon Standard(QStyle::StandardPixmap sp) { return StandardToolbarIcon(sp); }

}  // namespace

QIcon CommandIcon(int id) {
    switch (id) {
        case cmd::OpenMapButton:
            return Standard(QStyle::SP_DialogOpenButton);
        case cmd::Undo:
            return Standard(QStyle::SP_ArrowBack);
        case cmd::About:
            return Standard(QStyle::SP_MessageBoxInformation);
        case cmd::PrevSeries:
            return Standard(QStyle::SP_ArrowUp);
        case cmd::NextSeries:
            return Standard(QStyle::SP_ArrowDown);
        case cmd::DmrApply:
            return Standard(QStyle::SP_DialogApplyButton);
        default:
            break;
    }
    if (!HasPaintedIcon(id)) return QIcon();
    // The pixmap is made at the toolbar's first paint. Only a command off
    // the toolbar lacks a built-in picture; it is painted then.
    return QIcon(new CDeferredIconEngine(QSize(kPaintedIconSize, kPaintedIconSize), [id] {
        QImage im = BuiltInCommandImage(id);
        return im.isNull() ? PaintedCommandImage(id) : im;
    }));
}
