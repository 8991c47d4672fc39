#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "DocTestEnv.h"
#include "SegmentWriters.h"
#include "doc/SegmentCache.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The plainest reading of ".mif" data, one pixel at a time; the decoder of
// the program must agree with it byte for byte, on success and on failure.
bool ReferenceDecode(const Bytes& packed, int w, int h, Bytes& out) {
    const std::size_t stride = std::size_t(DibStride(w));
    std::size_t row = 0, col = 0;
    for (std::size_t i = 0; i < packed.size(); ++i) {
        const std::uint8_t b = packed[i];
        const std::size_t run = b < 0x80 ? 1 : b & 0x7F;
        if (i == 0 && b >= 0x80) return false;  // a repeat needs a pixel before it
        if (run == 0) continue;
        if (row == std::size_t(h) || col + run > std::size_t(w)) return false;
        const std::size_t pos = row * stride + col;
        std::fill_n(out.begin() + long(pos), run, b < 0x80 ? b : out[pos - 1]);
        if ((col += run) == std::size_t(w)) ++row, col = 0;
    }
    return true;
}

// The buffer starts dirty: the decoder must write every byte, padding and
// rows the data does not reach included.
Bytes Decode(const Bytes& packed, int w, int h, bool* ok) {
    Bytes out(std::size_t(DibStride(w) * h), 0xA5);
    *ok = DecodeMifPixels(packed.data(), packed.size(), w, h, out.data(), out.size());
    return out;
}

// Both decoders: the one chosen for this processor and the portable one.
::testing::AssertionResult SameAsReference(const Bytes& packed, int w, int h) {
    Bytes want(std::size_t(DibStride(w) * h), 0);
    const bool wantOk = ReferenceDecode(packed, w, h, want);
    for (const bool portable : {false, true}) {
        bool ok = false;
        Bytes got = Decode(packed, w, h, &ok);
        if (portable) {
            std::fill(got.begin(), got.end(), 0x5A);
            ok = DecodeMifPixelsPortable(packed.data(), packed.size(), w, h, got.data(), got.size());
        }
        if (ok != wantOk) return ::testing::AssertionFailure() << "result " << ok << " portable " << portable;
        const auto at = std::mismatch(got.begin(), got.end(), want.begin()).first;
        if (at != got.end())
            return ::testing::AssertionFailure()
                   << "byte " << at - got.begin() << " differs, portable " << portable;
    }
    // Rows on demand: refused exactly where the whole decode fails, and the
    // rows, decoded a few at a time in a scattered order, make the same bytes.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[packed.size() + 1]);
    std::copy(packed.begin(), packed.end(), copy.get());
    std::unique_ptr<CMifRows> rows = CMifRows::Index(std::move(copy), packed.size(), w, h);
    if (bool(rows) != wantOk) return ::testing::AssertionFailure() << "index result " << bool(rows);
    if (rows) {
        Bytes got(want.size(), 0xC3);
        const int band = 1 + h / 7;
        std::vector<int> firsts;
        for (int r = 0; r < h; r += band) firsts.push_back(r);
        for (std::size_t k = 0; k < firsts.size(); ++k)
            std::swap(firsts[k], firsts[(k * 5 + 3) % firsts.size()]);
        for (std::size_t k = 0; k < firsts.size(); ++k) {
            const bool all = rows->DecodeRows(firsts[k], firsts[k] + band - 1, got.data());
            if (all != (k + 1 == firsts.size()))
                return ::testing::AssertionFailure() << "complete after band " << k;
        }
        const auto at = std::mismatch(got.begin(), got.end(), want.begin()).first;
        if (at != got.end())
            return ::testing::AssertionFailure() << "byte " << at - got.begin() << " differs, rows on demand";
    }
    return ::testing::AssertionSuccess();
}

std::string MifBytes(std::uint32_t length, std::int32_t w, std::int32_t h, const std::string& data) {
    std::string s(32, '\0');
    std::memcpy(&s[12], &length, 4);
    std::memcpy(&s[16], &w, 4);
    std::memcpy(&s[20], &h, 4);
    return s + data;
}

