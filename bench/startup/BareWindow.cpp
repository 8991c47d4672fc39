// The floor the program's start-up is measured against: a Qt main window
// with the program's menu bar (built from the same table) and an empty
// central pane, at the size given on the command line. It leaves at once
// after the pane's first paint, the way the program does under
// VORNA_EXIT_AFTER_FIRST_PAINT, so both are timed from spawn to exit.
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <map>

#include "frame/CommandTable.h"

namespace {

class CPane : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        // Left in the next pass of the event loop: the frame is complete by then.
        QTimer::singleShot(0, [] { ::_exit(0); });
    }
};

void BuildMenus(QMainWindow& w) {
    std::map<QString, QMenu*> menus;
    auto menuFor = [&](const QString& path) {
        QMenu*& slot = menus[path];
        if (slot) return slot;
        const qsizetype cut = path.lastIndexOf(u'/');
        if (cut < 0) {
            slot = w.menuBar()->addMenu(path);
        } else {
            QMenu*& parent = menus[path.left(cut)];
            if (!parent) parent = w.menuBar()->addMenu(path.left(cut));
            slot = parent->addMenu(path.mid(cut + 1));
        }
        return slot;
    };
    for (const MenuItemDef& d : MainMenuTable()) {
        if (!d.path) continue;
        QMenu* menu = menuFor(QString::fromLatin1(d.path));
        if (d.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(QString::fromLatin1(d.text ? d.text : ""));
        a->setCheckable(d.checkable);
        a->setShortcuts(KeyList(d.keys));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    int width = 800, height = 600;
    if (argc > 2) {
        width = std::atoi(argv[1]);
        height = std::atoi(argv[2]);
    }
    QMainWindow w;
    w.setWindowTitle("Bare window");
    BuildMenus(w);
    w.setCentralWidget(new CPane);
    w.resize(width, height);
    w.show();
    return qapp.exec();
}
