#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#include "TestUtil.h"
#include "doc/SegmentCache.h"

namespace {

std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& packed, int w, int h, bool* ok) {
    std::vector<std::uint8_t> out(std::size_t(DibStride(w) * h), 0);
    *ok = DecodeMifPixels(packed.data(), packed.size(), w, h, out.data(), out.size());
    return out;
}

std::string MifBytes(std::uint32_t length, std::int32_t w, std::int32_t h, const std::string& data) {
    std::string s(32, '\0');
    std::memcpy(&s[12], &length, 4);
    std::memcpy(&s[16], &w, 4);
    std::memcpy(&s[20], &h, 4);
    return s + data;
}

}  // namespace

TEST(SegmentFile, MifRowsBreakExactlyAtTheWidthBottomRowFirst) {
    bool ok = false;
    // Width 5 (stride 8): the repeat ending exactly at the width moves on to
    // the next row; the padding stays zero.
    auto px = Decode({1, 0x84, 2, 3, 0x82, 4, 0x80}, 5, 2, &ok);
    ASSERT_TRUE(ok);
    const std::vector<std::uint8_t> want = {1, 1, 1, 1, 1, 0, 0, 0, 2, 3, 3, 3, 4, 0, 0, 0};
    EXPECT_EQ(px, want);

    // Width 4 (no padding): a row may begin with a repeat of the row below's last pixel.
    px = Decode({5, 6, 7, 8, 0x84}, 4, 2, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(px, (std::vector<std::uint8_t>{5, 6, 7, 8, 8, 8, 8, 8}));
}

TEST(SegmentFile, MifDecodingErrorsNeverWritePastTheBuffer) {
    bool ok = true;
    Decode({1, 0x84}, 4, 2, &ok);  // a run crossing the width
    EXPECT_FALSE(ok);
    Decode({0x83, 1}, 4, 2, &ok);  // a repeat with no pixel before it
    EXPECT_FALSE(ok);
    Decode({1, 0x83, 2, 0x83, 3}, 4, 2, &ok);  // data past the last row
    EXPECT_FALSE(ok);
    Decode({1, 0xFF}, 4, 2, &ok);  // a long run in a short row
    EXPECT_FALSE(ok);
    // Data ending early: the rows not reached stay zero.
    const auto px = Decode({9, 0x83}, 4, 3, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(px, (std::vector<std::uint8_t>{9, 9, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0}));
    // A buffer smaller than the image is refused outright.
    std::vector<std::uint8_t> small(7);
    const std::uint8_t one = 1;
    EXPECT_FALSE(DecodeMifPixels(&one, 1, 4, 2, small.data(), small.size()));
}

TEST(SegmentFile, MifEncodeDecodeRoundTrip) {
    const int w = 37, h = 11, stride = DibStride(w);
    std::vector<std::uint8_t> img(std::size_t(stride * h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img[std::size_t(y * stride + x)] = std::uint8_t((x / 7 + y) % 3 == 0 ? 0x21 : x % 128);
    std::memset(&img[std::size_t(3 * stride)], 0x05, std::size_t(w));  // a long run
    const auto packed = EncodeMifPixels(img.data(), w, h, stride);
    std::vector<std::uint8_t> back(img.size(), 0);
    ASSERT_TRUE(DecodeMifPixels(packed.data(), packed.size(), w, h, back.data(), back.size()));
    EXPECT_EQ(back, img);
}

TEST(SegmentFile, MifFilesWithDamagedHeadersAreRefused) {
    TempDir tmp;
    LoadedSegment seg;
    const std::string good = std::string("\x01\x83\x02\x83", 4);
    ASSERT_TRUE(WriteFileBytes(tmp.file("ok.mif"), MifBytes(4, 4, 2, good)));
    EXPECT_EQ(ReadMifSegment(tmp.file("ok.mif"), 4, seg), SegmentFileResult::BadSize);
    ASSERT_TRUE(WriteFileBytes(tmp.file("ok.mif"), MifBytes(4, 4, 4, good)));
    ASSERT_EQ(ReadMifSegment(tmp.file("ok.mif"), 4, seg), SegmentFileResult::Ok);
    EXPECT_EQ(seg.size, 16u);
    EXPECT_EQ(seg.data[0], 1);
    EXPECT_EQ(seg.data[4], 2);
    EXPECT_EQ(seg.data[8], 0);

    // Announced data longer than the file, an absurd length, a cut header.
    ASSERT_TRUE(WriteFileBytes(tmp.file("long.mif"), MifBytes(5, 4, 4, good)));
    EXPECT_EQ(ReadMifSegment(tmp.file("long.mif"), 4, seg), SegmentFileResult::Truncated);
    ASSERT_TRUE(WriteFileBytes(tmp.file("huge.mif"), MifBytes(0xFFFFFFFFu, 4, 4, good)));
    EXPECT_EQ(ReadMifSegment(tmp.file("huge.mif"), 4, seg), SegmentFileResult::Truncated);
    ASSERT_TRUE(WriteFileBytes(tmp.file("cut.mif"), MifBytes(4, 4, 4, good).substr(0, 20)));
    EXPECT_EQ(ReadMifSegment(tmp.file("cut.mif"), 4, seg), SegmentFileResult::Truncated);
    ASSERT_TRUE(WriteFileBytes(tmp.file("neg.mif"), MifBytes(4, -4, 4, good)));
    EXPECT_EQ(ReadMifSegment(tmp.file("neg.mif"), -4, seg), SegmentFileResult::BadSize);
    ASSERT_TRUE(WriteFileBytes(tmp.file("bad.mif"), MifBytes(2, 4, 4, "\x81\x01")));
    EXPECT_EQ(ReadMifSegment(tmp.file("bad.mif"), 4, seg), SegmentFileResult::DecodeError);
    EXPECT_EQ(ReadMifSegment(tmp.file("none.mif"), 4, seg), SegmentFileResult::NotOpened);
}

TEST(SegmentFile, BmpSegmentsAreCheckedBeforeUse) {
    TempDir tmp;
    const int side = 6, stride = DibStride(side);
    std::vector<std::uint8_t> img(std::size_t(stride * side), 0);
    for (int i = 0; i < side; ++i) img[std::size_t(i * stride + i)] = 0x04;
    RgbQuad pal[256] = {};
    pal[4] = {1, 2, 3, 0};
    ASSERT_TRUE(WriteBmpSegment(tmp.file("s.bmp"), img.data(), side, side, stride, pal));
    LoadedSegment seg;
    ASSERT_EQ(ReadBmpSegment(tmp.file("s.bmp"), side, seg), SegmentFileResult::Ok);
    EXPECT_EQ(seg.size, img.size());
    EXPECT_EQ(std::memcmp(seg.data.get(), img.data(), img.size()), 0);
    EXPECT_EQ(seg.palette[4].rgbRed, 3);
    EXPECT_EQ(ReadBmpSegment(tmp.file("s.bmp"), side + 1, seg), SegmentFileResult::BadSize);

    const std::string bytes = ReadFileBytes(tmp.file("s.bmp"));
    auto patched = [&](std::size_t at, std::uint32_t v, int n) {
        std::string b = bytes;
        std::memcpy(&b[at], &v, std::size_t(n));
        return b;
    };
    struct Case {
        std::string data;
        SegmentFileResult want;
    } cases[] = {
        {patched(0, 0x4D43, 2), SegmentFileResult::BadFormat},        // signature
        {patched(10, 54 + 1028, 4), SegmentFileResult::BadFormat},    // palette above 256 entries
        {patched(10, 0xFFFFFFF0u, 4), SegmentFileResult::BadFormat},  // offset far out
        {patched(10, 40, 4), SegmentFileResult::BadFormat},           // offset inside the headers
        {patched(28, 24, 2), SegmentFileResult::BadFormat},           // bit count
        {patched(30, 1, 4), SegmentFileResult::BadFormat},            // compression
        {patched(26, 2, 2), SegmentFileResult::BadFormat},            // planes
        {patched(22, 0xFFFFFFFAu, 4), SegmentFileResult::BadSize},    // top-down height
        {bytes.substr(0, 30), SegmentFileResult::Truncated},
        {bytes.substr(0, bytes.size() - 5), SegmentFileResult::Truncated},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(tmp.file("d.bmp"), c.data));
        LoadedSegment d;
        EXPECT_EQ(ReadBmpSegment(tmp.file("d.bmp"), side, d), c.want);
        if (d.data) {
            EXPECT_EQ(d.size, img.size());  // never shorter than the rows
        }
    }
}

TEST(SegmentFile, DataFilesAreFoundWhateverTheLetterCase) {
    TempDir tmp;
    ASSERT_TRUE(WriteFileBytes(tmp.file("Q_AB_dmr.DAT"), "x"));
    std::FILE* f = OpenDataFile(tmp.file("Q_AB_DMR.dat"));
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(OpenDataFile(tmp.file("Q_AC_DMR.dat")), nullptr);
    EXPECT_EQ(OpenDataFile(tmp.dir() + "nofolder/Q_AB_DMR.dat"), nullptr);
}

namespace {
// A copy of good cut short, or with a few bytes changed (mostly in the headers).
std::string Damaged(const std::string& good, Mix& r, std::size_t headerBytes) {
    std::string b = good;
    if (r.Next(3) == 0) return b.substr(0, r.Next(std::uint32_t(b.size())));
    for (std::uint32_t k = 1 + r.Next(4); k > 0; --k) {
        const std::size_t at =
            r.Next(2) ? r.Next(std::uint32_t(headerBytes)) : r.Next(std::uint32_t(b.size()));
        b[at] = char(r.Next(4) == 0 ? 0x80 | r.Next(128) : r.Next(256));
    }
    return b;
}
}  // namespace

// Run under the sanitizers: any read or write outside a buffer fails there.
TEST(SegmentFile, DamagedFilesAreRefusedOrLoadedWithinTheirBuffers) {
    TempDir tmp;
    Mix r{42};
    const int side = 24, stride = DibStride(side);
    std::vector<std::uint8_t> img(std::size_t(stride * side), 0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) img[std::size_t(y * stride + x)] = std::uint8_t((x / 5 + y / 3) % 7);
    RgbQuad pal[256] = {};
    ASSERT_TRUE(WriteMifSegment(tmp.file("g.mif"), img.data(), side, side, stride));
    ASSERT_TRUE(WriteBmpSegment(tmp.file("g.bmp"), img.data(), side, side, stride, pal));
    const std::string mif = ReadFileBytes(tmp.file("g.mif")), bmp = ReadFileBytes(tmp.file("g.bmp"));
    int refused = 0;
    for (int i = 0; i < 400; ++i) {
        const bool isMif = i % 2 == 0;
        ASSERT_TRUE(WriteFileBytes(tmp.file("d"), Damaged(isMif ? mif : bmp, r, isMif ? 32 : 54)));
        LoadedSegment seg;
        const SegmentFileResult res =
            isMif ? ReadMifSegment(tmp.file("d"), side, seg) : ReadBmpSegment(tmp.file("d"), side, seg);
        refused += res != SegmentFileResult::Ok;
        if (seg.data) {
            ASSERT_EQ(seg.size, img.size()) << i;
            unsigned sum = 0;
            for (std::size_t k = 0; k < seg.size; ++k) sum += seg.data[k];  // every byte readable
            (void)sum;
        }
    }
    EXPECT_GT(refused, 100);

    // Packed data of random bytes into images of random small sizes.
    for (int i = 0; i < 3000; ++i) {
        const int w = 1 + int(r.Next(9)), h = 1 + int(r.Next(5));
        std::vector<std::uint8_t> packed(r.Next(60));
        for (auto& b : packed) b = std::uint8_t(r.Next(256));
        std::vector<std::uint8_t> out(std::size_t(DibStride(w) * h), 0);
        DecodeMifPixels(packed.data(), packed.size(), w, h, out.data(), out.size());
        for (int y = 0; y < h; ++y)
            for (int x = w; x < DibStride(w); ++x) ASSERT_EQ(out[std::size_t(y * DibStride(w) + x)], 0);
    }
}

TEST(SegmentFile, CaseInsensitiveLookupFollowsChangesOfTheFolder) {
    TempDir tmp;
    const std::string dir = tmp.dir() + "maps/";
    std::filesystem::create_directories(dir);
    // Folders last changed long ago keep their listing between lookups.
    const auto age = [&](long seconds) {
        struct timespec t[2] = {{1000000000 + seconds, 0}, {1000000000 + seconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, dir.c_str(), t, 0), 0);
    };
    ASSERT_TRUE(WriteFileBytes(dir + "TK50AB.MIF", "a"));
    age(0);
    std::FILE* f = OpenDataFile(dir + "TK50AB.mif");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(OpenDataFile(dir + "TK50AC.mif"), nullptr);

    ASSERT_TRUE(WriteFileBytes(dir + "tk50ac.mif", "c"));
    age(1);
    f = OpenDataFile(dir + "TK50AC.mif");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fgetc(f), 'c');
    std::fclose(f);

    std::filesystem::remove(dir + "TK50AB.MIF");
    age(2);
    EXPECT_EQ(OpenDataFile(dir + "TK50AB.mif"), nullptr);
}