// The ".mif" segments of a small generated region, one per series that has them.
std::vector<Bytes> SampleSegments() {
    std::vector<Bytes> packed;
    TempDir tmp;
    const std::string tool = ToolsDir() + "/make-sample-region";
    if (!FileExists(tool) || std::system((tool + " " + tmp.dir() + " --size 1 >/dev/null 2>&1").c_str()) != 0)
        return packed;
    for (const char* name :
         {"TK50/TK50NN.mif", "TK25/TK25NN01.mif", "TN10/TN10NN23.mif", "OF50/OF50NN.mif"}) {
        const std::string file = ReadFileBytes(tmp.dir() + "maps/" + name);
        if (file.size() > 32) packed.emplace_back(file.begin() + 32, file.end());
    }
    return packed;
}

// Whole groups (literals and a run of two) filling the first 64 codes, a
// second repeat right after them, then 30 literals: a row of 97 + groups.
Bytes GroupsThenSecondRepeat(int groups) {
    Bytes b;
    for (int g = 0; g < groups; ++g) {
        for (int i = 0; i < (64 - groups) / groups + (g < (64 - groups) % groups); ++i)
            b.push_back(std::uint8_t(10 + g + i));
        b.push_back(0x82);
    }
    b.push_back(0x83);
    for (std::uint8_t i = 0; i < 30; ++i) b.push_back(i);
    return b;
}

}  // namespace

