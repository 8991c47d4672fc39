#include "doc/ImageMapInf.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "doc/RefPointStore.h"
#include "geo/TextHelpers.h"
#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "settings/AppSettingsIO.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// A line that holds a number at its start (after blanks).
bool IsNumberText(const std::string& line) {
    const std::string t = Trimmed(line);
    std::size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    if (i < t.size() && t[i] == '.') ++i;
    return i < t.size() && t[i] >= '0' && t[i] <= '9';
}

}  // namespace

ImageGeoref::Pixel DefaultPixelOffset(const std::string& imagePath) {
    const std::size_t slash = imagePath.find_last_of('/');
    std::string name = slash == std::string::npos ? imagePath : imagePath.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    const auto part = [&](std::size_t pos) {
        return pos < name.size() ? LeadingInt(name.substr(pos, 2)) : 0;
    };
    return {part(3) * 792, part(0) * 580};
}

bool ReadImageInf(const std::string& imagePath, ImageGeoref& georef) {
    const std::string path = ImageSidecarPath(imagePath, ".inf");
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "r"));
    if (!f) return false;
    std::string lines[8];
    int n = 0;
    while (n < 8 && ReadLine(f.get(), lines[n])) ++n;
    bool numbers = n >= 5;
    for (int i = 0; i < n && numbers; ++i) numbers = IsNumberText(lines[i]);
    if (!numbers) {
        MsgBox("Error! Map origin file " + path + " is damaged!");
        return false;
    }
    ImageGeoref g = georef;
    g.ScaleX = g.ScaleY = LeadingDouble(lines[0]);
    g.PixelOffset = {LeadingInt(lines[1]), LeadingInt(lines[2])};
    g.Origin = CPointD(LeadingDouble(lines[3]), LeadingDouble(lines[4]));
    g.Rotation = n > 5 ? LeadingDouble(lines[5]) : 0.0;
    if (n > 6) g.ScaleX = LeadingDouble(lines[6]);
    if (n > 7) g.ScaleY = LeadingDouble(lines[7]);
    // A zero scale would divide every map position by zero.
    if (!(std::isfinite(g.ScaleX) && std::isfinite(g.ScaleY)) || g.ScaleX == 0 || g.ScaleY == 0) {
        MsgBox("Error! Map origin file " + path + " holds no valid map scale!");
        return false;
    }
    georef = g;
    return true;
}

bool WriteImageInf(const std::string& imagePath, const ImageGeoref& g) {
    const std::string path = ImageSidecarPath(imagePath, ".inf");
    const std::string text = "0\n" + std::to_string(g.PixelOffset.x) + '\n' +
                             std::to_string(g.PixelOffset.y) + '\n' + FormatFixed(g.Origin.easting, 10) +
                             '\n' + FormatFixed(g.Origin.northing, 10) + '\n' + FormatFixed(g.Rotation, 10) +
                             '\n' + FormatFixed(g.ScaleX, 10) + '\n' + FormatFixed(g.ScaleY, 10);
    if (!WriteFileAtomically(path, text)) {
        MsgBox("Warning! Could not open file " + path + "!");
        return false;
    }
    return true;
}
