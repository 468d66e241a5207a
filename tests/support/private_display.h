// A private Xvfb display for one test process, so that end-to-end runs in parallel never see
// each other's windows. While it lives, DISPLAY names it (for the program under test and for
// the xdotool and xprop calls of the test).
#pragma once

#include <string>
#include <sys/types.h>

class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool ok() const { return !name.empty(); }
    const std::string& display() const { return name; }

private:
    pid_t server = -1;
    std::string name;
    std::string previous;
    bool had_previous = false;
};