TEST(SegmentFile, MifDecodingOfHandMadeData) {
    const struct {
        const char* what;
        Bytes packed;
        int w, h;
        bool ok;
        Bytes want;  // empty: not checked beyond the result
    } cases[] = {
        // Width 5 (stride 8): a repeat ending exactly at the width moves on to the next row.
        {"rows break at the width",
         {1, 0x84, 2, 3, 0x82, 4, 0x80},
         5,
         2,
         true,
         {1, 1, 1, 1, 1, 0, 0, 0, 2, 3, 3, 3, 4, 0, 0, 0}},
        {"a row may repeat the last pixel below", {5, 6, 7, 8, 0x84}, 4, 2, true, {5, 6, 7, 8, 8, 8, 8, 8}},
        {"rows not reached stay zero", {9, 0x83}, 4, 3, true, {9, 9, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"a run crossing the width", {1, 0x84}, 4, 2, false, {}},
        {"a repeat with no pixel before it", {0x83, 1}, 4, 2, false, {}},
        {"data past the last row", {1, 0x83, 2, 0x83, 3}, 4, 2, false, {}},
        {"empty repeats past the last row", {1, 0x83, 2, 0x83, 0x80, 0x80}, 4, 2, true, {}},
        {"a long run in a short row", {1, 0xFF}, 4, 2, false, {}},
        {"a repeat after 12 whole groups takes their last literal",
         GroupsThenSecondRepeat(12),
         109,
         2,
         true,
         {}},
        {"a repeat after 16 whole groups takes their last literal",
         GroupsThenSecondRepeat(16),
         113,
         2,
         true,
         {}},
        {"a repeat after 20 whole groups takes their last literal",
         GroupsThenSecondRepeat(20),
         117,
         2,
         true,
         {}},
    };
    for (const auto& c : cases) {
        bool ok = !c.ok;
        const Bytes px = Decode(c.packed, c.w, c.h, &ok);
        EXPECT_EQ(ok, c.ok) << c.what;
        if (!c.want.empty()) {
            EXPECT_EQ(px, c.want) << c.what;
        }
        EXPECT_TRUE(SameAsReference(c.packed, c.w, c.h)) << c.what;
    }
    Bytes small(7);  // smaller than the image
    const std::uint8_t one = 1;
    EXPECT_FALSE(DecodeMifPixels(&one, 1, 4, 2, small.data(), small.size()));
}

// Run under the sanitizers too: the decoder must never read or write outside
// its buffers, whatever the data.
TEST(SegmentFile, MifDecoderMatchesThePlainReadingOnGoodAndDamagedData) {
    Mix r{7};
    struct Packed {
        Bytes data;
        int w, h;
    };
    std::vector<Packed> good;
    // Every kind of run, at widths with and without row padding.
    for (const int w : {1, 3, 4, 17, 40, 1181}) {
        const int h = w > 100 ? 64 : 9, stride = DibStride(w);
        Bytes img(std::size_t(stride) * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int band = (x + 3 * y) / (1 + y % 40 * 7);  // runs from 1 to a whole row
                img[std::size_t(y) * stride + x] = std::uint8_t(y % 5 == 4 ? r.Next(128) : band % 128);
            }
        const Bytes packed = EncodeMifPixels(img.data(), w, h, stride);
        bool ok = false;
        EXPECT_EQ(Decode(packed, w, h, &ok), img) << "round trip at width " << w;
        EXPECT_TRUE(ok && SameAsReference(packed, w, h)) << "width " << w;
        if (w > 100) good.push_back({packed, w, h});
    }
    const std::vector<Bytes> samples = SampleSegments();
    EXPECT_EQ(samples.size(), 4u) << "the sample region could not be made";
    for (const Bytes& s : samples) {
        EXPECT_TRUE(SameAsReference(s, 1181, 1181));
        good.push_back({s, 1181, 1181});
    }
    // Damaged copies: cut short, bytes changed, long runs put in anywhere.
    for (int i = 0; i < 60; ++i) {
        const Packed& g = good[i % good.size()];
        Bytes d = g.data;
        const std::uint32_t how = r.Next(3);
        if (how == 0) d.resize(r.Next(std::uint32_t(d.size())));
        for (int k = 0; how != 0 && k < 8; ++k)
            d[r.Next(std::uint32_t(d.size()))] = std::uint8_t(how == 1 ? r.Next(256) : 0xE0 | r.Next(32));
        ASSERT_TRUE(SameAsReference(d, g.w, g.h)) << "damaged copy " << i;
    }
    // Random bytes into images of random small sizes.
    for (int i = 0; i < 3000; ++i) {
        const int w = 1 + int(r.Next(40)), h = 1 + int(r.Next(5));
        Bytes packed(r.Next(80));
        for (auto& b : packed) b = std::uint8_t(r.Next(3) ? 0x80 | r.Next(128) : r.Next(128));
        if (!packed.empty() && r.Next(2)) packed[0] &= 0x7F;
        ASSERT_TRUE(SameAsReference(packed, w, h)) << "random data " << i << " at " << w << " x " << h;
    }
}

// Code streams written directly rather than by the encoder, so they hold
// what it never writes: empty repeats, repeats after repeats, literal groups
// of every length around 16, runs up to 127, repeats opening a row. Every
// image is wide enough for the decoder's whole-chunk paths.
TEST(SegmentFile, MifDecoderMatchesThePlainReadingOnHandWrittenCodeStreams) {
    const struct {
        const char* what;
        int width;
        std::uint32_t maxLiterals;  // a group holds 1 to maxLiterals literals
        std::uint32_t maxRun;
        std::uint32_t emptyIn8, twiceIn8;  // chances of 0x80 and of a second repeat
    } cases[] = {
        {"short groups and runs", 1181, 3, 8, 0, 0}, {"empty repeats after literals", 1181, 3, 6, 3, 0},
        {"repeats after repeats", 1181, 3, 6, 1, 3}, {"literal groups about 16 long", 1181, 20, 4, 1, 0},
        {"runs up to 127", 1181, 4, 127, 1, 1},      {"rows without padding", 1184, 6, 40, 1, 1},
    };
    Mix r{11};
    for (const auto& c : cases) {
        const int h = 24;
        Bytes packed;
        for (int y = 0; y < h; ++y) {
            // A row may open with a repeat (of the zero padding before it).
            int x = 0;
            while (x < c.width) {
                const std::uint32_t left = std::uint32_t(c.width - x);
                const bool repeatFirst = x == 0 && y > 0 && r.Next(4) == 0;
                const std::uint32_t lits = repeatFirst ? 0 : std::min(left, 1 + r.Next(c.maxLiterals));
                for (std::uint32_t i = 0; i < lits; ++i) packed.push_back(std::uint8_t(r.Next(128)));
                x += int(lits);
                for (int rep = 0; x < c.width && (rep == 0 || r.Next(8) < c.twiceIn8); ++rep) {
                    const std::uint32_t run =
                        r.Next(8) < c.emptyIn8 ? 0
                                               : 1 + r.Next(std::min(c.maxRun, std::uint32_t(c.width - x)));
                    packed.push_back(std::uint8_t(0x80 | run));
                    x += int(run);
                }
            }
        }
        EXPECT_TRUE(SameAsReference(packed, c.width, h)) << c.what;
        // Cut at every point of a stretch, and one byte at a time damaged.
        for (int i = 0; i < 40; ++i) {
            Bytes d = packed;
            if (i % 2) {
                d.resize(d.size() / 3 + std::size_t(i) * 17);
            } else {
                d[r.Next(std::uint32_t(d.size()))] = std::uint8_t(r.Next(256));
            }
            ASSERT_TRUE(SameAsReference(d, c.width, h)) << c.what << ", damaged copy " << i;
        }
    }
}

TEST(SegmentFile, SegmentFilesWithDamagedHeadersAreRefused) {
    TempDir tmp;
    const std::string good("\x01\x83\x02\x83", 4);
    ASSERT_TRUE(WriteFileBytes(tmp.file("ok.mif"), MifBytes(4, 4, 4, good)));
    LoadedSegment seg;
    ASSERT_EQ(ReadMifSegment(tmp.file("ok.mif"), 4, seg), SegmentFileResult::Ok);
    EXPECT_EQ(Bytes(seg.data.get(), seg.data.get() + seg.size),
              (Bytes{1, 1, 1, 1, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0}));
    const int side = 6, stride = DibStride(side);
    Bytes img(std::size_t(stride * side), 0);
    for (int i = 0; i < side; ++i) img[std::size_t(i * stride + i)] = 0x04;
    RgbQuad pal[256] = {};
    pal[4] = {1, 2, 3, 0};
    ASSERT_TRUE(WriteBmpSegment(tmp.file("s.bmp"), img.data(), side, side, stride, pal));
    ASSERT_EQ(ReadBmpSegment(tmp.file("s.bmp"), side, seg), SegmentFileResult::Ok);
    EXPECT_EQ(Bytes(seg.data.get(), seg.data.get() + seg.size), img);
    EXPECT_EQ(seg.palette[4].rgbRed, 3);

    const std::string bmp = ReadFileBytes(tmp.file("s.bmp"));
    auto patched = [&](std::size_t at, std::uint32_t v, int n) {
        std::string b = bmp;
        PutLE(b, at, v, n);
        return b;
    };
    using R = SegmentFileResult;
    const struct {
        const char* what;
        bool mif;
        std::string bytes;
        int side;
        R want;
    } cases[] = {
        {"another side", true, MifBytes(4, 4, 2, good), 4, R::BadSize},
        {"negative width", true, MifBytes(4, -4, 4, good), -4, R::BadSize},
        {"data longer than the file", true, MifBytes(5, 4, 4, good), 4, R::Truncated},
        {"absurd length", true, MifBytes(0xFFFFFFFFu, 4, 4, good), 4, R::Truncated},
        {"cut header", true, MifBytes(4, 4, 4, good).substr(0, 20), 4, R::Truncated},
        {"bad data", true, MifBytes(2, 4, 4, "\x81\x01"), 4, R::DecodeError},
        {"bitmap of another side", false, bmp, side + 1, R::BadSize},
        {"signature", false, patched(0, 0x4D43, 2), side, R::BadFormat},
        {"palette above 256 entries", false, patched(10, 54 + 1028, 4), side, R::BadFormat},
        {"offset far out", false, patched(10, 0xFFFFFFF0u, 4), side, R::BadFormat},
        {"offset inside the headers", false, patched(10, 40, 4), side, R::BadFormat},
        {"bit count", false, patched(28, 24, 2), side, R::BadFormat},
        {"compression", false, patched(30, 1, 4), side, R::BadFormat},
        {"planes", false, patched(26, 2, 2), side, R::BadFormat},
        {"top-down height", false, patched(22, 0xFFFFFFFAu, 4), side, R::BadSize},
        {"cut bitmap header", false, bmp.substr(0, 30), side, R::Truncated},
        {"cut rows", false, bmp.substr(0, bmp.size() - 5), side, R::Truncated},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFileBytes(tmp.file("d"), c.bytes));
        for (const MifDecode how : {MifDecode::Whole, MifDecode::OnDemand}) {
            LoadedSegment d;
            EXPECT_EQ(c.mif ? ReadMifSegment(tmp.file("d"), c.side, d, how)
                            : ReadBmpSegment(tmp.file("d"), c.side, d),
                      c.want)
                << c.what;
            EXPECT_TRUE(!d.data || d.size == (c.mif ? 16 : img.size())) << "never shorter than the rows";
        }
    }
    EXPECT_EQ(ReadMifSegment(tmp.file("none.mif"), 4, seg), SegmentFileResult::NotOpened);
}

