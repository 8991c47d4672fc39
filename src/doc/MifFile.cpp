// Reading segment files: the ".mif" run-length format and 8-bit ".bmp" segments.

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "doc/ImageMapFile.h"
#include "doc/SegmentCache.h"
#include "platform/ByteOrder.h"
#include "platform/DataFile.h"
#include "platform/MappedFile.h"
#include "platform/System.h"

namespace {

struct FileCloser {
    std::FILE* f;
    ~FileCloser() {
        if (f) std::fclose(f);
    }
};

constexpr std::size_t kMifHeader = 32;

}  // namespace

namespace {

// Codes are looked at 64 at a time; the copies of a chunk read up to 16 bytes
// past it.
constexpr std::size_t kChunk = 64;
constexpr std::size_t kChunkReach = kChunk + 16;
// Runs and literals are written with 16-byte stores, a run with at least 32
// bytes. Bytes written past the next pixel are overwritten by the codes that
// follow or, where the data ends, cleared; the row padding is cleared at
// each row's end, after every store into it.
constexpr std::size_t kWide = 32;

struct MifFillTable {
    alignas(16) std::uint8_t fill[128][16];  // a pixel value spread over 16 bytes
};

constexpr MifFillTable MakeMifFillTable() {
    MifFillTable t{};
    for (int b = 0; b < 128; ++b)
        for (int k = 0; k < 16; ++k) t.fill[b][k] = std::uint8_t(b);
    return t;
}
constexpr MifFillTable kMifFill = MakeMifFillTable();

inline void Copy16(std::uint8_t* to, const std::uint8_t* from) { std::memcpy(to, from, 16); }

// The eight codes at p in one word, code k in byte k (from the low end).
inline std::uint64_t CodeWord(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// The low bit of each byte of a code word set where the code is a repeat
// (0x80 or more).
inline std::uint64_t WordRepeats(std::uint64_t v) { return (v >> 7) & 0x0101010101010101ull; }

// The pixels the repeats of a code word make (its literals not counted).
inline std::size_t WordRunPixels(std::uint64_t v, std::uint64_t repeats) {
    const std::uint64_t runs = v & (repeats * 0x7F);  // the run of a repeat, 0 for a literal
    const std::uint64_t pairs = (runs & 0x00FF00FF00FF00FFull) + ((runs >> 8) & 0x00FF00FF00FF00FFull);
    return std::size_t((pairs * 0x0001000100010001ull) >> 48);
}

// Bit n set when code n of the 64 at p is a repeat: the repeat bits of every
// word gathered by one multiply each.
inline std::uint64_t RepeatBits(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int k = 0; k < 8; ++k)
        bits |= ((WordRepeats(CodeWord(p + 8 * k)) * 0x0102040810204080ull) >> 56) << (8 * k);
    return bits;
}

// The 64 codes at p: which are repeats, and how many pixels the repeats make.
struct ChunkCodes {
    std::uint64_t repeats;
    std::size_t runPixels;
};

// Writes the k literal codes at from as pixels, and up to 15 bytes past them.
inline void CopyLiterals(std::uint8_t* to, const std::uint8_t* from, std::size_t k) {
    Copy16(to, from);
    for (std::size_t o = 16; o < k; o += 16) Copy16(to + o, from + o);
}

// Writes run pixels of value (< 0x80), and up to 31 bytes past them.
inline void FillRun(std::uint8_t* to, std::uint32_t value, std::size_t run) {
    const std::uint8_t* fill = kMifFill.fill[value];
    Copy16(to, fill);
    Copy16(to + 16, fill);
    for (std::size_t o = kWide; o < run; o += 16) Copy16(to + o, fill);
}

// For every x86-64 and other targets: codes eight bytes in a word at a time,
// runs written 16 bytes at a time.
struct PortableCodes {
    static ChunkCodes Classify(const std::uint8_t* p) {
        std::size_t sum = 0;
        for (int k = 0; k < 8; ++k) {
            const std::uint64_t v = CodeWord(p + 8 * k);
            sum += WordRunPixels(v, WordRepeats(v));
        }
        return {RepeatBits(p), sum};
    }
    // Writes 32 bytes of value.
    static void Fill32(std::uint8_t* to, std::uint32_t value) {
        Copy16(to, kMifFill.fill[value]);
        Copy16(to + 16, kMifFill.fill[value]);
    }
};

// True when no 17 codes in a row are literals: every group then has at most
// 16, which one 16-byte copy writes.
inline bool ShortLiteralGroups(std::uint64_t repeats) {
    std::uint64_t z = ~repeats;
    z &= z >> 1;
    z &= z >> 2;
    z &= z >> 4;
    z &= z >> 8;
    z &= z >> 1;
    return z == 0;
}

// The stores of one group in a clean chunk: the repeat at rep, its run of
// the literal before it, and the (at most 16) literals after it. Code i's
// pixels start at to + i; the repeat moves them on by its run less the one
// code it takes (an address, as it may pass below the output between stores).
template <class Codes>
__attribute__((always_inline)) inline void CleanGroup(const std::uint8_t* in, std::size_t rep,
                                                      std::uintptr_t& to) {
    const std::uint32_t code = in[rep];
    std::uint8_t* const run = reinterpret_cast<std::uint8_t*>(to + rep);
    // Signed: a repeat at the chunk's first code takes the byte before in.
    const std::uint32_t value = in[std::ptrdiff_t(rep) - 1];
    Codes::Fill32(run, value);
    if (__builtin_expect(code > 0x80 + kWide, 0))
        for (std::size_t o = kWide; o < code - 0x80; o += kWide) Codes::Fill32(run + o, value);
    to += std::uintptr_t(code) - 0x81;
    Copy16(reinterpret_cast<std::uint8_t*>(to + rep + 1), in + rep + 1);
}

// Decodes the 64 codes at in to op when they are known to hold at most 16
// literals in a row and a literal before every repeat (in[-1] for a repeat
// at in), and their pixels end inside the row. One 16-byte store for the
// literals and one 32-byte store for the run per group, with no checks;
// only runs over 32 take more stores. Returns the output position after
// the chunk.
template <class Codes>
__attribute__((always_inline)) inline std::uint8_t* DecodeCleanChunk(const std::uint8_t* in,
                                                                     std::uint64_t repeats,
                                                                     std::uint8_t* op) {
    std::uintptr_t to = reinterpret_cast<std::uintptr_t>(op);
    Copy16(op, in);
    while (repeats) {
        CleanGroup<Codes>(in, unsigned(__builtin_ctzll(repeats)), to);
        repeats &= repeats - 1;
    }
    return reinterpret_cast<std::uint8_t*>(to + kChunk);
}

// The same for the codes up to the chunk's Groups-th repeat only: a loop
// of a fixed count, which the processor follows without a miss at its end.
// Moves in and op past them.
template <class Codes, int Groups>
__attribute__((always_inline)) inline void DecodeCleanGroups(const std::uint8_t*& in, std::uint64_t repeats,
                                                             std::uint8_t*& op) {
    std::uintptr_t to = reinterpret_cast<std::uintptr_t>(op);
    Copy16(op, in);
    std::size_t rep = 0;
#pragma GCC unroll 32
    for (int g = 0; g < Groups; ++g) {
        rep = unsigned(__builtin_ctzll(repeats));
        CleanGroup<Codes>(in, rep, to);
        repeats &= repeats - 1;
    }
    op = reinterpret_cast<std::uint8_t*>(to + rep + 1);
    in += rep + 1;
}

// The decoder, compiled once for every x86-64 and once with AVX2 (one
// 32-byte store per run instead of two, the codes of a chunk sorted with
// vector compares); the results are the same.
// The codes from packed on make the h rows at out. Where they do not open the
// data, startPrevious is what a repeat at their start takes (a row start
// of the whole data, with its pixel before it, as the index records them).
template <class Codes>
__attribute__((always_inline)) inline bool DecodeMif(const std::uint8_t* packed, std::size_t length, int w,
                                                     int h, std::uint8_t* out, std::size_t outSize,
                                                     std::uint32_t startPrevious, bool dataStart) {
    if (w <= 0 || h <= 0) return false;
    const std::size_t width = std::size_t(w), rows = std::size_t(h);
    const std::size_t stride = std::size_t(DibStride(w));
    const std::size_t total = stride * rows;
    if (outSize < total) return false;
    // The quick path's groups end at most here, so its stores stay in the buffer.
    const std::size_t lastQuick = total >= 2 * kWide ? total - kWide : 0;

    const std::uint8_t* in = packed;
    const std::uint8_t* const end = packed + length;
    std::size_t row = 0;
    std::size_t pos = 0;         // output position of the next pixel
    std::size_t rowEnd = width;  // output position past the row's last pixel
    // The quick path leaves the row's last group, and the row change after
    // it, to the code-by-code path.
    std::size_t quickEnd = std::min(rowEnd - 1, lastQuick);
    std::uint32_t previous = startPrevious;  // the pixel before pos, once one is written
    // A repeat needs a pixel before it.
    bool ok = !dataStart || length == 0 || packed[0] < 0x80;
    while (ok && in != end) {
        if (std::size_t(end - in) >= kChunkReach && pos < quickEnd) {
            const ChunkCodes codes = Codes::Classify(in);
            // A repeat opening the chunk takes the code before it, which
            // must be a literal written in this row.
            const bool opensWell =
                (codes.repeats & 1) == 0 || (in != packed && in[-1] < 0x80 && pos != rowEnd - width);
            if (ShortLiteralGroups(codes.repeats) && (codes.repeats & (codes.repeats << 1)) == 0 &&
                opensWell &&
                codes.runPixels + kChunk - std::size_t(__builtin_popcountll(codes.repeats)) <=
                    quickEnd - pos) {
                // Most chunks hold 20 or more; sparser ones take 12.
                const int groups = __builtin_popcountll(codes.repeats);
                if (groups >= 12) {
                    std::uint8_t* op = out + pos;
                    if (groups >= 20)
                        DecodeCleanGroups<Codes, 20>(in, codes.repeats, op);
                    else
                        DecodeCleanGroups<Codes, 12>(in, codes.repeats, op);
                    pos = std::size_t(op - out);
                    previous = in[-2];  // the literal before the last repeat
                    continue;
                }
                pos = std::size_t(DecodeCleanChunk<Codes>(in, codes.repeats, out + pos) - out);
                in += kChunk;
                previous = in[-1] < 0x80 ? in[-1] : in[-2];
                continue;
            }
            // Quick path: the literals before a repeat and the repeat at a
            // time, while they end inside the row.
            std::uint64_t repeats = codes.repeats;
            const std::uint8_t* const chunkEnd = in + kChunk;
            std::uint8_t* op = out + pos;
            std::uint8_t* const opEnd = out + quickEnd;
            bool whole = true;
            while (repeats) {
                const std::uint32_t at = std::uint32_t(__builtin_ctzll(repeats));
                const std::uint8_t* const rp = chunkEnd - kChunk + at;
                const std::size_t k = std::size_t(rp - in);  // literals before the repeat
                const std::size_t run = *rp & 0x7F;
                if (__builtin_expect(k - 1 >= 16 || run > kWide || op + k + run > opEnd, 0)) {
                    if (op + k + run > opEnd) {
                        whole = false;
                        break;
                    }
                    CopyLiterals(op, in, k);
                    if (k) previous = rp[-1];
                    FillRun(op + k, previous, run);
                } else {
                    // The usual group: 1 to 16 literals, a run of at most 32.
                    Copy16(op, in);
                    previous = rp[-1];
                    Codes::Fill32(op + k, previous);
                }
                op += k + run;
                in = rp + 1;
                repeats &= repeats - 1;
            }
            if (whole) {
                const std::size_t k = std::size_t(chunkEnd - in);  // literals after the last repeat
                if (op + k <= opEnd) {
                    if (k) {
                        CopyLiterals(op, in, k);
                        op += k;
                        previous = chunkEnd[-1];
                    }
                    in = chunkEnd;
                } else {
                    whole = false;
                }
            }
            pos = std::size_t(op - out);
            if (whole) continue;
        }
        // One code at a time with every check, up to the next row.
        for (;;) {
            const std::uint32_t b = *in++;
            const std::size_t run = b < 0x80 ? 1 : b & 0x7F;
            const std::uint32_t value = b < 0x80 ? b : previous;
            if (pos + run > rowEnd) {
                ok = false;
                break;
            }
            if (run <= kWide && total - pos >= kWide)
                FillRun(out + pos, value, run);
            else
                std::memset(out + pos, int(value), run);
            pos += run;
            previous = value;
            if (pos == rowEnd) {
                std::memset(out + pos, 0, stride - width);  // the padding
                if (stride > width) previous = 0;           // what a repeat at the row's start takes
                if (++row == rows) {
                    // Past the last row only empty repeats may follow.
                    for (; in != end; ++in)
                        if (*in != 0x80) return false;
                    return true;
                }
                pos = row * stride;
                rowEnd = pos + width;
                quickEnd = std::min(rowEnd - 1, lastQuick);
                break;
            }
            if (in == end) break;
        }
    }
    // Clear what the stores wrote past the data and every byte the data did
    // not reach.
    std::memset(out + pos, 0, total - pos);
    return ok;
}

// Checks the codes as DecodeMif does, writing nothing, and keeps where each
// row's codes start and the pixel a repeat at its start takes. starts gets
// h + 1 entries: rows the data does not reach start at its end, and the
// last entry is the end of the last row's codes.
template <class Codes>
__attribute__((always_inline)) inline bool IndexMif(const std::uint8_t* packed, std::size_t length, int w,
                                                    int h, std::vector<std::uint32_t>& starts,
                                                    std::vector<std::uint8_t>& previousAt) {
    if (w <= 0 || h <= 0 || length > 0xFFFFFFFFu) return false;
    if (length != 0 && packed[0] >= 0x80) return false;
    const std::size_t width = std::size_t(w), rows = std::size_t(h);
    const bool padded = std::size_t(DibStride(w)) > width;
    starts.assign(rows + 1, std::uint32_t(length));
    previousAt.assign(rows, 0);
    starts[0] = 0;
    std::size_t i = 0, row = 0, x = 0;
    std::uint32_t previous = 0;
    while (i != length) {
        if (length - i >= kChunk) {
            const ChunkCodes codes = Codes::Classify(packed + i);
            const std::size_t pixels =
                kChunk - std::size_t(__builtin_popcountll(codes.repeats)) + codes.runPixels;
            // The whole chunk ends inside the row: no code of it can reach the row's end.
            if (x + pixels < width) {
                x += pixels;
                const std::uint64_t literals = ~codes.repeats;
                if (literals) previous = packed[i + 63 - std::size_t(__builtin_clzll(literals))];
                i += kChunk;
                continue;
            }
        }
        // Eight codes at a time up to the word where the row ends, then code
        // by code through that word, or through the last codes.
        const std::size_t stop = std::min(length, i + kChunk);
        while (stop - i >= 8) {
            const std::uint64_t v = CodeWord(packed + i);
            const std::uint64_t rep = WordRepeats(v);
            const std::size_t pixels = 8 - std::size_t(__builtin_popcountll(rep)) + WordRunPixels(v, rep);
            if (x + pixels >= width) break;
            x += pixels;
            const std::uint64_t literals = ~rep & 0x0101010101010101ull;
            if (literals) previous = packed[i + std::size_t(63 - __builtin_clzll(literals)) / 8];
            i += 8;
        }
        const std::size_t stopCodes = std::min(stop, i + 8);
        while (i != stopCodes) {
            const std::uint32_t b = packed[i++];
            const std::size_t run = b < 0x80 ? 1 : b & 0x7F;
            if (x + run > width) return false;
            x += run;
            if (b < 0x80) previous = b;
            if (x == width) {
                if (padded) previous = 0;
                x = 0;
                if (++row == rows) {
                    starts[rows] = std::uint32_t(i);
                    for (; i != length; ++i)
                        if (packed[i] != 0x80) return false;
                    return true;
                }
                starts[row] = std::uint32_t(i);
                previousAt[row] = std::uint8_t(previous);
            }
        }
    }
    return true;
}

}  // namespace

