#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace gen {

bool read_file(const std::string& path, std::string& bytes, std::string& error)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

bool make_parent_dirs(const std::string& path, std::string& error)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
            error = "cannot create folder " + prefix + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool write_file(const std::string& path, const std::string& bytes, std::string& error)
{
    if (!make_parent_dirs(path, error))
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fclose(file) == 0) && ok;
    if (!ok)
        error = "cannot write " + path;
    return ok;
}

} // namespace gen
