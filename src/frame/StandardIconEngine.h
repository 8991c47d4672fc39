#pragma once
// The style's standard toolbar pictures, decoded one size at a time. The
// style makes each of them from several files at once (16, 32 and 128
// pixels), although a toolbar shows one size; decoding all of them costs a
// noticeable part of the start. This engine knows the files the style uses
// and decodes only the one an exact-size request needs; any other request
// (another size, a scaled screen) gets the full set, so every picture is
// the one the style would give.

#include <QIcon>
#include <QIconEngine>
#include <QStyle>
#include <QVector>

class CStandardIconEngine : public QIconEngine {
public:
    struct File {
        QString path;
        int size = 0;
        // The picture is of the size the file names. Where one is not, the
        // style's icon picks among the files by what it was asked before:
        // only the first request is answered from one file, and the full
        // set then repeats that request before it answers the others.
        bool exact = true;
    };

    explicit CStandardIconEngine(QVector<File> files);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString key() const override { return QStringLiteral("CStandardIconEngine"); }
    QIconEngine* clone() const override { return new CStandardIconEngine(*this); }
    bool isNull() override { return m_Files.isEmpty(); }

    // How many files have been decoded so far (each at most once).
    int DecodedFiles() const { return m_Decoded; }

private:
    CStandardIconEngine(const CStandardIconEngine&) = default;
    const QIcon& Full();
    int BestFile(const QSize& size) const;
    bool AllExact() const;

    QVector<File> m_Files;
    QVector<QIcon> m_Single;  // one file each, made when first asked for
    QIcon m_Full;             // all files, as the style makes the icon
    int m_Decoded = 0;
    // The first request answered from one file, for a set with a file not of
    // its named size; Full() repeats it.
    struct Request {
        QSize size;
        QIcon::Mode mode = QIcon::Normal;
        QIcon::State state = QIcon::Off;
    };
    bool m_Asked = false;
    bool m_FirstFromSingle = false;
    Request m_First;
};

// The files behind the standard pictures the toolbar uses, as the style
// reads them when no icon theme is set and text runs left to right; empty
// for the others (among them those whose pictures are not square: the
// style picks among those by area, which an exact-size request cannot
// short-cut).
QVector<CStandardIconEngine::File> StandardIconFiles(QStyle::StandardPixmap sp);

// The style's standard icon for a toolbar: the lazy engine where the
// running style and settings are the ones whose files it knows, else the
// style's own icon.
QIcon StandardToolbarIcon(QStyle::StandardPixmap sp);