bool DecodeMifPixelsPortable(const std::uint8_t* packed, std::size_t length, int w, int h, std::uint8_t* out,
                             std::size_t outSize) {
    return DecodeMif<PortableCodes>(packed, length, w, h, out, outSize, 0, true);
}

#if defined(__x86_64__) && defined(__GNUC__)
namespace {

struct Avx2Codes {
    // Not inlined on its own: the decoder that calls it is flattened into a
    // function compiled for AVX2.
    __attribute__((target("avx2"))) static ChunkCodes Classify(const std::uint8_t* p) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const std::uint64_t repeats = std::uint32_t(_mm256_movemask_epi8(a)) |
                                      std::uint64_t(std::uint32_t(_mm256_movemask_epi8(b))) << 32;
        // Repeats less 0x80 are their runs; literals saturate to 0.
        const __m256i high = _mm256_set1_epi8(char(0x80));
        const __m256i sums =
            _mm256_add_epi64(_mm256_sad_epu8(_mm256_subs_epu8(a, high), _mm256_setzero_si256()),
                             _mm256_sad_epu8(_mm256_subs_epu8(b, high), _mm256_setzero_si256()));
        const __m128i half = _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
        const std::size_t runPixels =
            std::size_t(_mm_cvtsi128_si64(_mm_add_epi64(half, _mm_unpackhi_epi64(half, half))));
        return {repeats, runPixels};
    }
    // Spread in one register: only where the target has 32-byte ones.
    __attribute__((always_inline)) static void Fill32(std::uint8_t* to, std::uint32_t value) {
        typedef std::uint8_t Bytes32 __attribute__((vector_size(32)));
        const Bytes32 fill = Bytes32{} + std::uint8_t(value);
        std::memcpy(to, &fill, kWide);
    }
};

