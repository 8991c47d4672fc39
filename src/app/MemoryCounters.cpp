#include "app/MemoryCounters.h"

#include "geo/Convert.h"

namespace {
void AddSaturated(int& counter, long long delta) {
    const long long sum = (long long)counter + delta;
    counter = sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : int(sum);
}
}  // namespace

void CMemoryCounters::CountAlloc(MemCounter pair, long long bytes) {
    AddSaturated(m_Values[pair], 1);
    if (pair != kMemDocuments && pair != kMemViews) AddSaturated(m_Values[pair + 1], bytes);
}

void CMemoryCounters::CountFree(MemCounter pair, long long bytes) {
    AddSaturated(m_Values[pair], -1);
    if (pair != kMemDocuments && pair != kMemViews) AddSaturated(m_Values[pair + 1], -bytes);
}
