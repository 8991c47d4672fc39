#include "mapdraw/OverlayCache.h"

#include <algorithm>
#include <cstring>

#include "settings/AppSettings.h"

namespace {

constexpr std::uint64_t kMul[4] = {0x9FB21C651E98DF25ull, 0xD6E8FEB86659FD93ull, 0xA0761D6478BD642Full,
                                   0xE7037ED1A0B428DBull};

constexpr std::uint64_t kMul2 = 0xC4CEB9FE1A85EC53ull;

// One to one in h and in w. The second multiply after the fold makes the
// change a word leaves in the state depend on the data: with a multiply and
// a rotation alone, a change in a word's top bit moves on unchanged and a
// later word of the lane could cancel it.
inline std::uint64_t Step(std::uint64_t h, std::uint64_t w, std::uint64_t k) {
    h = (h ^ w) * k;
    h ^= h >> 32;
    return h * kMul2;
}

inline std::uint64_t Word(const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// Far beyond any screen; a larger clip is painted without a layer.
constexpr long long kMaxLayerPixels = 16LL << 20;

void PutRow(QRgb* dst, const QRgb* src, int n, QRgb tag) {
    for (int i = 0; i < n; ++i) {
        const QRgb v = src[i];
        dst[i] = (v & 0xFF000000u) == tag ? v | 0xFF000000u : dst[i];
    }
}

// Calls f(x0, x1, y0, y1) for each run of marked tiles in a tile row, cut to r.
template <class F>
void ForMarkedSpans(const TileMarks& m, const QRect& r, F f) {
    constexpr int k = TileMarks::kShift;
    for (int ty = r.top() >> k; ty <= r.bottom() >> k; ++ty) {
        const std::uint8_t* row = m.marked.data() + std::size_t(ty) * m.columns;
        const int y0 = std::max(ty << k, r.top()), y1 = std::min(((ty + 1) << k) - 1, r.bottom());
        const int last = r.right() >> k;
        for (int tx = r.left() >> k; tx <= last; ++tx) {
            if (!row[tx]) continue;
            int e = tx;
            while (e < last && row[e + 1]) ++e;
            f(std::max(tx << k, r.left()), std::min(((e + 1) << k) - 1, r.right()), y0, y1);
            tx = e;
        }
    }
}

}  // namespace

void OverlayHasher::Bytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    std::uint64_t* L = m_Key.lane;
    // The length first: "ab" then "c" differs from "a" then "bc".
    L[0] = Step(L[0], n, kMul[0]);
    std::uint64_t a = L[0], b = L[1], c = L[2], d = L[3];
    for (; n >= 32; n -= 32, p += 32) {
        a = Step(a, Word(p), kMul[0]);
        b = Step(b, Word(p + 8), kMul[1]);
        c = Step(c, Word(p + 16), kMul[2]);
        d = Step(d, Word(p + 24), kMul[3]);
    }
    L[0] = a, L[1] = b, L[2] = c, L[3] = d;
    int lane = 0;
    for (; n >= 8; n -= 8, p += 8, ++lane) L[lane] = Step(L[lane], Word(p), kMul[lane]);
    if (n > 0) {
        std::uint64_t w = 0;
        std::memcpy(&w, p, n);
        L[lane] = Step(L[lane], w, kMul[lane]);
    }
}

void HashAppearance(OverlayHasher& h, const CAppearanceSettings& a) {
    // Every field an overlay painter may read; the schemes colour the map only.
    h.Value(a.usePrinterColors);
    h.Value(a.wptDefaultOverride);
    h.Bytes(a.wptFont.data(), a.wptFont.size());
    h.Value(a.wptStyles);
    const int tail[] = {int(a.hiddenScreenColor),
                        int(a.hiddenPrintColor),
                        a.markerSize,
                        a.markerOutline,
                        a.labelDistance,
                        a.screenOpacity,
                        a.printOpacity,
                        int(a.trackScreenColor),
                        int(a.trackPrintColor),
                        int(a.trackSelScreenColor),
                        int(a.trackSelPrintColor),
                        a.trackThickness,
                        a.trackMarkerSize,
                        int(a.gpsInactiveColor),
                        a.gpsMarkerSize,
                        a.dmrMarkerSize};
    h.Value(tail);
}

void OverlayCache::Clear() {
    for (Slot& s : m_Slots) s.valid = false;  // the memory is kept for the next layer
    m_Seen[0] = m_Seen[1] = OverlayKey{};
}

bool OverlayCache::Replay(DirectPixels& px, const OverlayKey& key) {
    m_Replayed = false;
    const QRect& clip = px.Clip();
    for (Slot& s : m_Slots) {
        if (!s.valid || !(s.key == key) || clip.isEmpty() || !s.clip.contains(clip)) continue;
        s.used = ++m_Clock;
        Put(s, px);
        m_Replayed = true;
        return true;
    }
    return false;
}

DirectPixels* OverlayCache::BeginLayer(DirectPixels& px, const OverlayKey& key) {
    const QRect clip = px.Clip();
    if (clip.isEmpty() || clip.left() < 0 || clip.top() < 0) return nullptr;
    const long long w = clip.right() + 1LL, h = clip.bottom() + 1LL;
    if (w * h > kMaxLayerPixels) return nullptr;
    // Drawn straight the first time; kept when the same picture comes again
    // within the next two paints (two panes may take turns).
    if (!(m_Seen[0] == key) && !(m_Seen[1] == key)) {
        m_Seen[1] = m_Seen[0];
        m_Seen[0] = key;
        return nullptr;
    }
    // The layer of this picture for a smaller clip, else a forgotten layer's
    // memory (the most recently used is warm), else the least recently used.
    Slot* s = nullptr;
    for (Slot& t : m_Slots)
        if (t.valid && t.key == key) s = &t;
    if (!s)
        for (Slot& t : m_Slots)
            if (!t.valid && (!s || t.used > s->used)) s = &t;
    if (!s) {
        s = &m_Slots[0];
        for (Slot& t : m_Slots)
            if (t.used < s->used) s = &t;
    }
    if (s->width != w || s->height != h) {
        s->pixels.assign(std::size_t(w * h), 0);
        s->width = int(w);
        s->height = int(h);
        s->marks.Reset(s->width, s->height);
        s->tag = 0;
    }
    if (++s->tag > 255) {
        std::fill(s->pixels.begin(), s->pixels.end(), QRgb(0));
        s->tag = 1;
    }
    std::fill(s->marks.marked.begin(), s->marks.marked.end(), std::uint8_t(0));
    s->valid = false;
    s->key = key;
    s->clip = clip;
    m_Drawing = s;
    m_Layer.emplace(s->pixels.data(), qsizetype(w) * qsizetype(sizeof(QRgb)), clip, s->marks, s->tag);
    return &*m_Layer;
}

void OverlayCache::EndLayer(DirectPixels& px) {
    Slot& s = *m_Drawing;
    Put(s, px);
    s.valid = true;
    s.used = ++m_Clock;
    m_Drawing = nullptr;
    m_Layer.reset();
}

void OverlayCache::Put(const Slot& s, DirectPixels& px) const {
    const QRgb tag = QRgb(s.tag) << 24;
    ForMarkedSpans(s.marks, px.Clip() & s.clip, [&](int x0, int x1, int y0, int y1) {
        for (int y = y0; y <= y1; ++y)
            PutRow(px.Row(y) + x0, s.pixels.data() + std::size_t(y) * s.width + x0, x1 - x0 + 1, tag);
    });
}
