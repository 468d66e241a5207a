#include "util/error/fatal.h"

#include <gtest/gtest.h>
#include <regex>
#include <unistd.h>

#include "support/child_process.h"
#include "util/error/log.h"

TEST(FatalReport, FullFormExitsOneWithCaptionAndText)
{
    ChildResult result = run_in_child([] { fatal_error("src\\main", 620, "Video initialization failed: x"); });
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.err,
              "Error in file src\\main:620\n"
              "Error in file src\\main:620\n\nVideo initialization failed: x\n");
}

TEST(FatalReport, ShortFormEndsTextWithLineBreak)
{
    ChildResult result = run_in_child([] { fatal_error_short("src\\scenes\\scene", 170); });
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.err, "Error\nError in file src\\scenes\\scene:170\n\n");
}

namespace {
void write_marker() { (void)!write(2, "cleanup\n", 8); }
} // namespace

TEST(FatalReport, CleanupHandlersRunBeforeExit)
{
    ChildResult result = run_in_child([] {
        add_fatal_cleanup(write_marker);
        add_fatal_cleanup(write_marker); // registered once only
        fatal_error("src\\x", 1, "m");
    });
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.err, "Error in file src\\x:1\nError in file src\\x:1\n\nm\ncleanup\n");
}

namespace {
struct InputEnded {};
void end_input() { throw InputEnded{}; }
void end_nothing() {}
} // namespace

TEST(FatalReport, InstalledEndLeavesTheInputAfterCleanup)
{
    // An end that throws returns control to the caller after the clean-up, and the process
    // goes on to a second report; one that returns, or none, ends the process with code 1.
    ChildResult result = run_in_child([] {
        add_fatal_cleanup(write_marker);
        set_fatal_end(end_input);
        for (int input = 0; input < 2; ++input) {
            try {
                fatal_error_short("src\\x", input);
            } catch (const InputEnded&) {
                (void)!write(2, "caught\n", 7);
            }
        }
        set_fatal_end(end_nothing);
        fatal_error_short("src\\x", 2);
    });
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.err, "Error\nError in file src\\x:0\n\ncleanup\ncaught\n"
                          "Error\nError in file src\\x:1\n\ncleanup\ncaught\n"
                          "Error\nError in file src\\x:2\n\ncleanup\n");
}

TEST(FatalReport, AssertionAndNullTexts)
{
    EXPECT_EQ(assert_text("tex_loading"), "Failed assert tex_loading");
    EXPECT_EQ(assert_compare_text("DATAFILE_MODE_READ == mode", "DATAFILE_MODE_READ", 1, "mode", 2),
              "Failed assert DATAFILE_MODE_READ == mode\n DATAFILE_MODE_READ is 1\n mode is 2");
    EXPECT_EQ(null_text("tempbuf"), "tempbuf is NULL");
}

TEST(LogLine, StampFormatAndPercentHandling)
{
    EXPECT_TRUE(std::regex_match(log_time_stamp(),
                                 std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3})")));
    ChildResult result = run_in_child([] {
        log_line("rate 50%");
        log_format(" ..compression rate:    50.00 %%\n");
    });
    std::regex expected(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3} rate 50%\n)"
                        R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3}  \.\.compression rate:    50\.00 %\n)");
    EXPECT_TRUE(std::regex_match(result.out, expected)) << result.out;
}
