// Drives windows of the X display that the tests run under, through xdotool and xprop.
#pragma once

#include <string>

// The id of the first visible window whose name matches, waiting up to timeout_seconds;
// empty when none appeared.
std::string wait_for_window(const std::string& name, int timeout_seconds);

// The window's WM_NAME as xprop reports it (the text between the quotes).
std::string window_title(const std::string& window_id);

// Sends a key (an xdotool key name such as "Escape" or "Return") to a window.
void send_key(const std::string& window_id, const std::string& key);

// Asks a window to close as a window manager's close box does (a WM_DELETE_WINDOW message);
// false when the display or the window cannot be reached.
bool send_close_request(const std::string& window_id);

// Output of a shell command (standard output only).
std::string shell_output(const std::string& command);
