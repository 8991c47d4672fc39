#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/MappedFile.h"

// A mapped file cut short by someone else: reading the pages it lost fails
// the read instead of ending the program, and reads after it work again.
TEST(MappedFile, ReadsOfPagesAFileLostFailInsteadOfEndingTheProgram) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("vorna-mapped-" + std::to_string(getpid()))).string();
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 3 * 4096), 0);
    ASSERT_EQ(pwrite(fd, "abc", 3, 2 * 4096), 3);
    CMappedFile mapped;
    ASSERT_TRUE(mapped.Map(fd));
    ASSERT_EQ(mapped.Size(), 3u * 4096);
    volatile char seen = 0;
    const auto readLastPage = [&] { seen = char(mapped.Data()[2 * 4096 + 1]); };
    EXPECT_TRUE(ReadMappedSafely(readLastPage));
    EXPECT_EQ(seen, 'b');
    ASSERT_EQ(ftruncate(fd, 4096), 0);
    EXPECT_FALSE(ReadMappedSafely(readLastPage));
    EXPECT_FALSE(ReadMappedSafely([&] { ReadMappedSafely(readLastPage) ? void() : readLastPage(); }));
    EXPECT_TRUE(ReadMappedSafely([&] { seen = char(mapped.Data()[10]); }));
    CMappedFile empty;
    ASSERT_EQ(ftruncate(fd, 0), 0);
    EXPECT_FALSE(empty.Map(fd));
    close(fd);
    std::filesystem::remove(path);
}

// A guarded read that throws must not leave its escape behind: a later bus
// error jumps out of the guard still running (or, with none, ends the
// program as any bus error does) instead of into the frame that has gone.
TEST(MappedFile, AGuardedReadThatThrowsLeavesNoEscapeBehind) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string path =
        (std::filesystem::temp_directory_path() / ("vorna-mapped-throw-" + std::to_string(getpid())))
            .string();
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 2 * 4096), 0);
    CMappedFile mapped;
    ASSERT_TRUE(mapped.Map(fd));
    ASSERT_EQ(ftruncate(fd, 4096), 0);
    volatile char seen = 0;
    const auto readLostPage = [&] { seen = char(mapped.Data()[4096 + 1]); };
    const auto throwing = [] { throw std::runtime_error("read failed"); };

    bool caught = false;
    EXPECT_FALSE(ReadMappedSafely([&] {
        try {
            ReadMappedSafely(throwing);
        } catch (const std::runtime_error&) {
            caught = true;
        }
        readLostPage();
    }));
    EXPECT_TRUE(caught);
    // Unguarded, the bus error ends the program (the sanitizers report it
    // and exit) instead of returning into the gone frame.
    EXPECT_DEATH(
        {
            try {
                ReadMappedSafely(throwing);
            } catch (const std::runtime_error&) {
            }
            readLostPage();
            std::exit(0);
        },
        "");
    close(fd);
    std::filesystem::remove(path);
}