// Header damage of whole files (run under the sanitizers as well).
TEST(SegmentFile, DamagedFilesAreRefusedOrLoadedWithinTheirBuffers) {
    TempDir tmp;
    Mix r{42};
    const int side = 24, stride = DibStride(side);
    Bytes img(std::size_t(stride * side), 0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) img[std::size_t(y * stride + x)] = std::uint8_t((x / 5 + y / 3) % 7);
    RgbQuad pal[256] = {};
    ASSERT_TRUE(WriteMifSegment(tmp.file("g.mif"), img.data(), side, side, stride));
    ASSERT_TRUE(WriteBmpSegment(tmp.file("g.bmp"), img.data(), side, side, stride, pal));
    const std::string files[] = {ReadFileBytes(tmp.file("g.mif")), ReadFileBytes(tmp.file("g.bmp"))};
    int refused = 0;
    for (int i = 0; i < 400; ++i) {
        const bool isMif = i % 2 == 0;
        ASSERT_TRUE(WriteFileBytes(tmp.file("d"), Damaged(r, files[i % 2], isMif ? 32 : 54, 4)));
        LoadedSegment seg;
        const SegmentFileResult res =
            isMif ? ReadMifSegment(tmp.file("d"), side, seg) : ReadBmpSegment(tmp.file("d"), side, seg);
        refused += res != SegmentFileResult::Ok;
        if (seg.data) {
            ASSERT_EQ(seg.size, img.size()) << i;
            volatile unsigned sum = 0;
            for (std::size_t k = 0; k < seg.size; ++k) sum = sum + seg.data[k];  // every byte readable
        }
    }
    EXPECT_GT(refused, 100);
}

