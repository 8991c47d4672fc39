#include "platform/System.h"

#include <QApplication>
#include <chrono>
#include <thread>

namespace {
bool g_Audible = true;
}

std::vector<std::pair<int, int>>& RecordedBeeps() {
    static std::vector<std::pair<int, int>> beeps;
    return beeps;
}

void SetBeepAudible(bool on) { g_Audible = on; }

void Beep(int frequencyHz, int durationMs) {
    RecordedBeeps().emplace_back(frequencyHz, durationMs);
    // Qt has no tone generator; the desktop bell is the audible stand-in.
    if (g_Audible && qApp) QApplication::beep();
}

void SleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint32_t TickCountMs() {
    using namespace std::chrono;
    return std::uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
