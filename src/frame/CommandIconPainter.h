#pragma once
// Paints our own toolbar icons on a worker thread while the program starts,
// beside the main thread's reading of the settings and the document, so the
// main window finds the pictures ready. Made once, right after the
// application object; the icons are the same as those painted on the spot.

#include <QImage>
#include <map>
#include <mutex>
#include <thread>

class CCommandIconPainter {
public:
    CCommandIconPainter();
    ~CCommandIconPainter();
    CCommandIconPainter(const CCommandIconPainter&) = delete;
    CCommandIconPainter& operator=(const CCommandIconPainter&) = delete;

    // The picture painted for command id, waiting for the worker if it is
    // still painting; a null image when no painter runs or the command has
    // no painted icon (the caller then paints it itself).
    static QImage Take(int id);

private:
    void Run();

    std::map<int, QImage> m_Images;
    std::thread m_Worker;
    std::once_flag m_Joined;
};
