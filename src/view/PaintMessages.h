#pragma once
// No message box may open while a pane paints (a modal loop inside a paint
// re-enters it). Messages raised during a paint are held and shown once,
// de-duplicated, right after it from the event loop.

#include <string>

// Shows text now, or holds it while a paint scope is open.
void PaintMessage(const std::string& text);

class CPaintMessageScope {
public:
    CPaintMessageScope();
    ~CPaintMessageScope();
    CPaintMessageScope(const CPaintMessageScope&) = delete;
    CPaintMessageScope& operator=(const CPaintMessageScope&) = delete;
};

// Shows the held messages now (the queued call does this; tests call it).
void FlushPaintMessages();
