#pragma once
// What a map pane's controller needs of the window that shows it: repaints,
// scroll bars, the pointer and the print dialogs. The widget implements it;
// tests give a recording stand-in.

#include <functional>

class QPrinter;
class QRect;

// The pointer shapes a map pane shows.
enum class CursorShape { Arrow, UpArrow, Cross, No, SizeNWSE, SizeNESW, SizeNS, SizeWE, SizeAll, Wait };

struct ScrollBarRange {
    int max = 0;   // last origin (not the last pixel)
    int page = 1;  // client extent
    int step = 1;  // one arrow click
};

class IMapViewHost {
public:
    virtual ~IMapViewHost() = default;
    virtual void InvalidateAll() = 0;
    virtual void InvalidateRect(const QRect& r) = 0;
    virtual void SetScrollRanges(const ScrollBarRange& h, const ScrollBarRange& v) = 0;
    // Moves the bars only; the controller does not hear back from it.
    virtual void SetScrollPositions(int x, int y) = 0;
    // Moves the painted pixels by (dx, dy) and repaints what comes in.
    virtual void ScrollContents(int dx, int dy) = 0;
    // The pointer onto a client point of the pane; false where the platform
    // does not let a program move the pointer (Wayland).
    virtual bool PutPointerAt(int x, int y) = 0;
    virtual void SetCursorShape(CursorShape) {}
    // The print dialog on printer; true when the user chose to print.
    virtual bool RunPrintDialog(QPrinter& printer) = 0;
    // The preview window; paintPage draws the one page on the printer given.
    virtual void RunPrintPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paintPage) = 0;
};
