#pragma once

#include <functional>
#include <signal.h>

// Starts GTK for the process the first time a message box or dialog needs it. False where no
// display can be opened; a later call tries again.
bool start_gtk_once();

// While it lives, SIGINT (Ctrl+C) and SIGTERM are handled by the GTK loop: each one that
// arrives calls the given function from the loop, so that a window GTK shows can answer it as
// its user would. The video layer turns both signals into quit events, which nothing reads
// while GTK runs a window. When the watch goes, each signal gets back the disposition it had
// before; a signal the process was started to ignore stays ignored throughout.
class GtkSignalWatch {
public:
    explicit GtkSignalWatch(std::function<void()> on_signal);
    ~GtkSignalWatch();
    GtkSignalWatch(const GtkSignalWatch&) = delete;
    GtkSignalWatch& operator=(const GtkSignalWatch&) = delete;

private:
    static constexpr int WATCHED_COUNT = 2;

    std::function<void()> on_signal;
    struct sigaction previous[WATCHED_COUNT];
    unsigned sources[WATCHED_COUNT] = {0, 0}; // 0 where the signal is not watched
};