__attribute__((target("avx2,bmi,popcnt"), flatten)) bool DecodeMifAvx2(const std::uint8_t* packed,
                                                                       std::size_t length, int w, int h,
                                                                       std::uint8_t* out, std::size_t outSize,
                                                                       std::uint32_t startPrevious,
                                                                       bool dataStart) {
    return DecodeMif<Avx2Codes>(packed, length, w, h, out, outSize, startPrevious, dataStart);
}

__attribute__((target("avx2,bmi,popcnt"), flatten)) bool IndexMifAvx2(const std::uint8_t* packed,
                                                                      std::size_t length, int w, int h,
                                                                      std::vector<std::uint32_t>& starts,
                                                                      std::vector<std::uint8_t>& previousAt) {
    return IndexMif<Avx2Codes>(packed, length, w, h, starts, previousAt);
}

bool HasAvx2() {
    static const bool has =
        __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt");
    return has;
}

}  // namespace
#endif

namespace {

bool DecodeMifFrom(const std::uint8_t* packed, std::size_t length, int w, int h, std::uint8_t* out,
                   std::size_t outSize, std::uint32_t startPrevious, bool dataStart) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (HasAvx2()) return DecodeMifAvx2(packed, length, w, h, out, outSize, startPrevious, dataStart);
#endif
    return DecodeMif<PortableCodes>(packed, length, w, h, out, outSize, startPrevious, dataStart);
}

