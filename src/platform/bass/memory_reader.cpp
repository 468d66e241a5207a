#include "platform/bass/memory_reader.h"

#include <cstdio>
#include <cstring>

std::size_t MemoryReader::read(void* buffer, std::size_t count)
{
    if (count > left())
        count = left();
    if (count > 0)
        std::memcpy(buffer, bytes + position, count);
    position += count;
    return count;
}

std::int64_t MemoryReader::seek(std::int64_t offset, int whence)
{
    std::int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<std::int64_t>(position);
    else if (whence == SEEK_END)
        base = static_cast<std::int64_t>(length);
    else if (whence != SEEK_SET)
        return -1;
    std::int64_t target = base + offset;
    if (target < 0 || target > static_cast<std::int64_t>(length))
        return -1;
    position = static_cast<std::size_t>(target);
    return target;
}
