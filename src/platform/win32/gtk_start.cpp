#include "platform/win32/gtk_start.h"

#include <gtk/gtk.h>

bool start_gtk_once()
{
    static bool started = false;
    if (!started) started = gtk_init_check(nullptr, nullptr) != FALSE;
    return started;
}
