#include "platform/win32/messagebox.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <SDL/SDL.h>
#include <gtk/gtk.h>

#include "platform/win32/gtk_start.h"

bool message_boxes_unattended()
{
    const char* value = std::getenv("PELLORVANE_UNATTENDED");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

namespace {

int default_answer(UINT type)
{
    switch (type & 0x0F) {
    case MB_YESNO: return IDYES;
    default: return IDOK;
    }
}

bool display_available()
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
}

// In full screen the video window holds the keyboard and the pointer (SDL grabs both there),
// so no other window could be answered. While a box is up the video window is windowed and
// lets go of the input; afterwards it is put back as it was.
class InputGivenBack {
public:
    InputGivenBack()
    {
        SDL_Surface* screen = SDL_GetVideoSurface();
        if (screen == nullptr) return;
        had_video = true;
        grab = SDL_WM_GrabInput(SDL_GRAB_QUERY);
        if ((screen->flags & SDL_FULLSCREEN) != 0) left_full_screen = SDL_WM_ToggleFullScreen(screen) != 0;
        SDL_WM_GrabInput(SDL_GRAB_OFF);
    }
    ~InputGivenBack()
    {
        if (!had_video) return;
        SDL_Surface* screen = SDL_GetVideoSurface();
        if (left_full_screen && screen != nullptr) SDL_WM_ToggleFullScreen(screen);
        SDL_WM_GrabInput(grab);
    }
    InputGivenBack(const InputGivenBack&) = delete;
    InputGivenBack& operator=(const InputGivenBack&) = delete;

private:
    bool had_video = false;
    bool left_full_screen = false;
    SDL_GrabMode grab = SDL_GRAB_OFF;
};

// Runs the box until it is answered and takes it down; the GTK response.
int run_box(GtkWidget* dialog)
{
    int response = GTK_RESPONSE_NONE;
    {
        // Ctrl+C or SIGTERM answers the box as its close button does.
        GtkSignalWatch signals([dialog] { gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT); });
        response = gtk_dialog_run(GTK_DIALOG(dialog));
    }
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
    return response;
}

int show_gtk_box(const char* text, const char* caption, UINT type)
{
    if (!start_gtk_once()) return default_answer(type);

    GtkMessageType message_type = GTK_MESSAGE_OTHER;
    switch (type & 0xF0) {
    case MB_ICONERROR: message_type = GTK_MESSAGE_ERROR; break;
    case MB_ICONQUESTION: message_type = GTK_MESSAGE_QUESTION; break;
    case MB_ICONWARNING: message_type = GTK_MESSAGE_WARNING; break;
    case MB_ICONINFORMATION: message_type = GTK_MESSAGE_INFO; break;
    default: break;
    }

    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, message_type,
                                               GTK_BUTTONS_NONE, "%s", text);
    gtk_window_set_title(GTK_WINDOW(dialog), caption);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    switch (type & 0x0F) {
    case MB_OKCANCEL:
        gtk_dialog_add_buttons(GTK_DIALOG(dialog), "OK", IDOK, "Cancel", IDCANCEL, nullptr);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), IDOK);
        break;
    case MB_YESNO:
        gtk_dialog_add_buttons(GTK_DIALOG(dialog), "Yes", IDYES, "No", IDNO, nullptr);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), IDYES);
        break;
    default:
        gtk_dialog_add_button(GTK_DIALOG(dialog), "OK", IDOK);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), IDOK);
        break;
    }

    InputGivenBack windowed;
    const int response = run_box(dialog);
    if (response == IDOK || response == IDCANCEL || response == IDYES || response == IDNO) {
        return response;
    }
    // Closing the box with its close button or Escape answers like Cancel (or No, or OK
    // where OK is the only button), as Windows does.
    switch (type & 0x0F) {
    case MB_OKCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    default: return IDOK;
    }
}

} // namespace

int MessageBoxA(HWND /*owner*/, const char* text, const char* caption, UINT type)
{
    if (text == nullptr) text = "";
    if (caption == nullptr) caption = "Error";
    std::fprintf(stderr, "%s\n%s\n", caption, text);
    std::fflush(stderr);

    if (message_boxes_unattended() || !display_available()) return default_answer(type);
    return show_gtk_box(text, caption, type);
}
