#pragma once
// Little-endian fields of stored files, read and written byte by byte so that
// neither alignment nor the machine's byte order matters.

#include <cstdint>

inline std::uint16_t LoadLE16(const void* p) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return std::uint16_t(b[0] | b[1] << 8);
}
inline std::uint32_t LoadLE32(const void* p) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}
inline std::int32_t LoadLE32s(const void* p) { return std::int32_t(LoadLE32(p)); }
inline std::int16_t LoadLE16s(const void* p) { return std::int16_t(LoadLE16(p)); }
inline void StoreLE16(void* p, std::uint16_t v) {
    auto* b = static_cast<std::uint8_t*>(p);
    b[0] = std::uint8_t(v);
    b[1] = std::uint8_t(v >> 8);
}
inline void StoreLE32(void* p, std::uint32_t v) {
    auto* b = static_cast<std::uint8_t*>(p);
    for (int i = 0; i < 4; ++i) b[i] = std::uint8_t(v >> (8 * i));
}
