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

TEST_F(ImageMapStore, TruncatedPixelsKeepWhatWasReadAndZeroTheRest) {
    for (int bits : {8, 24, 1}) {
        SCOPED_TRACE(bits);
        const std::size_t off = bits == 24 ? 54 : 62;
        const std::string full = BmpBytes(9, 5, bits, std::uint32_t(off - 54));
        const std::size_t rows = full.size() - off;
        // Short by more than a row, by a single byte, and by every row.
        for (std::size_t cut : {rows / 5 + 3, std::size_t(1), rows}) {
            ASSERT_TRUE(WriteFileBytes(env.tmp.file("short.bmp"), full.substr(0, full.size() - cut)));
            env.prompter.texts.clear();
            ASSERT_TRUE(doc.OnOpenDocument(env.tmp.file("short.bmp")));
            EXPECT_EQ(env.prompter.texts,
                      (std::vector<std::string>{"Unexpected end of file!", env.tmp.file("short.bmp")}));
            ASSERT_EQ(doc.BmpDataSize, rows);
            EXPECT_EQ(doc.BmpStride, rows / 5);
            const std::string px = Pixels(doc);
            EXPECT_EQ(px.substr(0, rows - cut), full.substr(off, rows - cut));
            EXPECT_EQ(px.substr(rows - cut), std::string(cut, '\0'));
            EXPECT_EQ(env.mem[kMemImagePixels + 1], (int)rows);
        }
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
