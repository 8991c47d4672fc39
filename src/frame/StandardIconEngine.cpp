#include "frame/StandardIconEngine.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <utility>

CStandardIconEngine::CStandardIconEngine(QVector<File> files) : m_Files(std::move(files)) {
    m_Single.resize(m_Files.size());
}

const QIcon& CStandardIconEngine::Full() {
    m_Asked = true;
    if (m_Full.isNull()) {
        // The same files in the same order as the style adds them.
        for (const File& f : std::as_const(m_Files)) {
            m_Full.addFile(f.path, QSize(f.size, f.size));
            ++m_Decoded;
        }
        if (m_FirstFromSingle) (void)m_Full.pixmap(m_First.size, 1.0, m_First.mode, m_First.state);
    }
    return m_Full;
}

bool CStandardIconEngine::AllExact() const {
    for (const File& f : m_Files)
        if (!f.exact) return false;
    return true;
}

// The file the full icon would draw from: the smallest that covers the
// size, else the largest.
int CStandardIconEngine::BestFile(const QSize& size) const {
    const qint64 want = qint64(size.width()) * size.height();
    int best = -1;
    for (int i = 0; i < m_Files.size(); ++i) {
        const qint64 area = qint64(m_Files[i].size) * m_Files[i].size;
        if (best < 0) {
            best = i;
            continue;
        }
        const qint64 bestArea = qint64(m_Files[best].size) * m_Files[best].size;
        const bool bothCover = std::min(area, bestArea) >= want;
        if (bothCover ? area < bestArea : area > bestArea) best = i;
    }
    return best;
}

QPixmap CStandardIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    // Exactly one of the file sizes: that file alone gives the full icon's
    // picture (the full icon picks the exact size too).
    const bool exact = AllExact();
    if (m_Files.size() > 1 && size.width() == size.height() && (exact || !m_Asked)) {
        for (int i = 0; i < m_Files.size(); ++i) {
            if (m_Files[i].size != size.width()) continue;
            if (m_Single[i].isNull()) {
                m_Single[i].addFile(m_Files[i].path, size);
                ++m_Decoded;
            }
            if (!exact) {
                m_Asked = m_FirstFromSingle = true;
                m_First = {size, mode, state};
            }
            return m_Single[i].pixmap(size, 1.0, mode, state);
        }
    }
    return Full().pixmap(size, 1.0, mode, state);
}

QPixmap CStandardIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                          qreal scale) {
    if (!(scale > 1.0)) return pixmap(size, mode, state);
    // The icon asked the engine for size = logical size * scale; asking the
    // full icon for the same logical size gives back the same request.
    const QSize logical(qRound(size.width() / scale), qRound(size.height() / scale));
    return Full().pixmap(logical, scale, mode, state);
}

void CStandardIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) {
    Full().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QSize CStandardIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    if (!AllExact()) return Full().actualSize(size, mode, state);
    const int best = BestFile(size);
    if (best < 0) return QSize();
    QSize actual(m_Files[best].size, m_Files[best].size);
    if (actual.width() > size.width() || actual.height() > size.height())
        actual.scale(size, Qt::KeepAspectRatio);
    return actual;
}

QList<QSize> CStandardIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) {
    if (!AllExact()) return Full().availableSizes(mode, state);
    QList<QSize> sizes;
    if (mode != QIcon::Normal || state != QIcon::Off) return sizes;
    for (const File& f : std::as_const(m_Files)) sizes.push_back(QSize(f.size, f.size));
    return sizes;
}

QVector<CStandardIconEngine::File> StandardIconFiles(QStyle::StandardPixmap sp) {
    const auto set = [](const char* name) {
        const QString base =
            QStringLiteral(":/qt-project.org/styles/commonstyle/images/") + QLatin1String(name);
        return QVector<CStandardIconEngine::File>{{base + QStringLiteral("-16.png"), 16},
                                                  {base + QStringLiteral("-32.png"), 32},
                                                  {base + QStringLiteral("-128.png"), 128}};
    };
    switch (sp) {
        case QStyle::SP_DialogOpenButton:
            return set("standardbutton-open");
        case QStyle::SP_ArrowBack:
            return set("left");
        case QStyle::SP_ArrowUp:
            return set("up");
        case QStyle::SP_ArrowDown:
            return set("down");
        case QStyle::SP_DialogApplyButton: {
            // Its pictures are a little smaller than their names say.
            QVector<CStandardIconEngine::File> files = set("standardbutton-apply");
            for (CStandardIconEngine::File& f : files) f.exact = false;
            return files;
        }
        default:
            return {};
    }
}

QIcon StandardToolbarIcon(QStyle::StandardPixmap sp) {
    QStyle* style = QApplication::style();
    QVector<CStandardIconEngine::File> files = StandardIconFiles(sp);
    bool known = !files.isEmpty() && style &&
                 style->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0 &&
                 QIcon::themeName().isEmpty() && QGuiApplication::layoutDirection() == Qt::LeftToRight;
    for (const CStandardIconEngine::File& f : std::as_const(files)) known = known && QFile::exists(f.path);
    if (!known) return style ? style->standardIcon(sp) : QIcon();
    return QIcon(new CStandardIconEngine(std::move(files)));
}
