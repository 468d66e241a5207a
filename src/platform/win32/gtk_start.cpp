#include "platform/win32/gtk_start.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <utility>

bool start_gtk_once()
{
    static bool started = false;
    if (!started) started = gtk_init_check(nullptr, nullptr) != FALSE;
    return started;
}

namespace {

const int WATCHED_SIGNALS[] = {SIGINT, SIGTERM};

gboolean on_watched_signal(gpointer data)
{
    (*static_cast<std::function<void()>*>(data))();
    return G_SOURCE_CONTINUE;
}

bool ignored(const struct sigaction& action)
{
    return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

} // namespace

GtkSignalWatch::GtkSignalWatch(std::function<void()> handler) : on_signal(std::move(handler))
{
    static_assert(sizeof WATCHED_SIGNALS / sizeof WATCHED_SIGNALS[0] == WATCHED_COUNT,
                  "one saved disposition for each watched signal");
    for (int i = 0; i < WATCHED_COUNT; ++i) {
        sigaction(WATCHED_SIGNALS[i], nullptr, &previous[i]);
        if (ignored(previous[i])) continue;
        sources[i] = g_unix_signal_add(WATCHED_SIGNALS[i], on_watched_signal, &on_signal);
    }
}

GtkSignalWatch::~GtkSignalWatch()
{
    for (int i = 0; i < WATCHED_COUNT; ++i) {
        if (sources[i] == 0) continue;
        g_source_remove(sources[i]);
        // GLib sets a signal to its default action once its last watch goes, which would let
        // SIGTERM kill the show outright: the handler found at the start goes back instead.
        sigaction(WATCHED_SIGNALS[i], &previous[i], nullptr);
    }
}
