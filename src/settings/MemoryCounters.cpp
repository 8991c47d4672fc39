#include "settings/MemoryCounters.h"

#include "geo/Convert.h"

void CMemoryCounters::CountAlloc(MemCounter pair, long long bytes) {
    AddSaturated(m_Values[pair], 1);
    if (pair != kMemDocuments && pair != kMemViews) AddSaturated(m_Values[pair + 1], bytes);
}

void CMemoryCounters::CountFree(MemCounter pair, long long bytes) {
    AddSaturated(m_Values[pair], -1);
    if (pair != kMemDocuments && pair != kMemViews) AddSaturated(m_Values[pair + 1], -bytes);
}
