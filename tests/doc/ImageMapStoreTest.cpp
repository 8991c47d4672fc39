// The image map store: loading, storing and refusing bitmaps.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "DocTestEnv.h"
#include "doc/ImageMapFile.h"

namespace {

std::string Pixels(const CVornaDoc& doc) {
    return std::string(reinterpret_cast<const char*>(doc.BmpData.get()), doc.BmpDataSize);
}

struct ImageMapStore : ::testing::Test {
    DocEnv env;
    CVornaDoc& doc = env.Make();
};

}  // namespace

TEST_F(ImageMapStore, BitmapsLoadWithTheirPaletteAndStoreBackByteForByte) {
    auto load = [&](const std::string& bytes) {
        EXPECT_TRUE(WriteFileBytes(env.tmp.file("in.bmp"), bytes));
        CImageMapArchive ar(env.tmp.file("in.bmp"), CImageMapArchive::load);
        return doc.Serialize(ar);
    };
    const std::string rgb = BmpBytes(5, 3, 24, 0);
    ASSERT_TRUE(load(rgb));
    EXPECT_EQ(doc.BmpStride, 16u);
    EXPECT_EQ(Pixels(doc), rgb.substr(54));
    EXPECT_EQ(env.mem[kMemImagePixels + 1], 48);
    // A second load while pixels are held reads nothing.
    const std::string pal = BmpBytes(6, 4, 8, 1024, 3);
    EXPECT_FALSE(load(pal));
    EXPECT_EQ(env.prompter.texts,
              std::vector<std::string>{"Internal Warning! BmpData already allocated in Serialize!"});
    EXPECT_EQ(Pixels(doc), rgb.substr(54));

    // 3 bytes after the last row (fewer than one per row) stay with the pixels.
    doc.DeallocateImageMemory();
    ASSERT_TRUE(load(pal));
    EXPECT_EQ(doc.BmpStride, 8u);
    EXPECT_EQ(doc.BmpDataSize, 4u * 8u + 3u);
    EXPECT_EQ(int(doc.ImageHeader.palette[1].rgbBlue), 4);

    const std::string copy = env.tmp.dir() + "out/copy.bmp";
    std::filesystem::create_directories(env.tmp.dir() + "out");
    ASSERT_TRUE(WriteFileBytes(copy, "old contents"));
    EXPECT_TRUE(doc.OnSaveDocument(copy));
    EXPECT_EQ(ReadFileBytes(copy), pal);
    const auto filesInOut = [&] {
        return std::distance(std::filesystem::directory_iterator(env.tmp.dir() + "out"), {});
    };
    EXPECT_EQ(filesInOut(), 1) << "nothing left beside the image";

    // A write-protected file is reported and kept.
    ::chmod(copy.c_str(), 0444);
    env.prompter.texts.clear();
    EXPECT_FALSE(doc.OnSaveDocument(copy));
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Warning! Could not open file " + copy + "!"});
    ::chmod(copy.c_str(), 0644);

    // Storing with no image leaves the old file as it was.
    doc.DeallocateImageMemory();
    ASSERT_TRUE(WriteFileBytes(copy, "old contents"));
    env.prompter.texts.clear();
    EXPECT_FALSE(doc.OnSaveDocument(copy));
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Image data non existant"});
    EXPECT_EQ(ReadFileBytes(copy), "old contents");
    EXPECT_EQ(filesInOut(), 1);
}

