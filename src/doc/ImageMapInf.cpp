#include "doc/ImageMapInf.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "doc/Grids.h"
#include "doc/RefPointStore.h"
#include "geo/TextHelpers.h"
#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "settings/AppSettingsIO.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

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
    // A blank optional line is one left out.
    const auto given = [&](int i) { return i < n && !Trimmed(lines[i]).empty(); };
    bool numbers = n >= 5;
    for (int i = 0; i < n && numbers; ++i) numbers = (i >= 5 && !given(i)) || StartsWithNumber(lines[i]);
    ImageGeoref g = georef;
    if (numbers) {
        g.ScaleX = g.ScaleY = LeadingDouble(lines[0]);
        g.PixelOffset = {LeadingInt(lines[1]), LeadingInt(lines[2])};
        g.Origin = CPointD(LeadingDouble(lines[3]), LeadingDouble(lines[4]));
        g.Rotation = given(5) ? LeadingDouble(lines[5]) : 0.0;
        if (given(6)) g.ScaleX = LeadingDouble(lines[6]);
        if (given(7)) g.ScaleY = LeadingDouble(lines[7]);
    }
    // Only what the writer can write back and the map can place: a scale of
    // 1e-12 would be written as 0, an origin of 1e300 as a line of 300 digits.
    if (!numbers || !IsUsableImagePixel(g.PixelOffset) ||
        !IsUsableGridPosition(g.Origin.easting, g.Origin.northing) ||
        !(std::fabs(g.Rotation) <= kMaxImageRotation)) {
        MsgBox("Error! Map origin file " + path + " is damaged!");
        return false;
    }
    if (!IsUsableImageScale(g.ScaleX) || !IsUsableImageScale(g.ScaleY)) {
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
