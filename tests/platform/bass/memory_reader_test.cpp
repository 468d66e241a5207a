#include "platform/bass/memory_reader.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

TEST(MemoryReader, ReadsStopAtTheEndAndSeeksStayInsideTheBlock)
{
    const std::string block = "0123456789";
    MemoryReader reader(block.data(), block.size());
    char out[16] = {};
    EXPECT_EQ(reader.read(out, 4), 4u);
    EXPECT_EQ(std::string(out, 4), "0123");

    struct SeekCase {
        std::int64_t offset;
        int whence;
        std::int64_t result; // -1: refused, the position stays
        std::size_t position;
    };
    const SeekCase seeks[] = {
        {2, SEEK_CUR, 6, 6},   {-1, SEEK_END, 9, 9},  {0, SEEK_END, 10, 10}, {1, SEEK_END, -1, 10},
        {-11, SEEK_CUR, -1, 10}, {3, SEEK_SET, 3, 3}, {-1, SEEK_SET, -1, 3},  {0, 99, -1, 3},
    };
    for (const SeekCase& c : seeks) {
        EXPECT_EQ(reader.seek(c.offset, c.whence), c.result) << c.offset << " " << c.whence;
        EXPECT_EQ(reader.tell(), c.position) << c.offset << " " << c.whence;
    }

    EXPECT_EQ(reader.read(out, sizeof out), 7u) << "only what is left";
    EXPECT_EQ(std::string(out, 7), "3456789");
    EXPECT_EQ(reader.read(out, 1), 0u);
}
