#include "platform/System.h"

#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
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

unsigned UsableProcessors() {
#ifdef CPU_COUNT
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return unsigned(CPU_COUNT(&set));
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

void PrefaultForWrite(void* data, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
    static const std::uintptr_t page =
        std::uintptr_t(sysconf(_SC_PAGESIZE) > 0 ? sysconf(_SC_PAGESIZE) : 4096);
    // Only whole pages inside the buffer: its neighbours are not ours to map.
    const std::uintptr_t begin = (std::uintptr_t(data) + page - 1) & ~(page - 1);
    const std::uintptr_t end = (std::uintptr_t(data) + size) & ~(page - 1);
    if (data && end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)size;
#endif
}
