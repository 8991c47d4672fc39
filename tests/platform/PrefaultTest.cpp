// Mapping in a buffer's pages ahead of writing leaves every byte, in the
// buffer and around it, as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/System.h"

TEST(PrefaultForWrite, KeepsTheBufferAndItsNeighbours) {
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 0}, {1, 10}, {3, 4096}, {100, 3 * 4096 + 17}, {4095, (1 << 21) + 5}};  // offset, size
    for (const auto& [offset, size] : cases) {
        std::vector<std::uint8_t> block(offset + size + 64);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = std::uint8_t(i * 131 + 7);
        PrefaultForWrite(block.data() + offset, size);
        std::size_t changed = 0;
        for (std::size_t i = 0; i < block.size(); ++i) changed += block[i] != std::uint8_t(i * 131 + 7);
        EXPECT_EQ(changed, 0u) << offset << "+" << size;
    }
    PrefaultForWrite(nullptr, 4096);  // nothing to map, no crash
}
