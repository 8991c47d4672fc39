#include "settings/ColorSchemes.h"

#include <cstring>

#include "geo/TextHelpers.h"
#include "platform/AtomicFile.h"
#include "platform/DamagedFile.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "settings/SettingsTable.h"

namespace {

const COLORREF kBuiltinG = 12902080, kBuiltinRP = 4220607, kBuiltinH = 16711680, kBuiltinC = 46079;
const COLORREF kBuiltinNPTopo = 10395294;

// A line is read in pieces of at most 254 bytes with its line end; the rest
// of a scheme line is "|0|", six "255,255,255|" and the line end.
constexpr std::size_t kLinePiece = 254;
constexpr std::size_t kMaxSchemeName = kLinePiece - (3 + 6 * 12 + 1);

// A piece of the file no writer of it makes: binary bytes, or a name with no
// fields after it. Read as a scheme it would become one with a name of junk.
// Fields that hold words are the user's (they read as 0) and stay.
bool IsDamagedSchemeLine(std::string_view raw, const std::string& line) {
    return HasBinaryBytes(raw) || line.find('|') == std::string::npos;
}

}  // namespace

bool IsValidSchemeName(const std::string& name, std::string* reason) {
    const char* why = nullptr;
    if (name.empty()) {
        why = "Please enter a name for the scheme.";
    } else if (name.size() > kMaxSchemeName) {
        why = "The scheme name is too long.";
    } else if (name.find('|') != std::string::npos) {
        why = "A scheme name may not contain '|'.";
    } else if (name[0] == ';') {
        why = "A scheme name may not begin with ';'.";
    } else if (name.front() == ' ' || name.back() == ' ') {
        why = "A scheme name may not begin or end with a blank.";
    } else {
        for (unsigned char c : name)
            if (c < 32 || c == 127) why = "A scheme name may not contain control characters.";
    }
    if (why && reason) *reason = why;
    return !why;
}

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

StoredFileCheck LoadLayerSchemes(const CProfile& ini, AppSettings& s) {
    CAppearanceSettings& a = s.appearance;
    a.schemes.clear();
    const std::string path = FindDataFile(LayerSchemesPath(s));
    const StoredFileCheck check = CheckStoredFile(path);
    std::string text;
    int readError = 0;
    int damaged = 0;
    if (check.state == StoredFileState::Readable &&
        ReadWholeFile(path, text, readError) == LoadStatus::Loaded) {
        std::string line;
        for (std::size_t pos = 0, start = 0; ReadLine(text, pos, line); start = pos) {
            if (line.empty() || line[0] == ';') continue;
            if (IsDamagedSchemeLine(std::string_view(text).substr(start, pos - start), line)) {
                ++damaged;
                continue;
            }
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
    }
    const int read = a.SchemeCount();

    for (int row = 0; row < kMapTypeCount; ++row) {
        for (int m = 0; m < 2; ++m) {
            const std::string medium = m == kSchemeScreen ? "SCREEN" : "PRINT";
            std::string value =
                ToUpperAscii(ini.GetString(kAppearanceSection, SchemeChoiceKey(row, m), "", 254));
            // A name the scheme file could not hold would not come back.
            if (!IsValidSchemeName(value)) value = medium + (row < 2 ? "-DEFAULT" : "-TK25");
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
    if (damaged) ReportDamagedFile(path, KeptOf(read, read + damaged, "scheme line"));
    return check;
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

    const AtomicWriteResult r = WriteFileAtomically(path, text);
    if (!r.ok()) MsgBox(SaveErrorText("Error! Can not save Layer Schemes to", path, r), MB_OK | MB_ICONERROR);
    return r.ok();
}
