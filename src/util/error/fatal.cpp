#include "util/error/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32/messagebox.h"

namespace {

std::vector<void (*)()>& cleanup_handlers()
{
    static std::vector<void (*)()> handlers;
    return handlers;
}

void (*g_fatal_end)() = nullptr;

[[noreturn]] void run_cleanups_and_exit()
{
    std::vector<void (*)()>& handlers = cleanup_handlers();
    for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) (*it)();
    std::fflush(stdout);
    std::fflush(stderr);
    if (g_fatal_end != nullptr) g_fatal_end();
    std::_Exit(1);
}

} // namespace

void add_fatal_cleanup(void (*handler)())
{
    for (void (*known)() : cleanup_handlers()) {
        if (known == handler) return;
    }
    cleanup_handlers().push_back(handler);
}

void set_fatal_end(void (*end)())
{
    g_fatal_end = end;
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
