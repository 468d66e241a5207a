// The fatal error report: a message box, then exit code 1.
//
// The caption is "Error in file " + source + ":" + line, the text the caption, "\n\n" and the
// message. Source paths are the program's own module names in backslash form
// ("src\\main"), so reports read the same on every platform.
// Reports that have a line of their own name it as a fixed number (fatal_error(SOURCE, 620,
// ...)) rather than __LINE__: captions are part of what the user and the tests see, so they
// must not move when our source is edited. FATAL_ERROR serves the reports without one.
#pragma once

#include <sstream>
#include <string>

[[noreturn]] void fatal_error(const char* source, int line, const std::string& message);

// Short form: caption "Error", text "Error in file " + source + ":" + line and a line break.
[[noreturn]] void fatal_error_short(const char* source, int line);

// "Failed assert " + the expression's text.
std::string assert_text(const char* expression);

// "Failed assert " + expression, then for each side "\n " + side + " is " + value.
template <typename A, typename B>
std::string assert_compare_text(const char* expression, const char* left_text, const A& left,
                                const char* right_text, const B& right)
{
    std::ostringstream text;
    text << "Failed assert " << expression << "\n " << left_text << " is " << left << "\n "
         << right_text << " is " << right;
    return text.str();
}

// The name of a variable + " is NULL".
std::string null_text(const char* name);

// Runs at exit of a fatal report, before the process ends (the data layer removes its
// temporary files there). Handlers run in reverse order of registration.
void add_fatal_cleanup(void (*handler)());

// Where a report ends once its clean-up has run: by default the process, with exit code 1. A
// harness that feeds many inputs to one process installs an end that leaves only the current
// input (it throws, and the harness catches); an end that returns still ends the process.
// Null restores the default.
void set_fatal_end(void (*end)());

// Where no line is given for a report, the line of the report in our own source serves.
#define FATAL_ERROR(source, message) fatal_error((source), __LINE__, (message))