TEST(SegmentFile, DataFilesAreFoundWhateverTheLetterCaseAsTheFolderChanges) {
    TempDir tmp;
    const std::string dir = tmp.dir() + "maps/";
    std::filesystem::create_directories(dir);
    // Folders last changed long ago keep their listing between lookups.
    const auto write = [&](const std::string& name, long seconds) {
        if (name.empty())
            std::filesystem::remove(dir + "TK50AB.MIF");
        else
            ASSERT_TRUE(WriteFileBytes(dir + name, name));
        struct timespec t[2] = {{1000000000 + seconds, 0}, {1000000000 + seconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, dir.c_str(), t, 0), 0);
    };
    const auto first = [&](const std::string& path) {
        std::FILE* f = OpenDataFile(path);
        const int c = f ? std::fgetc(f) : 0;
        if (f) std::fclose(f);
        return c;
    };
    write("TK50AB.MIF", 0);
    EXPECT_EQ(first(dir + "TK50AB.mif"), 'T');
    EXPECT_EQ(first(dir + "TK50AC.mif"), 0);
    EXPECT_EQ(first(tmp.dir() + "nofolder/TK50AB.mif"), 0);
    write("tk50ac.mif", 1);
    EXPECT_EQ(first(dir + "TK50AC.mif"), 't');
    write("", 2);
    EXPECT_EQ(first(dir + "TK50AB.mif"), 0);
}

