#pragma once
// No message box may open while a pane paints (a modal loop inside a paint
// re-enters it). Messages raised during a paint are held and shown once,
// de-duplicated across every pane, right after it from the event loop.

#include <string>

// Shows text now, or holds it while a paint scope is open.
void PaintMessage(const std::string& text);

class CPaintMessageScope {
public:
    // source: who paints (a pane); a message stays quiet while any source
    // whose last paint raised it keeps raising it.
    explicit CPaintMessageScope(const void* source = nullptr);
    ~CPaintMessageScope();
    CPaintMessageScope(const CPaintMessageScope&) = delete;
    CPaintMessageScope& operator=(const CPaintMessageScope&) = delete;

private:
    const void* m_Source;
};

// Shows the held messages now (the queued call does this; tests call it).
void FlushPaintMessages();
