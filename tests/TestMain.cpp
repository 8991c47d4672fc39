// Shared test entry: a QApplication on the offscreen platform (window tests
// need it; logic tests do not mind), C number and time formats as the program
// sets them, recorded beeps instead of sound.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>

#include "platform/System.h"

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("TZ")) setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_TIME, "C");
    SetBeepAudible(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
