#include "platform/runtime/crt_tempfile.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

struct MadeFile {
    std::string path;
    pid_t owner; // a forked child must not remove its parent's files
};

// Never destroyed: the exit handler that reads the list runs after static destructors of
// objects made later than its registration.
std::vector<MadeFile>& made_files()
{
    static std::vector<MadeFile>* files = new std::vector<MadeFile>;
    return *files;
}

} // namespace

void crt_remove_tempfiles()
{
    pid_t self = getpid();
    for (const MadeFile& file : made_files()) {
        if (file.owner == self) std::remove(file.path.c_str());
    }
}

std::string crt_tempnam()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                          "/pellorvane-XXXXXX";
    int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) return std::string();
    close(descriptor);
    // The list exists before the exit handler is registered, so it is destroyed after the
    // handler has run.
    made_files().push_back(MadeFile{pattern, getpid()});
    static bool at_exit_registered = false;
    if (!at_exit_registered) {
        std::atexit(crt_remove_tempfiles);
        at_exit_registered = true;
    }
    return pattern;
}
