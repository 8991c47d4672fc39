#pragma once
// Paints our own toolbar icons on a worker thread while the program starts.
// Their lettering needs two bold fonts, and the first use of any font reads
// the whole font configuration: both are done on the worker, beside the
// main thread's reading of the settings and the document, so the main
// window finds the pictures ready. Made once, right after the application
// object; the icons are the same as those painted on the spot.

#include <QFont>
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
    // still painting; a null image when no painter runs, the command has
    // no painted icon, or the application font has changed since (the
    // caller then paints it itself).
    static QImage Take(int id);

private:
    void Run();

    QFont m_Font;  // the application font the worker letters with
    std::map<int, QImage> m_Images;
    std::thread m_Worker;
    std::once_flag m_Joined;
};
