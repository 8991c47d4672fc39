#pragma once
// Small system services. Beeps are recorded so tests can check them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

void Beep(int frequencyHz, int durationMs);
// Beeps made so far in this process (frequency, duration); tests clear it.
std::vector<std::pair<int, int>>& RecordedBeeps();
// When false (tests), Beep only records.
void SetBeepAudible(bool on);
// What makes a beep heard; the widget layer installs the desktop bell (there
// is no tone generator), so code below it can beep without widgets.
void SetBellSink(std::function<void()> bell);

// Maps in the pages of a freshly allocated buffer in one go before it is
// written whole: touching them one by one costs a fault per page, a good
// part of reading a large file into it. Does nothing where the system
// cannot.
void PrefaultForWrite(void* data, std::size_t size);

// Processors this process may run on (its affinity, not the machine's
// count): extra threads on a single one only add switching. At least 1.
unsigned UsableProcessors();

void SleepMs(int ms);
// Monotonic milliseconds.
std::uint32_t TickCountMs();

// The local calendar day of a time in seconds since 1970, as one number that
// two times share exactly when they fall on the same local day; 0 when the
// time cannot be placed.
int LocalDayKey(std::int32_t time);
