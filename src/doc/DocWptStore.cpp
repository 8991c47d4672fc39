// Waypoint database entry points used by the document's lifecycle.
// (Stubs until the waypoint database lands.)
#include "doc/VornaDoc.h"

void CVornaDoc::ReadWptCounters() {}
void CVornaDoc::WriteWptCounters() {}
int CVornaDoc::OpenQuadrantWptFile(int) { return 1; }
int CVornaDoc::CloseQuadrantWptFile(int) { return 1; }
int CVornaDoc::ReadBinaryTrackLogFile(const std::string&) { return 1; }
int CVornaDoc::WriteBinaryTrackLogFile(const std::string&) { return 1; }
