#include "platform/runtime/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// Made exclusively, with the usual permissions, under a name that a file already there or
// another process's replacement never takes: the path with this process's id and an attempt.
int create_beside(const std::string& path, std::string& made)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        made = path + "." + std::to_string(getpid()) + "." + std::to_string(attempt) + ".tmp";
        int descriptor = open(made.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST) return descriptor;
    }
    return -1;
}

bool write_whole(int descriptor, const unsigned char* bytes, size_t size)
{
    while (size > 0) {
        ssize_t written = write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

FileReplaceResult replace_file_contents(const char* path, const void* data, size_t size, FileReplaceSync sync)
{
    std::string made;
    const int descriptor = create_beside(path, made);
    if (descriptor < 0) return FileReplaceResult::NOT_CREATED;
    // A full disk shows at a write, at the sync or only at the close: each counts, so that a
    // cut-short file never takes the old one's place.
    bool complete = write_whole(descriptor, static_cast<const unsigned char*>(data), size);
    if (complete && sync == FileReplaceSync::ON_THE_DISK) complete = fsync(descriptor) == 0;
    if (close(descriptor) != 0) complete = false;
    if (!complete) {
        std::remove(made.c_str());
        return FileReplaceResult::NOT_WRITTEN;
    }
    if (std::rename(made.c_str(), path) != 0) {
        std::remove(made.c_str());
        return FileReplaceResult::NOT_CREATED;
    }
    return FileReplaceResult::WRITTEN;
}