bool IndexMifRows(const std::uint8_t* packed, std::size_t length, int w, int h,
                  std::vector<std::uint32_t>& starts, std::vector<std::uint8_t>& previousAt) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (HasAvx2()) return IndexMifAvx2(packed, length, w, h, starts, previousAt);
#endif
    return IndexMif<PortableCodes>(packed, length, w, h, starts, previousAt);
}

}  // namespace

bool DecodeMifPixels(const std::uint8_t* packed, std::size_t length, int w, int h, std::uint8_t* out,
                     std::size_t outSize) {
    return DecodeMifFrom(packed, length, w, h, out, outSize, 0, true);
}

namespace {

// Packed data is read into one buffer per thread, kept between reads: new
// memory costs more to map than the reading itself.
std::uint8_t* ReadBuffer(std::size_t size) {
    thread_local std::unique_ptr<std::uint8_t[]> buffer;
    thread_local std::size_t capacity = 0;
    if (size > capacity) {
        buffer.reset();
        capacity = 0;
        // Room for the next segment's codes, which are seldom of the same
        // length; pages past the data are mapped when first used.
        const std::size_t grown = size + size / 4;
        buffer.reset(new (std::nothrow) std::uint8_t[grown]);
        if (!buffer) return nullptr;
        capacity = grown;
    }
    PrefaultForWrite(buffer.get(), size);
    return buffer.get();
}

// Size and last change of an open file, to see that a file read again is
// the one indexed.
bool FileStamp(int fd, long long& size, long long& changed) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    size = (long long)st.st_size;
    changed = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    return true;
}

}  // namespace

