#include "platform/win32/gtk_start.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <glib.h>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

#include "support/child_process.h"

namespace {

volatile sig_atomic_t g_earlier_handler_calls = 0;
void earlier_handler(int) { g_earlier_handler_calls = g_earlier_handler_calls + 1; }

void (*handler_of(int signal_number))(int)
{
    struct sigaction current;
    sigaction(signal_number, nullptr, &current);
    return current.sa_handler;
}

// Runs the default GLib loop for a while, or until the watch has been called that often.
void run_loop_for(int milliseconds, const int& calls, int expected_calls = 1)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (calls < expected_calls && std::chrono::steady_clock::now() < deadline) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

// Each signal goes to the watch alone while it lives, however often it comes (a second Ctrl+C
// while the same window is up is taken like the first), and to the handler in place before
// (the video layer's, in the player) once the watch is gone.
TEST(GtkSignalWatch, SignalsReachTheLoopAndTheEarlierHandlerAfterwards)
{
    for (int signal_number : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal_number));
        ChildResult result = run_in_child([signal_number] {
            struct sigaction earlier = {};
            earlier.sa_handler = earlier_handler;
            sigaction(signal_number, &earlier, nullptr);
            int calls = 0;
            {
                GtkSignalWatch watch([&calls] { ++calls; });
                for (int sent = 1; sent <= 2; ++sent) {
                    kill(getpid(), signal_number);
                    run_loop_for(5000, calls, sent);
                    if (calls != sent) std::_Exit(1 + sent);
                    if (g_earlier_handler_calls != 0) std::_Exit(4);
                }
            }
            if (handler_of(signal_number) != earlier_handler) std::_Exit(5);
            kill(getpid(), signal_number);
            if (g_earlier_handler_calls != 1 || calls != 2) std::_Exit(6);
        });
        EXPECT_EQ(result.exit_code, 0) << result.err << " signal " << result.signal;
    }
}

// A program started with Ctrl+C ignored (a background job of a script) keeps ignoring it.
TEST(GtkSignalWatch, AnIgnoredSignalStaysIgnored)
{
    ChildResult result = run_in_child([] {
        signal(SIGINT, SIG_IGN);
        int calls = 0;
        {
            GtkSignalWatch watch([&calls] { ++calls; });
            if (handler_of(SIGINT) != SIG_IGN) std::_Exit(2);
            kill(getpid(), SIGINT);
            run_loop_for(300, calls);
            if (calls != 0) std::_Exit(3);
        }
        if (handler_of(SIGINT) != SIG_IGN) std::_Exit(4);
    });
    EXPECT_EQ(result.exit_code, 0) << result.err << " signal " << result.signal;
}
