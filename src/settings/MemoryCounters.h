#pragma once
// Memory-use counters: a pair (blocks, bytes) per kind of large store, shown
// by the system-resources dialog. Sums saturate at the int range.

#include "settings/AppSettings.h"

class CMemoryCounters {
public:
    void CountAlloc(MemCounter pair, long long bytes);  // +1 block, +bytes
    void CountFree(MemCounter pair, long long bytes);   // -1 block, -bytes
    int& operator[](int i) { return m_Values[i]; }
    int operator[](int i) const { return m_Values[i]; }
    const int* data() const { return m_Values; }

private:
    int m_Values[kMemCounterCount] = {};
};
