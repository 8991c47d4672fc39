#include "platform/System.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace {
bool g_Audible = true;
std::function<void()> g_Bell;
}  // namespace

std::vector<std::pair<int, int>>& RecordedBeeps() {
    static std::vector<std::pair<int, int>> beeps;
    return beeps;
}

void SetBeepAudible(bool on) { g_Audible = on; }

void SetBellSink(std::function<void()> bell) { g_Bell = std::move(bell); }

void Beep(int frequencyHz, int durationMs) {
    RecordedBeeps().emplace_back(frequencyHz, durationMs);
    if (g_Audible && g_Bell) g_Bell();
}

void SleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint32_t TickCountMs() {
    using namespace std::chrono;
    return std::uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int LocalDayKey(std::int32_t time) {
    const std::time_t t = time;
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return 0;
    return (tm.tm_year + 1900) * 1000 + tm.tm_yday;
}
