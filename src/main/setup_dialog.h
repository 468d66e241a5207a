// The setup dialog shown before the window opens: resolution, anti-aliasing, aspect ratio,
// full screen and vsync, the music export, and Run or Quit. Every choice is written into
// g_settings at once.
#pragma once

#include <SDL/SDL.h>

#include "platform/win32/dialog.h"

// Control ids of the dialog.
enum SetupDialogControl {
    SETUP_RUN = 1,
    SETUP_QUIT = 2,
    SETUP_RESOLUTION = 100,
    SETUP_FULLSCREEN = 101,
    SETUP_ANTIALIASING = 102,
    SETUP_VSYNC = 103,
    SETUP_ASPECT = 104,
    SETUP_GET_MP3 = 105,
    SETUP_GET_AVI = 106,
    SETUP_EDITOR_MODE = 107,
};

// Builds the template (malloc'd; free it with std::free), null when memory runs out.
void* build_setup_dialog_template();

// Runs the dialog; the id of the button that closed it, or -1 when it could not open.
INT_PTR run_setup_dialog(HINSTANCE instance, HWND owner);

INT_PTR setup_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Where the dialog asks for the display's modes (SDL_ListModes by default).
extern SDL_Rect** (*setup_dialog_list_modes)(SDL_PixelFormat* format, Uint32 flags);
