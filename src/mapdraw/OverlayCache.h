#pragma once
// The waypoint and track layers kept between paints. A layer is keyed by a
// digest of everything its painter reads (the records themselves, the
// settings, the view), taken afresh at every paint: whatever changed a
// record, and however, the digest differs and the layer is drawn anew, so a
// stale layer is never shown. A repaint of unchanged data puts the kept
// pixels back instead of drawing thousands of shapes again.

#include <QRect>
#include <QRgb>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <vector>

#include "mapdraw/OverlayRaster.h"

struct OverlayKey {
    std::uint64_t lane[4] = {};
    friend bool operator==(const OverlayKey&, const OverlayKey&) = default;
};

// Four interleaved lanes of xor, multiply, fold and multiply: every step is
// one to one, so a change to any single word always changes the key, and a
// change to several is as likely to go unnoticed as two random 256-bit keys
// are to agree. About 4 bytes a cycle are taken in.
class OverlayHasher {
public:
    void Bytes(const void* data, std::size_t n);
    template <class T>
    void Value(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        Bytes(&v, sizeof v);
    }
    const OverlayKey& Key() const { return m_Key; }

private:
    OverlayKey m_Key{
        {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull, 0x27D4EB2F165667C5ull}};
};

struct CAppearanceSettings;
// The appearance fields the overlay painters read.
void HashAppearance(OverlayHasher& h, const CAppearanceSettings& a);

class OverlayCache {
public:
    // Paints into px (which must be usable) what draw(DirectPixels&) paints:
    // the kept layer when one was drawn under key for a clip holding px's.
    // Else draw runs straight on px the first time a key is seen, and on a
    // layer that is then put onto px and kept the second time: a scroll or
    // a drag, which change the key at every paint, pays nothing for it.
    template <class Draw>
    void Paint(DirectPixels& px, const OverlayKey& key, Draw&& draw) {
        if (Replay(px, key)) return;
        DirectPixels* layer = BeginLayer(px, key);
        if (!layer) {
            draw(px);
            return;
        }
        draw(*layer);
        EndLayer(px);
    }
    // Forgets every layer (tests and benchmarks that want a first paint).
    void Clear();
    // Whether the last Paint put a kept layer back (for tests).
    bool Replayed() const { return m_Replayed; }

private:
    struct Slot {
        bool valid = false;
        OverlayKey key;
        QRect clip;
        int width = 0, height = 0;  // the layer covers client (0, 0) .. (width - 1, height - 1)
        // Pixels drawn by the current layer carry its tag as alpha, so the
        // layer needs no clearing between drawings (only when tags run out).
        std::vector<QRgb> pixels;
        int tag = 0;
        TileMarks marks;
        unsigned long long used = 0;
    };
    bool Replay(DirectPixels& px, const OverlayKey& key);
    DirectPixels* BeginLayer(DirectPixels& px, const OverlayKey& key);
    void EndLayer(DirectPixels& px);
    void Put(const Slot& s, DirectPixels& px) const;

    // Two, so that the panes of "Two Maps" keep one each.
    Slot m_Slots[2];
    Slot* m_Drawing = nullptr;
    std::optional<DirectPixels> m_Layer;
    unsigned long long m_Clock = 0;
    OverlayKey m_Seen[2];  // the keys of the last paints drawn straight
    bool m_Replayed = false;
};