TEST_F(ImageMapStore, DamagedBitmapsAreRefusedAndChangeNothing) {
    doc.OnNewDocument();
    const std::string good = BmpBytes(6, 4, 8, 64);
    auto patched = [&](std::size_t at, std::uint32_t v, int n) {
        std::string b = good;
        PutLE(b, at, v, n);
        return b;
    };
    struct Case {
        const char* what;
        std::string data;
        const char* message;
    } cases[] = {
        {"signature", patched(0, 0x4D43, 2), "is not a Windows bitmap"},
        {"shorter than the headers", good.substr(0, 40), "is not a Windows bitmap"},
        {"empty file", std::string(), "is not a Windows bitmap"},
        {"another information header", patched(14, 108, 4), "can not read"},
        {"compressed", patched(30, 1, 4), "can not read"},
        {"bit count", patched(28, 7, 2), "can not read"},
        {"planes", patched(26, 0, 2), "can not read"},
        {"width 0", patched(18, 0, 4), "out of range"},
        {"height 0", patched(22, 0, 4), "out of range"},
        {"top-down rows", patched(22, std::uint32_t(-4), 4), "out of range"},
        {"width far out", patched(18, 0x7FFFFFFF, 4), "out of range"},
        {"offset inside the headers", patched(10, 40, 4), "out of range"},
        {"palette above 256 entries", patched(10, 54 + 1028, 4), "out of range"},
        {"offset past the end", patched(10, 54 + 1024, 4).substr(0, 54 + 900), "out of range"},
        {"too large", patched(28, 32, 2).replace(18, 8, std::string("\xA0\x86\x01\x00\xA0\x86\x01\x00", 8)),
         "too large"},
        {"a row's worth of bytes too many", good + std::string(4, 'x'), "does not match"},
    };
    // Something held before: an image, the georeference, a claimed base.
    const std::string held = BmpBytes(3, 2, 8, 0);
    ASSERT_TRUE(WriteFileBytes(env.tmp.file("held.bmp"), held));
    ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("held.bmp")));
    doc.ImageMap().Georef.Origin = CPointD(500000.0, 5000000.0);
    doc.ClaimWptBase(100);
    ASSERT_EQ(doc.OpenQuadrantWptFile(100), 1);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(env.tmp.file("bad.bmp"), c.data));
        env.prompter.texts.clear();
        EXPECT_FALSE(doc.OnOpenDocument(env.tmp.file("bad.bmp")));
        ASSERT_EQ(env.prompter.texts.size(), 1u);
        EXPECT_NE(env.prompter.texts[0].find(c.message), std::string::npos) << env.prompter.texts[0];
        EXPECT_NE(env.prompter.texts[0].find("bad.bmp"), std::string::npos);
        EXPECT_EQ(Pixels(doc), held.substr(54));
        EXPECT_EQ(double(doc.ImageGeoref.Origin.easting), 500000.0);
        EXPECT_TRUE(env.Db().Base(100).Loaded);
        EXPECT_EQ(env.Db().Claims(100), 1);
    }
    env.prompter.texts.clear();
    EXPECT_FALSE(doc.OnOpenDocument(env.tmp.file("missing.bmp")));
    EXPECT_TRUE(env.prompter.Saw("Error! Can not open file"));
    EXPECT_FALSE(doc.OnOpenDocument(env.tmp.path()));  // a folder
    EXPECT_EQ(Pixels(doc), held.substr(54));
}

// A bitmap that cannot be read whole is refused with one message, before
// its pixels are allocated, by File > Open and "Open Image..." alike; the
// image that was open stays with its placement.
TEST_F(ImageMapStore, BitmapsThatCannotBeReadWholeAreRefusedAndKeepTheOpenImage) {
    const std::string held = BmpBytes(3, 2, 8, 0);
    ASSERT_TRUE(WriteFileBytes(env.tmp.file("held.bmp"), held));
    ASSERT_TRUE(doc.InitBmp(env.tmp.file("held.bmp")));
    doc.ImageMap().Georef.Origin = CPointD(500000.0, 5000000.0);
    doc.ImageMap().MapType = kMapImageGeo;

    std::vector<std::pair<std::string, std::string>> cases;
    for (int bits : {8, 24, 1}) {
        const std::size_t off = bits == 24 ? 54 : 62;
        const std::string full = BmpBytes(9, 5, bits, std::uint32_t(off - 54));
        const std::size_t rows = full.size() - off;
        // Short by more than a row, by a single byte, and by every row.
        for (std::size_t cut : {rows / 5 + 3, std::size_t(1), rows})
            cases.emplace_back(std::to_string(bits) + " bits, " + std::to_string(cut) + " bytes short",
                               full.substr(0, full.size() - cut));
    }
    // The two headers alone, claiming 16384 x 16384 x 32 bits: 1 GiB.
    std::string huge = BmpBytes(1, 1, 32, 0).substr(0, 54);
    PutLE(huge, 18, 16384, 4);
    PutLE(huge, 22, 16384, 4);
    cases.emplace_back("headers of a 1 GiB image", huge);

    const std::string path = env.tmp.file("short.bmp");
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        {
            // Refused by the headers: nothing is allocated for rows that are not there.
            CImageMapArchive ar(path, CImageMapArchive::load);
            DibFileLayout layout;
            ImageMapBlock block;
            EXPECT_EQ(ReadImageMapHeaders(ar, layout, block), ImageMapFault::Truncated);
        }
        for (bool byOpenImage : {false, true}) {
            env.prompter.texts.clear();
            EXPECT_FALSE(byOpenImage ? doc.InitBmp(path) : doc.OnOpenDocument(path));
            EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Unexpected end of file!"});
            EXPECT_EQ(Pixels(doc), held.substr(54));
            EXPECT_EQ(env.mem[kMemImagePixels + 1], int(held.size() - 54));
            EXPECT_EQ(doc.ImagePath, env.tmp.file("held.bmp"));
            EXPECT_EQ(doc.ImageMapType, kMapImageGeo);
            EXPECT_EQ(doc.ImageGeoref.Origin.easting, 500000.0);
        }
    }

    // A file cut short after it was measured fails while its pixels are read.
    const std::string whole = BmpBytes(9, 5, 8, 8);
    ASSERT_TRUE(WriteFileBytes(path, whole));
    CImageMapArchive ar(path, CImageMapArchive::load);
    std::filesystem::resize_file(path, whole.size() - 10);
    env.prompter.texts.clear();
    EXPECT_FALSE(CImageMapStore::ReadBitmap(ar));
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Unexpected end of file!"});
}

