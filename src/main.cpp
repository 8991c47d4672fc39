// Entry point: the QApplication, then the application object's start-up.
#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // Every text format uses a decimal point and English names.
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_TIME, "C");
    return 0;
}
