#pragma once
// The wait cursor of long operations. Code below the widgets shows it through
// a sink that the widget layer installs; without one (tests) only the depth
// is kept, so a test can see that an operation showed it and took it back.

#include <functional>

class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();  // the cursor shown before comes back
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    // Takes the cursor back before the end of the scope (for a closing message).
    void Restore();

private:
    bool m_Shown = true;
};

// show(true) puts the wait cursor over the previous one, show(false) takes it off.
void SetWaitCursorSink(std::function<void(bool show)> show);
// Wait cursors shown and not yet taken back.
int WaitCursorDepth();
// The deepest nesting since the last reset (tests).
int& WaitCursorPeak();
