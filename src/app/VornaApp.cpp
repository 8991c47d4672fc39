#include "app/VornaApp.h"

#include <cstdlib>

namespace {
CVornaApp* g_App = nullptr;
}

CVornaApp& VornaApp() { return *g_App; }
CVornaApp* VornaAppOrNull() { return g_App; }

const MapTypeInfo& DefaultMapType(int row) {
    static const MapTypeInfo rows[kMapTypeCount] = {
        {"PK250", "", 250000, 0, 28, 784, 236, 10000, 2000},
        {"TK50", "", 50000, 1, 28, 784, 1181, 10000, 1000},
        {"TK25", "", 25000, 2, 56, 3136, 1181, 5000, 500},
        {"TN10", "", 10000, 3, 140, 19600, 1181, 2000, 500},
        {"OF50", "", 50000, 1, 28, 784, 1181, 10000, 1000},
    };
    return rows[row < 0 ? 0 : row >= kMapTypeCount ? kMapTypeCount - 1 : row];
}

CVornaApp::CVornaApp() {
    for (int i = 0; i < kMapTypeCount; ++i) mapTypes[i] = pendingMapTypes[i] = DefaultMapType(i);
    if (!g_App) g_App = this;
}

CVornaApp::~CVornaApp() {
    if (debugLog) std::fclose(debugLog);
    if (gpsDebugLog) std::fclose(gpsDebugLog);
    if (g_App == this) g_App = nullptr;
}

bool CVornaApp::InitInstance() { return true; }
int CVornaApp::ExitInstance() { return 0; }
void CVornaApp::ReadAllSettings() {}
void CVornaApp::WriteAllSettings() {}
void CVornaApp::ApplyDatumSettings() {}
bool CVornaApp::CheckWptBase() { return true; }
void CVornaApp::OnFileLocations() {}
void CVornaApp::OnPreferences() {}

void CVornaApp::CountAlloc(MemCounter pair, long long bytes) {
    memUse[pair] += 1;
    if (pair + 1 < kMemCounterCount && pair != kMemDocuments && pair != kMemViews) memUse[pair + 1] += int(bytes);
}

void CVornaApp::CountFree(MemCounter pair, long long bytes) {
    memUse[pair] -= 1;
    if (pair + 1 < kMemCounterCount && pair != kMemDocuments && pair != kMemViews) memUse[pair + 1] -= int(bytes);
}

std::string CVornaApp::DefaultIniPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string dir;
    if (xdg && *xdg) {
        dir = xdg;
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home ? home : ".") + "/.config";
    }
    if (dir.back() != '/') dir += '/';
    return dir + "vornamap.ini";
}
