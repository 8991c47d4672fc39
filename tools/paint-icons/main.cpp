// Paints our own toolbar pictures when the program is built and writes them
// as a C++ source of constant pixels, so that start-up paints none.
//   paint-icons OUT.cpp
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QString>
#include <cstdio>
#include <string>
#include <vector>

#include "frame/CommandTable.h"
#include "frame/IconPainters.h"

namespace {

struct Painted {
    int id;
    QImage image;
};

std::string Source(const std::vector<Painted>& icons) {
    std::string out =
        "// Made by tools/paint-icons when the program is built; not to be edited.\n"
        "#include <QtGlobal>\n\n"
        "#include \"frame/BuiltInIcons.h\"\n\n"
        "namespace {\n\n";
    char buf[64];
    for (const Painted& p : icons) {
        std::snprintf(buf, sizeof buf, "// Command %d.\nconst quint32 kIcon%d[] = {", p.id, p.id);
        out += buf;
        // Pixels as 0xAARRGGBB words: the image's own layout on every byte order.
        for (int y = 0; y < p.image.height(); ++y) {
            const auto* row = reinterpret_cast<const quint32*>(p.image.constScanLine(y));
            for (int x = 0; x < p.image.width(); ++x) {
                std::snprintf(buf, sizeof buf, "%s0x%08x,", x % 8 == 0 ? "\n    " : " ", unsigned(row[x]));
                out += buf;
            }
        }
        out += "\n};\n\n";
    }
    out += "struct Entry {\n    int id;\n    const quint32* pixels;\n};\n\nconst Entry kIcons[] = {\n";
    for (const Painted& p : icons) {
        std::snprintf(buf, sizeof buf, "    {%d, kIcon%d},\n", p.id, p.id);
        out += buf;
    }
    std::snprintf(buf, sizeof buf, "constexpr int kSize = %d;\n\n", kPaintedIconSize);
    out += "};\n";
    out += buf;
    out +=
        "}  // namespace\n\n"
        "QImage BuiltInCommandImage(int id) {\n"
        "    for (const Entry& e : kIcons)\n"
        "        if (e.id == id)\n"
        "            return QImage(reinterpret_cast<const uchar*>(e.pixels), kSize, kSize, kSize * 4,\n"
        "                          QImage::Format_ARGB32_Premultiplied);\n"
        "    return QImage();\n"
        "}\n\n"
        "std::vector<int> BuiltInIconIds() {\n"
        "    std::vector<int> ids;\n"
        "    for (const Entry& e : kIcons) ids.push_back(e.id);\n"
        "    return ids;\n"
        "}\n";
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: paint-icons OUT.cpp\n");
        return 2;
    }
    std::vector<Painted> icons;
    for (int id : ToolbarTable()) {
        if (id == 0 || !HasPaintedIcon(id)) continue;
        bool twice = false;
        for (const Painted& p : icons) twice = twice || p.id == id;
        if (twice) continue;
        QImage im = PaintedCommandImage(id);
        if (im.size() != QSize(kPaintedIconSize, kPaintedIconSize) ||
            im.format() != QImage::Format_ARGB32_Premultiplied) {
            std::fprintf(stderr,
                         "paint-icons: the picture of command %d is not %d x %d ARGB32 premultiplied\n", id,
                         kPaintedIconSize, kPaintedIconSize);
            return 1;
        }
        icons.push_back({id, std::move(im)});
    }
    const std::string text = Source(icons);
    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.commit()) {
        std::fprintf(stderr, "paint-icons: cannot write %s: %s\n", argv[1], qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
