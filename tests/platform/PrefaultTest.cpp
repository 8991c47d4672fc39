// Mapping in a buffer's pages ahead of writing leaves every byte, in the
// buffer and around it, as it was; the processors a process may use.
#include <gtest/gtest.h>
#include <sched.h>

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

// A process held to fewer processors than the machine has counts only those
// (the segment reader and the icon painter start no threads on one).
TEST(UsableProcessors, FollowsTheProcessAffinity) {
    cpu_set_t old;
    ASSERT_EQ(sched_getaffinity(0, sizeof old, &old), 0);
    int first = -1, second = -1;
    for (int c = 0; c < CPU_SETSIZE && second < 0; ++c)
        if (CPU_ISSET(c, &old)) (first < 0 ? first : second) = c;
    for (const int held : {1, 2}) {
        if (held == 2 && second < 0) continue;
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(first, &set);
        if (held == 2) CPU_SET(second, &set);
        ASSERT_EQ(sched_setaffinity(0, sizeof set, &set), 0);
        EXPECT_EQ(UsableProcessors(), unsigned(held));
    }
    sched_setaffinity(0, sizeof old, &old);
    EXPECT_EQ(UsableProcessors(), unsigned(CPU_COUNT(&old)));
}
