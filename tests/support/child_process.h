// Runs a piece of code in a forked child and collects what it printed and how it ended, for
// tests of fatal paths (exit code 1 and the report on standard error, byte for byte).
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ChildResult {
    int exit_code = -1;   // the exit status, or -1 when the child was killed by a signal
    int signal = 0;       // the signal that ended the child, 0 when it exited
    std::string out;      // standard output
    std::string err;      // standard error
};

// The body runs in the child; returning from it exits the child with code 0.
ChildResult run_in_child(const std::function<void()>& body);

// Each body in a child of its own, all running at the same time, so that cases that each
// start a program's worth of set-up (a window and its GL context) wait for the slowest of
// them rather than for all of them in turn. The results come in the order of the bodies.
std::vector<ChildResult> run_in_children(const std::vector<std::function<void()>>& bodies);

// Runs a program with arguments and extra environment entries ("NAME=value"), with an
// optional working directory, waiting at most timeout_seconds (then it is killed).
ChildResult run_program(const std::vector<std::string>& argv,
                        const std::vector<std::string>& environment = {},
                        const std::string& working_directory = "", int timeout_seconds = 120);