SegmentFileResult CMifRows::Index(const std::uint8_t* packed, std::size_t length, int w, int h,
                                  std::unique_ptr<CMifRows>& out) {
    out.reset();
    if (w <= 0 || h <= 0) return SegmentFileResult::DecodeError;
    std::unique_ptr<CMifRows> rows(new (std::nothrow) CMifRows);
    if (!rows) return SegmentFileResult::NoMemory;
    try {
        rows->m_Starts.reserve(std::size_t(h) + 1);
        rows->m_PreviousAt.reserve(std::size_t(h));
        rows->m_Done.assign(std::size_t(h), false);
    } catch (const std::bad_alloc&) {
        return SegmentFileResult::NoMemory;
    }
    // Nothing is allocated while the codes are read: they may be a mapped
    // file's, which a bus error leaves.
    bool ok = false;
    if (!ReadMappedSafely(
            [&] { ok = IndexMifRows(packed, length, w, h, rows->m_Starts, rows->m_PreviousAt); }))
        return SegmentFileResult::Truncated;
    if (!ok) return SegmentFileResult::DecodeError;
    rows->m_Width = w;
    rows->m_Left = h;
    out = std::move(rows);
    return SegmentFileResult::Ok;
}

std::unique_ptr<CMifRows> CMifRows::Index(std::unique_ptr<std::uint8_t[]> packed, std::size_t length, int w,
                                          int h) {
    std::unique_ptr<CMifRows> rows;
    if (Index(packed.get(), length, w, h, rows) == SegmentFileResult::Ok) rows->m_Packed = std::move(packed);
    return rows;
}

