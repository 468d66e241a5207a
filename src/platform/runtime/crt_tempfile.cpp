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

// The files this process made, and whether the exit handler that removes them is registered.
struct TempFileState {
    std::vector<MadeFile> files;
    bool exit_handler_registered = false;
};

// Never destroyed: the exit handler that reads the list runs after static destructors of
// objects made later than its registration.
TempFileState& temp_file_state()
{
    static TempFileState* state = new TempFileState;
    return *state;
}

} // namespace

void crt_remove_tempfiles()
{
    pid_t self = getpid();
    for (const MadeFile& file : temp_file_state().files) {
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
    TempFileState& state = temp_file_state();
    state.files.push_back(MadeFile{pattern, getpid()});
    if (!state.exit_handler_registered) {
        std::atexit(crt_remove_tempfiles);
        state.exit_handler_registered = true;
    }
    return pattern;
}
