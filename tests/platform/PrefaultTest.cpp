// Mapping in a buffer's pages ahead of writing must leave every byte, in
// the buffer and around it, as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/System.h"

namespace {

TEST(PrefaultForWrite, KeepsTheBufferAndItsNeighbours) {
    struct Case {
        std::size_t offset;  // into the allocation, so the range starts mid-page
        std::size_t size;
    };
    const Case cases[] = {
        {0, 0}, {1, 10}, {3, 4096}, {100, 3 * 4096 + 17}, {0, 1 << 20}, {4095, (1 << 21) + 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << "+" << c.size);
        const std::size_t total = c.offset + c.size + 64;
        std::vector<std::uint8_t> block(total);
        for (std::size_t i = 0; i < total; ++i) block[i] = std::uint8_t(i * 131 + 7);
        PrefaultForWrite(block.data() + c.offset, c.size);
        std::size_t changed = 0;
        for (std::size_t i = 0; i < total; ++i) changed += block[i] != std::uint8_t(i * 131 + 7);
        EXPECT_EQ(changed, 0u);
    }
    PrefaultForWrite(nullptr, 4096);  // nothing to map, no crash
}

}  // namespace
