#include "app/ColorSchemes.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "geo/TextHelpers.h"
#include "platform/Prompt.h"

namespace {

const COLORREF kBuiltinG = 12902080, kBuiltinRP = 4220607, kBuiltinH = 16711680, kBuiltinC = 46079;
const COLORREF kBuiltinNPTopo = 10395294;

}  // namespace

std::string LayerSchemesPath(const AppSettings& s) {
    return (s.configDir.empty() ? s.startDirectory : s.configDir) + "LayerSchemes.cfg";
}

int LoadSchemeFile(const AppSettings& s, CColorScheme& scheme, const std::string& name) {
    std::FILE* f = OpenDataFile(s.configDir + name + ".lcs", "rb");
    if (!f) return 0;
    COLORREF last = 0;
    std::string line;
    for (int i = 0; i < 6; ++i) {
        // Fewer lines: the rest repeat the last colour read.
        if (ReadLine(f, line)) last = COLORREF(LeadingInt(line));
        scheme.colors[i] = last;
    }
    std::fclose(f);
    return 1;
}

void LoadLayerSchemes(const CProfile& ini, AppSettings& s) {
    CAppearanceSettings& a = s.appearance;
    a.schemes.clear();
    if (std::FILE* f = OpenDataFile(LayerSchemesPath(s), "rb")) {
        std::string line;
        while (ReadLine(f, line)) {
            if (line.empty() || line[0] == ';') continue;
            CColorScheme sc;
            std::string rest = line;
            sc.name = NextToken(rest, '|');
            NextToken(rest, '|');
            sc.flag = 0;
            for (COLORREF& c : sc.colors) {
                std::string field = NextToken(rest, '|');
                const int r = LeadingInt(NextCommaToken(field));
                const int g = LeadingInt(NextCommaToken(field));
                const int b = LeadingInt(NextCommaToken(field));
                c = RGBRef(r, g, b);
            }
            a.schemes.push_back(std::move(sc));
        }
        std::fclose(f);
    }

    for (int row = 0; row < kMapTypeCount; ++row) {
        for (int m = 0; m < 2; ++m) {
            const std::string medium = m == kSchemeScreen ? "SCREEN" : "PRINT";
            std::string value =
                ini.GetString("Appearance", s.mapTypes[row].name + " " + medium + " color scheme", "", 254);
            if (value.empty()) value = medium + (row < 2 ? "-DEFAULT" : "-TK25");
            value = ToUpperAscii(value);
            int choice = -1;
            for (int i = 0; i < a.SchemeCount(); ++i)
                if (ToUpperAscii(a.schemes[size_t(i)].name) == value) choice = i;
            if (choice < 0) {
                CColorScheme sc;
                sc.name = value;
                sc.flag = 0;
                if (!LoadSchemeFile(s, sc, value)) {
                    const COLORREF builtin[6] = {
                        kBuiltinG, kBuiltinRP, kBuiltinH, kBuiltinC, row < 2 ? 0 : kBuiltinNPTopo, 0};
                    std::memcpy(sc.colors, builtin, sizeof builtin);
                }
                a.schemes.push_back(std::move(sc));
                choice = a.SchemeCount() - 1;
            }
            a.schemeChoice[row][m] = choice;
        }
    }
}

std::string SchemeLine(const CColorScheme& scheme) {
    std::string out = scheme.name + "|0|";
    for (COLORREF c : scheme.colors)
        out += std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
               std::to_string(GetBValue(c)) + "|";
    return out + "\n";
}

bool SaveLayerSchemes(const AppSettings& s) {
    const std::string path = LayerSchemesPath(s);
    std::string text;
    for (const CColorScheme& sc : s.appearance.schemes) text += SchemeLine(sc);

    // Written beside the old file and renamed over it, so a failure keeps it.
    const std::string tmp = path + ".tmp" + std::to_string(getpid());
    bool ok = false;
    if (std::FILE* f = std::fopen(tmp.c_str(), "w")) {
        ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
        ok = std::fflush(f) == 0 && ok;
        ok = fsync(fileno(f)) == 0 && ok;
        ok = std::fclose(f) == 0 && ok;
        ok = ok && std::rename(tmp.c_str(), path.c_str()) == 0;
        if (!ok) std::remove(tmp.c_str());
    }
    if (!ok) MsgBox("Error! Can not save Layer Schemes to " + path, MB_OK | MB_ICONERROR);
    return ok;
}
