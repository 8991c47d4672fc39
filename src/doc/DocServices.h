#pragma once
// What the document's stores are given besides their settings: the memory-use
// counters, the coordinate transform, the claim-pass trace, and the channel
// on which they tell the views what changed. Prompts go through the global
// prompter (platform/Prompt.h).

#include <cstdio>
#include <functional>

#include "doc/DocView.h"

class CMemoryCounters;
class CGeoTransform;

struct DocServices {
    CMemoryCounters& memory;
    const CGeoTransform& geo;
    std::FILE* traceLog = nullptr;  // claim passes are traced here when set (debug mode)
    bool newWptDatabase = false;    // the waypoint folder was made at this start: no counter files yet
};

// A store's update for every view (the document adds the sender).
using DocUpdateSink = std::function<void(UpdateHint hint, const void* object)>;
