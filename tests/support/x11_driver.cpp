#include "support/x11_driver.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <thread>

std::string shell_output(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    pclose(pipe);
    return output;
}

std::string wait_for_window(const std::string& name, int timeout_seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    for (;;) {
        std::string ids = shell_output("xdotool search --onlyvisible --name '^" + name + "$' 2>/dev/null");
        size_t end = ids.find('\n');
        if (end != std::string::npos && end > 0) return ids.substr(0, end);
        if (std::chrono::steady_clock::now() >= deadline) return std::string();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

std::string window_title(const std::string& window_id)
{
    std::string line = shell_output("xprop -id " + window_id + " WM_NAME 2>/dev/null");
    size_t first = line.find('"');
    size_t last = line.rfind('"');
    if (first == std::string::npos || last == first) return std::string();
    return line.substr(first + 1, last - first - 1);
}

void send_key(const std::string& window_id, const std::string& key)
{
    // Without a window manager only the focused window gets real (XTEST) key events.
    shell_output("xdotool windowfocus " + window_id + " >/dev/null 2>&1; xdotool key " + key +
                 " >/dev/null 2>&1");
}

bool send_close_request(const std::string& window_id)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    Window window = static_cast<Window>(std::stoul(window_id, nullptr, 0));
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent != 0;
}