bool CMifRows::DecodeRows(int lo, int hi, std::uint8_t* out) {
    const int h = int(m_Done.size());
    lo = std::max(lo, 0);
    hi = std::min(hi, h - 1);
    const std::size_t stride = std::size_t(DibStride(m_Width));
    std::FILE* file = nullptr;
    bool looked = false, sameFile = false;
    CMappedFile mapped;
    for (int r = lo; r <= hi;) {
        if (m_Done[std::size_t(r)]) {
            ++r;
            continue;
        }
        int end = r;  // past the run of rows still to decode
        while (end <= hi && !m_Done[std::size_t(end)]) m_Done[std::size_t(end++)] = true;
        const std::uint32_t from = m_Starts[std::size_t(r)], to = m_Starts[std::size_t(end)];
        std::uint8_t* const rows = out + std::size_t(r) * stride;
        const std::size_t bytes = std::size_t(end - r) * stride;
        PrefaultForWrite(rows, bytes);
        const std::uint8_t* codes = m_Packed ? m_Packed.get() + from : nullptr;
        std::size_t got = to - from;
        if (!m_Packed) {
            // Read again from the file, which must still be the one indexed;
            // rows of a file changed or gone since are left blank.
            if (!looked && !m_Path.empty()) {
                looked = true;
                file = std::fopen(m_Path.c_str(), "rb");
                long long size = 0, changed = 0;
                sameFile = file && FileStamp(fileno(file), size, changed) && size == m_FileSize &&
                           changed == m_FileChanged;
                if (sameFile) mapped.Map(fileno(file));
            }
            const std::size_t at = std::size_t(m_DataOffset) + from;
            if (sameFile && mapped.Size() >= at + got) {
                codes = mapped.Data() + at;
            } else {
                std::uint8_t* buffer = sameFile ? ReadBuffer(got) : nullptr;
                got = buffer && std::fseek(file, long(at), SEEK_SET) == 0 ? std::fread(buffer, 1, got, file)
                                                                          : 0;
                codes = buffer;
            }
        }
        // Checked whole when indexed; a short read, or a file cut short while
        // mapped, leaves the rest blank.
        const std::uint32_t previous = m_PreviousAt[std::size_t(r)];
        const bool first = r == 0;
        if (!codes || !got || !ReadMappedSafely([&] {
                DecodeMifFrom(codes, got, m_Width, end - r, rows, bytes, previous, first);
            }))
            std::memset(rows, 0, bytes);
        m_Left -= end - r;
        r = end;
    }
    if (file) std::fclose(file);
    return m_Left == 0;
}

