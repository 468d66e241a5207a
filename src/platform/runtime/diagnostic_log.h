// Where the platform layers report a condition worth a log line (no sound device, an AVI file
// left incomplete). Start-up routes the reports into the program's log; without a sink they
// go to standard output as plain lines (standard error is kept for the fatal report).
#pragma once

#include <string>

typedef void (*DiagnosticSink)(const std::string& text);
void set_diagnostic_sink(DiagnosticSink sink);

// One line of text, without its line break.
void report_diagnostic(const std::string& text);