// A segment read on demand reads its codes again from the file when rows are
// first asked for: the same pixels as a whole read, and blank rows (never
// another file's codes) once the file has been changed or removed.
TEST(SegmentFile, RowsOnDemandComeFromTheFileIndexed) {
    TempDir tmp;
    const int side = 40, stride = DibStride(side);
    Bytes img(std::size_t(stride) * side, 0), other(img.size(), 0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            img[std::size_t(y * stride + x)] = std::uint8_t((x / 3 + y) % 50);
            other[std::size_t(y * stride + x)] = std::uint8_t((x + y / 2) % 7 + 60);
        }
    const Bytes blank(std::size_t(stride) * 10, 0);
    const struct {
        const char* what;
        int change;  // 0 none, 1 rewritten with other pixels, 2 removed
    } cases[] = {{"unchanged", 0}, {"rewritten", 1}, {"removed", 2}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteMifSegment(tmp.file("s.mif"), img.data(), side, side, stride));
        LoadedSegment whole, rows;
        ASSERT_EQ(ReadMifSegment(tmp.file("s.mif"), side, whole, MifDecode::Whole), SegmentFileResult::Ok);
        ASSERT_EQ(ReadMifSegment(tmp.file("s.mif"), side, rows, MifDecode::OnDemand), SegmentFileResult::Ok);
        ASSERT_TRUE(rows.rows) << c.what;
        ASSERT_FALSE(rows.rows->DecodeRows(5, 14, rows.data.get()));
        if (c.change == 1) {
            ASSERT_TRUE(WriteMifSegment(tmp.file("s.mif"), other.data(), side, side, stride));
        }
        if (c.change == 2) std::filesystem::remove(tmp.file("s.mif"));
        ASSERT_TRUE(rows.rows->DecodeRows(0, side - 1, rows.data.get())) << c.what;
        const auto band = [&](const std::uint8_t* p, int y) {
            return Bytes(p + y * stride, p + (y + 10) * stride);
        };
        EXPECT_EQ(band(rows.data.get(), 5), band(whole.data.get(), 5)) << c.what << ": rows decoded before";
        EXPECT_EQ(band(rows.data.get(), 20), c.change ? blank : band(whole.data.get(), 20)) << c.what;
    }
}

// A chunk of codes that opens with a repeat takes its pixel from the last
// code of the chunk before: the decoder reads one byte before the chunk,
// which must be indexed as such (the sanitizer pass catches a wrapped index).
TEST(SegmentFile, MifDecoderRepeatsTheLastPixelOfTheChunkBefore) {
    for (const int groups : {1, 4, 16}) {
        Bytes packed;
        for (std::uint8_t i = 0; i < 64; ++i) packed.push_back(std::uint8_t(1 + i));
        for (int g = 0; g < groups; ++g) {
            packed.push_back(std::uint8_t(0x80 + 2 + g));
            for (int i = 0; i < 60 / groups; ++i) packed.push_back(std::uint8_t(70 + i));
        }
        // Codes after the chunk, so that it is decoded whole on the quick path.
        for (std::uint8_t i = 0; i < 100; ++i) packed.push_back(std::uint8_t(i % 50));
        int width = 0;
        for (const std::uint8_t b : packed) width += b < 0x80 ? 1 : b & 0x7F;
        EXPECT_TRUE(SameAsReference(packed, width, 1)) << groups << " groups";
        EXPECT_TRUE(SameAsReference(packed, width + 40, 1)) << groups << " groups, row longer than the codes";
    }
}