SegmentFileResult ReadMifSegment(const std::string& path, int side, LoadedSegment& out, MifDecode decode) {
    FileCloser fc{OpenDataFile(path)};
    if (!fc.f) return SegmentFileResult::NotOpened;
    const long long fileLen = FileLength(fc.f);
    std::uint8_t head[kMifHeader];
    if (fileLen < (long long)kMifHeader || std::fread(head, 1, kMifHeader, fc.f) != kMifHeader)
        return SegmentFileResult::Truncated;
    const std::uint32_t length = LoadLE32(head + 12);
    const std::int32_t w = std::int32_t(LoadLE32(head + 16));
    const std::int32_t h = std::int32_t(LoadLE32(head + 20));
    if (w != side || h != side) return SegmentFileResult::BadSize;
    if (std::uint64_t(length) > std::uint64_t(fileLen) - kMifHeader) return SegmentFileResult::Truncated;

    // The codes are read where the file is mapped, else copied in.
    CMappedFile mapped;
    const std::uint8_t* packed = nullptr;
    if (mapped.Map(fileno(fc.f)) && mapped.Size() >= kMifHeader + std::size_t(length)) {
        packed = mapped.Data() + kMifHeader;
    } else {
        std::uint8_t* const buffer = ReadBuffer(length ? length : 1);
        if (!buffer) return SegmentFileResult::NoMemory;
        if (std::fread(buffer, 1, length, fc.f) != length) return SegmentFileResult::Truncated;
        packed = buffer;
    }
    const std::size_t size = std::size_t(DibStride(w)) * std::size_t(h);
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[size]);
    if (!pixels) return SegmentFileResult::NoMemory;
    if (decode == MifDecode::OnDemand) {
        // Pages of rows never asked for are never touched; the codes of the
        // others are read again from the file when they are.
        long long fileSize = 0, changed = 0;
        const SegmentFileResult indexed = CMifRows::Index(packed, length, w, h, out.rows);
        if (indexed != SegmentFileResult::Ok) return indexed;
        if (FileStamp(fileno(fc.f), fileSize, changed)) {
            out.rows->m_Path = FindDataFile(path);
            out.rows->m_DataOffset = kMifHeader;
            out.rows->m_FileSize = fileSize;
            out.rows->m_FileChanged = changed;
        }
    } else {
        PrefaultForWrite(pixels.get(), size);
        bool ok = false;
        if (!ReadMappedSafely([&] { ok = DecodeMifPixels(packed, length, w, h, pixels.get(), size); }))
            return SegmentFileResult::Truncated;
        if (!ok) return SegmentFileResult::DecodeError;
    }
    out.data = std::move(pixels);
    out.size = size;
    for (RgbQuad& q : out.palette) q = RgbQuad();
    return SegmentFileResult::Ok;
}

SegmentFileResult ReadBmpSegment(const std::string& path, int side, LoadedSegment& out) {
    FileCloser fc{OpenDataFile(path)};
    if (!fc.f) return SegmentFileResult::NotOpened;
    const long long fileLen = FileLength(fc.f);
    std::uint8_t head[kDibHeadersBytes];
    if (fileLen < long(kDibHeadersBytes) || std::fread(head, 1, sizeof head, fc.f) != sizeof head)
        return SegmentFileResult::Truncated;
    DibFileLayout layout;
    const DibCheck check = CheckDibHeaders(head, std::uint64_t(fileLen), layout);
    if (check == DibCheck::NotBitmap || check == DibCheck::Unsupported || layout.info.biBitCount != 8)
        return SegmentFileResult::BadFormat;
    const std::int32_t w = layout.info.biWidth;
    const std::int32_t hgt = layout.info.biHeight;
    if (w != side || hgt != side) return SegmentFileResult::BadSize;
    // Whole palette entries only.
    if (check != DibCheck::Ok || layout.paletteBytes % 4 != 0) return SegmentFileResult::BadFormat;

    for (RgbQuad& q : out.palette) q = RgbQuad();
    const std::size_t palBytes = layout.paletteBytes;
    std::uint8_t pal[1024];
    if (palBytes && std::fread(pal, 1, palBytes, fc.f) != palBytes) return SegmentFileResult::Truncated;
    for (std::size_t i = 0; i < palBytes / 4; ++i)
        out.palette[i] = {pal[4 * i], pal[4 * i + 1], pal[4 * i + 2], pal[4 * i + 3]};

    // The buffer holds exactly the rows the cache expects, whatever the file
    // header's size field claims.
    const std::size_t size = std::size_t(DibStride(w)) * std::size_t(hgt);
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[size]());
    if (!pixels) return SegmentFileResult::NoMemory;
    const std::size_t got = std::fread(pixels.get(), 1, size, fc.f);
    out.data = std::move(pixels);
    out.size = size;
    return got == size ? SegmentFileResult::Ok : SegmentFileResult::Truncated;
}