// Whichever way an image is opened it becomes the image map, without the
// previous image's placement: placed by its own ".inf" when it has one,
// else unplaced at the offset its name gives, with its own ".ref" points.
TEST_F(ImageMapStore, AnOpenedImageIsTheImageMapPlacedOnlyByItsOwnInf) {
    const std::string placed = env.tmp.file("placed.bmp"), bare = env.tmp.file("12_34.bmp");
    ASSERT_TRUE(WriteFileBytes(placed, BmpBytes(6, 4, 8, 64)));
    ASSERT_TRUE(
        WriteFileBytes(env.tmp.file("placed.inf"), "25000\n5\n6\n480000\n5120000\n0.5\n25000\n24000"));
    ASSERT_TRUE(WriteFileBytes(bare, BmpBytes(5, 3, 24, 0)));
    ASSERT_TRUE(WriteFileBytes(env.tmp.file("12_34.ref"), "1,2,480000.0,5120000.0,3,4\n"));
    for (bool byOpenImage : {false, true}) {
        SCOPED_TRACE(byOpenImage ? "Open Image" : "File > Open");
        const auto open = [&](const std::string& path) {
            return byOpenImage ? doc.InitBmp(path) : doc.OnOpenDocument(path);
        };
        ASSERT_TRUE(open(placed));
        EXPECT_EQ(doc.ImageMapType, kMapImageGeo);
        EXPECT_EQ(doc.ImageGeoref.ScaleY, 24000.0);
        EXPECT_EQ(doc.ImageGeoref.Rotation, 0.5);

        ASSERT_TRUE(open(bare));
        EXPECT_EQ(doc.ImageMapType, kMapImage);
        EXPECT_EQ(doc.ImagePath, bare);
        EXPECT_EQ(doc.RefPointCount(), 1);
        const ImageGeoref& g = doc.ImageGeoref;
        EXPECT_EQ(std::vector<double>({g.ScaleX, g.ScaleY, g.Rotation, g.Origin.easting, g.Origin.northing}),
                  std::vector<double>({1.0, 1.0, 0.0, 0.0, 0.0}));
        EXPECT_EQ(g.PixelOffset.x, 34 * 792);
        EXPECT_EQ(g.PixelOffset.y, 12 * 580);
    }
}

// Run under the sanitizers: a damaged header must never steer a read or a
// copy outside its buffer, and a loaded image always holds its full rows.
TEST_F(ImageMapStore, RandomlyDamagedBitmapsStayWithinTheirBuffers) {
    const std::string good = BmpBytes(13, 7, 8, 64, 3);
    Mix r{7};
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(WriteFileBytes(env.tmp.file("d.bmp"), Damaged(r, good, 54, 3)));
        if (doc.OnOpenDocument(env.tmp.file("d.bmp"))) {
            ASSERT_GE(std::uint64_t(doc.BmpDataSize),
                      doc.BmpStride * std::uint64_t(doc.ImageHeader.info.biHeight));
            volatile unsigned sum = 0;
            for (std::size_t k = 0; k < doc.BmpDataSize; ++k)
                sum = sum + doc.BmpData[k];  // every byte readable
        }
    }
}
