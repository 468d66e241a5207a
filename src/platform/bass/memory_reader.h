// A read position in a block of memory, for the decoders' stream callbacks: reads stop at the
// end of the block and seeks outside it fail, leaving the position as it was.
#pragma once

#include <cstddef>
#include <cstdint>

class MemoryReader {
public:
    MemoryReader(const void* data, std::size_t size)
        : bytes(static_cast<const unsigned char*>(data)), length(size)
    {
    }

    // Copies up to count bytes from the position on; the number copied.
    std::size_t read(void* buffer, std::size_t count);
    // SEEK_SET, SEEK_CUR or SEEK_END; the new position, or -1 when it would leave the block.
    std::int64_t seek(std::int64_t offset, int whence);
    std::size_t tell() const { return position; }
    std::size_t left() const { return length - position; }

private:
    const unsigned char* bytes;
    std::size_t length;
    std::size_t position = 0;
};
