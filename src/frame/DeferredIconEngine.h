#pragma once
// An icon whose picture is made when it is first drawn, not when the icon
// is made: the toolbar is filled long before its first paint, and a pixmap
// made then would cost start-up its conversion for nothing. Until then it
// answers what a toolbar asks (is there an icon, how large) from the size
// the picture will have; once made it draws exactly as an icon made from
// the picture would.

#include <QIcon>
#include <QIconEngine>
#include <QImage>
#include <functional>
#include <memory>

class CDeferredIconEngine : public QIconEngine {
public:
    // make is called once, on the thread that first draws the icon; size is
    // the size of the picture it returns.
    CDeferredIconEngine(QSize size, std::function<QImage()> make);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString key() const override { return QStringLiteral("CDeferredIconEngine"); }
    QIconEngine* clone() const override { return new CDeferredIconEngine(*this); }
    bool isNull() override { return false; }

    bool Made() const { return m_State->made; }

private:
    CDeferredIconEngine(const CDeferredIconEngine&) = default;
    const QIcon& Icon();

    struct State {
        QSize size;
        std::function<QImage()> make;
        QIcon icon;
        bool made = false;
    };
    std::shared_ptr<State> m_State;  // shared by the clones: made once
};
