#include "util/error/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32/messagebox.h"

namespace {

// What a fatal report runs before the process ends: the clean-ups in the reverse order of
// their registration, then the end that replaces the exit (none in the program itself).
struct FatalState {
    std::vector<void (*)()> cleanups;
    void (*end)() = nullptr;
};

// Made on first use, so that a clean-up can be registered from any static initialiser.
FatalState& fatal_state()
{
    static FatalState state;
    return state;
}

[[noreturn]] void run_cleanups_and_exit()
{
    FatalState& state = fatal_state();
    for (auto it = state.cleanups.rbegin(); it != state.cleanups.rend(); ++it) (*it)();
    std::fflush(stdout);
    std::fflush(stderr);
    if (state.end != nullptr) state.end();
    std::_Exit(1);
}

} // namespace

void add_fatal_cleanup(void (*handler)())
{
    std::vector<void (*)()>& cleanups = fatal_state().cleanups;
    for (void (*known)() : cleanups) {
        if (known == handler) return;
    }
    cleanups.push_back(handler);
}

void set_fatal_end(void (*end)())
{
    fatal_state().end = end;
}

void fatal_error(const char* source, int line, const std::string& message)
{
    std::ostringstream caption;
    caption << "Error in file " << source << ":" << line;
    std::string text = caption.str() + "\n\n" + message;
    MessageBoxA(nullptr, text.c_str(), caption.str().c_str(), MB_OK);
    run_cleanups_and_exit();
}

void fatal_error_short(const char* source, int line)
{
    std::ostringstream text;
    text << "Error in file " << source << ":" << line << "\n";
    MessageBoxA(nullptr, text.str().c_str(), "Error", MB_OK);
    run_cleanups_and_exit();
}

std::string assert_text(const char* expression)
{
    return std::string("Failed assert ") + expression;
}

std::string null_text(const char* name)
{
    return std::string(name) + " is NULL";
}
