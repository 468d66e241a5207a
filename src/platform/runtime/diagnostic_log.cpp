#include "platform/runtime/diagnostic_log.h"

#include <cstdio>

namespace {

DiagnosticSink g_sink = nullptr;

} // namespace

void set_diagnostic_sink(DiagnosticSink sink) { g_sink = sink; }

void report_diagnostic(const std::string& text)
{
    if (g_sink != nullptr) {
        g_sink(text);
        return;
    }
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}
