#include "platform/runtime/diagnostic_log.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace {

std::vector<std::string> g_reported;
void collect(const std::string& text) { g_reported.push_back(text); }

} // namespace

TEST(DiagnosticLog, ReportsGoToTheSinkOrElseToStandardOutput)
{
    ChildResult plain = run_in_child([] { report_diagnostic("No sound device"); });
    EXPECT_EQ(plain.exit_code, 0);
    EXPECT_EQ(plain.out, "No sound device\n");
    EXPECT_EQ(plain.err, "") << "standard error is the fatal report's";

    set_diagnostic_sink(collect);
    report_diagnostic("first");
    report_diagnostic("second");
    set_diagnostic_sink(nullptr);
    EXPECT_EQ(g_reported, (std::vector<std::string>{"first", "second"}));
}
