#include "platform/win32/messagebox.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <cstdio>
#include <cstdlib>
#include <gtk/gtk.h>

#include "support/child_process.h"
#include "support/private_display.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the names above.
#include <X11/Xlib.h>

namespace {

// True when another client of the display can take the keyboard, that is nobody holds it.
bool keyboard_free()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    const bool taken = XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync,
                                     CurrentTime) == GrabSuccess;
    XUngrabKeyboard(display, CurrentTime);
    XCloseDisplay(display);
    return taken;
}

bool video_full_screen() { return (SDL_GetVideoSurface()->flags & SDL_FULLSCREEN) != 0; }

// What the box found while it was up.
struct WhileShown {
    bool seen = false;
    bool windowed = false;
    bool keyboard_free = false;
};

// Once the box is mapped: looks at the video window and the keyboard, then answers OK.
gboolean look_and_answer(gpointer data)
{
    WhileShown& shown = *static_cast<WhileShown*>(data);
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* box = nullptr;
    for (GList* w = windows; w != nullptr; w = w->next) {
        if (GTK_IS_DIALOG(w->data) && gtk_widget_get_mapped(GTK_WIDGET(w->data))) box = GTK_WIDGET(w->data);
    }
    g_list_free(windows);
    if (box == nullptr) return G_SOURCE_CONTINUE;
    shown.seen = true;
    shown.windowed = !video_full_screen();
    shown.keyboard_free = keyboard_free();
    gtk_dialog_response(GTK_DIALOG(box), IDOK);
    return G_SOURCE_REMOVE;
}

} // namespace

// Full screen holds the keyboard and pointer (as a grab does in a window), so a box is shown
// over a windowed video window that lets them go; once the box is answered the video window
// is as it was.
TEST(MessageBox, TheVideoWindowGivesTheInputBackWhileABoxIsUp)
{
    struct Case {
        const char* what;
        Uint32 video_flags;
        SDL_GrabMode grab;
    };
    const Case cases[] = {
        {"full screen", SDL_FULLSCREEN, SDL_GRAB_OFF},
        {"a window that grabs the input", 0, SDL_GRAB_ON},
    };
    PrivateDisplay screen;
    ASSERT_TRUE(screen.ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChildResult result = run_in_child([&c] {
            setenv("PELLORVANE_UNATTENDED", "0", 1);
            if (SDL_Init(SDL_INIT_VIDEO) < 0 || SDL_SetVideoMode(640, 480, 0, c.video_flags) == nullptr) std::_Exit(2);
            SDL_WM_GrabInput(c.grab);
            if (keyboard_free()) std::_Exit(3); // the hold this is about
            if (!gtk_init_check(nullptr, nullptr)) std::_Exit(4);
            WhileShown shown;
            g_timeout_add(50, look_and_answer, &shown);
            const int answer = MessageBoxA(nullptr, "text", "caption", MB_OK);
            // Each check that fails is named on standard error.
            const struct {
                const char* check;
                bool holds;
            } checks[] = {
                {"the box answered OK", answer == IDOK},
                {"the box was shown", shown.seen},
                {"the video window was windowed under the box", shown.windowed},
                {"the keyboard was free under the box", shown.keyboard_free},
                {"the video window is back as it was",
                 (SDL_GetVideoSurface()->flags & SDL_FULLSCREEN) == (c.video_flags & SDL_FULLSCREEN)},
                {"the grab is back as it was", SDL_WM_GrabInput(SDL_GRAB_QUERY) == c.grab},
                {"the keyboard is held again", !keyboard_free()},
            };
            int failed = 0;
            for (const auto& check : checks) {
                if (check.holds) continue;
                std::fprintf(stderr, "not so: %s\n", check.check);
                ++failed;
            }
            std::fflush(stderr);
            std::_Exit(failed == 0 ? 0 : 5);
        });
        EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
    }
}
