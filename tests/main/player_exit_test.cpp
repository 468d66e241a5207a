// End-to-end runs of the real player under the test display: Ctrl+C and SIGTERM end it
// whatever window is up, and a report shown in full screen can be answered.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <regex>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/types.h>
#include <thread>
#include <unistd.h>

#include "support/player_run.h"
#include "support/temp_dir.h"
#include "support/x11_driver.h"
#include "util/data/datafile.h"

namespace {

// A player that leaves its window up whatever it is sent is killed after this long.
const int STUCK_PLAYER_SECONDS = 60;

// Run in a folder without data.qxv, the data layer's report ends the start-up. Its caption
// names the line of the report in the source.
const char* const REPORT_CAPTION_START = "Error in file src\\util\\data\\data:";
const char* const REPORT_TEXT = "Failed to open data file data.qxv for reading.\n";
// The report's box, as xdotool finds it by name (a regular expression).
const char* const REPORT_WINDOW = "Error in file .*data:[0-9]*";

// The process that shows a window: GTK names it in the window's _NET_WM_PID.
pid_t window_process(const std::string& window_id)
{
    return static_cast<pid_t>(std::atol(shell_output("xdotool getwindowpid " + window_id + " 2>/dev/null").c_str()));
}

// Presses Enter in the setup dialog until it is gone (Run) and waits for a box of that name
// (a regular expression); its id, or empty when none appeared.
std::string run_into_box(const std::string& dialog, const char* box_name)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(STUCK_PLAYER_SECONDS);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string box = wait_for_window(box_name, 0);
        if (!box.empty()) return box;
        if (wait_for_window("Pellorvane", 0) == dialog) send_key(dialog, "Return");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    return std::string();
}

// The whole report with this caption, as the box writes it to standard error before it is
// shown.
std::string report_on_standard_error(const std::string& caption)
{
    return caption + "\n" + caption + "\n\n" + REPORT_TEXT + "\n";
}

} // namespace

TEST(PlayerExit, SignalsQuitTheSetupDialogWithZero)
{
    for (int signal_number : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal_number));
        // No data file: had the dialog gone on to run the show, its report would end it with 1.
        TempDir empty;
        PlayerRun player({}, empty.path(), STUCK_PLAYER_SECONDS);
        const std::string dialog = player.wait_for_dialog();
        ASSERT_FALSE(dialog.empty()) << "no setup dialog appeared: " << player.finish().err;
        const pid_t pid = window_process(dialog);
        ASSERT_GT(pid, 0);
        kill(pid, signal_number);
        const ChildResult& result = player.finish();
        EXPECT_EQ(result.exit_code, 0) << result.err;
        EXPECT_EQ(result.err.find("data file"), std::string::npos) << result.err;
    }
}

// A box that the dialog opens (Get mp3's report) is answered by the same signal that quits the
// dialog under it.
TEST(PlayerExit, ASignalEndsTheDialogAndItsBoxAtOnce)
{
    // A data file with a track to export.
    TempDir folder;
    folder.write("data/common/music/tune.mp3", "ID3 not really music");
    const std::string path = folder.path();
    run_in_child([path] {
        if (chdir(path.c_str()) != 0) std::_Exit(2);
        DataFile::set_mode(DATAFILE_MODE_WRITE);
        std::free(DataFile::load_file("data/common/music/tune.mp3", "rb", nullptr, false));
        DataFile::write("data.qxv");
    });
    PlayerRun player({"PELLORVANE_UNATTENDED=0"}, folder.path(), STUCK_PLAYER_SECONDS);
    const std::string dialog = player.wait_for_dialog();
    ASSERT_FALSE(dialog.empty()) << "no setup dialog appeared: " << player.finish().err;
    const pid_t pid = window_process(dialog);
    ASSERT_GT(pid, 0);
    std::string box;
    for (int attempt = 0; attempt < 20 && box.empty(); ++attempt) {
        send_key(dialog, "alt+m");
        box = wait_for_window("Success", 3);
    }
    ASSERT_FALSE(box.empty()) << "Get mp3 showed no box: " << player.finish().err;
    kill(pid, SIGTERM);
    const ChildResult& result = player.finish();
    EXPECT_EQ(result.exit_code, 0) << result.err;
}

// The dialog's watch gives both signals back to the video layer, so SIGTERM ends the show as a
// quit request does.
TEST(PlayerExit, SigtermEndsTheShowWithZero)
{
    TempDir sound;
    PlayerRun player(disk_audio_environment(sound.file("sound.raw")));
    const std::string dialog = player.wait_for_dialog();
    ASSERT_FALSE(dialog.empty()) << "no setup dialog appeared: " << player.finish().err;
    const pid_t pid = window_process(dialog);
    ASSERT_GT(pid, 0);
    ASSERT_FALSE(player.run_from_dialog().empty()) << "no show window appeared: " << player.finish().err;
    // SIGTERM during loading ends the player with 1 by design: wait until the music plays.
    EXPECT_TRUE(wait_for_music(sound.file("sound.raw")));
    kill(pid, SIGTERM);
    const ChildResult& result = player.finish();
    EXPECT_EQ(result.exit_code, 0) << result.err;
}

// In full screen (the dialog's default) the report's box is answered with Return as a user
// would, and the report ends the player as it always does.
TEST(PlayerExit, ReportInFullScreenIsAnsweredWithReturn)
{
    TempDir empty;
    PlayerRun player({"PELLORVANE_UNATTENDED=0"}, empty.path(), STUCK_PLAYER_SECONDS);
    const std::string dialog = player.wait_for_dialog();
    ASSERT_FALSE(dialog.empty()) << "no setup dialog appeared: " << player.finish().err;
    const std::string box = run_into_box(dialog, REPORT_WINDOW);
    ASSERT_FALSE(box.empty()) << "no report appeared: " << player.finish().err;
    const std::string caption = window_title(box);
    EXPECT_EQ(caption.rfind(REPORT_CAPTION_START, 0), 0u) << caption;
    player.press_until_exit(box, "Return");
    const ChildResult& result = player.finish();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_NE(result.err.find(report_on_standard_error(caption)), std::string::npos) << result.err;
}

// A signal answers a shown box as its close button would: a report's OK, so the report ends
// the player with 1; the missing-extension question's Cancel, so the show never loads.
TEST(PlayerExit, SignalsAnswerAShownBox)
{
    struct Case {
        const char* what;
        int signal_number;
        std::vector<std::string> environment;
        const char* window;
        const char* expected;
        const char* absent;
    };
    const Case cases[] = {
        {"report, SIGINT", SIGINT, {}, REPORT_WINDOW, REPORT_TEXT, nullptr},
        {"report, SIGTERM", SIGTERM, {}, REPORT_WINDOW, REPORT_TEXT, nullptr},
        {"question, SIGTERM", SIGTERM, {"MESA_EXTENSION_OVERRIDE=-GL_ARB_point_sprite"}, "Missing extension.*",
         "Missing extension(s)\n", "data file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir empty;
        std::vector<std::string> environment = c.environment;
        environment.push_back("PELLORVANE_UNATTENDED=0");
        PlayerRun player(environment, empty.path(), STUCK_PLAYER_SECONDS);
        const std::string dialog = player.wait_for_dialog();
        ASSERT_FALSE(dialog.empty()) << "no setup dialog appeared: " << player.finish().err;
        const pid_t pid = window_process(dialog);
        ASSERT_GT(pid, 0);
        const std::string box = run_into_box(dialog, c.window);
        ASSERT_FALSE(box.empty()) << "no box appeared: " << player.finish().err;
        kill(pid, c.signal_number);
        const ChildResult& result = player.finish();
        EXPECT_EQ(result.exit_code, 1) << result.err;
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
        if (c.absent != nullptr) {
            EXPECT_EQ(result.err.find(c.absent), std::string::npos) << result.err;
        }
    }
}

// Where the driver lacks extensions (here Mesa told to leave out point sprites, which takes
// the frame buffer objects and more with it), the question's OK goes on as far as the driver
// allows: the first GL function the player calls that the driver does not give ends it with a
// report naming that function, never with a crash. Cancel ends it at once, as always. Where
// the missing extension brings no function (anisotropic filtering), OK plays the show.
TEST(PlayerExit, ExtensionQuestionOkGoesOnAsFarAsTheDriverAllowsAndCancelEnds)
{
    const std::string override_extensions = "MESA_EXTENSION_OVERRIDE=-GL_ARB_point_sprite";
    const std::regex missing_function_report("Error in file src\\\\main\\\\gl_entry_points:[0-9]+\n\n"
                                             "GL function gl[A-Za-z0-9]+ not supported by the driver; "
                                             "the demo cannot go on without it\n");
    {
        SCOPED_TRACE("OK");
        PlayerRun player({override_extensions, "PELLORVANE_UNATTENDED=1"}, "", STUCK_PLAYER_SECONDS);
        ASSERT_FALSE(player.wait_for_dialog().empty()) << "no setup dialog appeared: " << player.finish().err;
        // The report may end the player before its window is ever seen.
        player.run_from_dialog();
        const ChildResult& result = player.finish();
        EXPECT_EQ(result.signal, 0) << result.err;
        EXPECT_EQ(result.exit_code, 1) << result.err;
        EXPECT_NE(result.err.find("Missing extension(s)\n"), std::string::npos) << result.err;
        EXPECT_TRUE(std::regex_search(result.err, missing_function_report)) << result.err;
    }
    {
        SCOPED_TRACE("Cancel");
        PlayerRun player({override_extensions, "PELLORVANE_UNATTENDED=0"}, "", STUCK_PLAYER_SECONDS);
        const std::string dialog = player.wait_for_dialog();
        ASSERT_FALSE(dialog.empty()) << "no setup dialog appeared: " << player.finish().err;
        const std::string box = run_into_box(dialog, "Missing extension.*");
        ASSERT_FALSE(box.empty()) << "no question appeared: " << player.finish().err;
        player.press_until_exit(box, "Escape");
        const ChildResult& result = player.finish();
        EXPECT_EQ(result.signal, 0) << result.err;
        EXPECT_EQ(result.exit_code, 1) << result.err;
        EXPECT_NE(result.err.find("Missing extension(s)\n"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("GL function"), std::string::npos) << result.err;
    }
    {
        SCOPED_TRACE("OK without a missing function");
        TempDir sound;
        std::vector<std::string> environment = disk_audio_environment(sound.file("sound.raw"));
        environment.push_back("MESA_EXTENSION_OVERRIDE=-GL_EXT_texture_filter_anisotropic");
        environment.push_back("PELLORVANE_UNATTENDED=1");
        PlayerRun player(environment);
        const std::string window = player.run_from_dialog();
        ASSERT_FALSE(window.empty()) << "no show window appeared: " << player.finish().err;
        EXPECT_TRUE(wait_for_music(sound.file("sound.raw")));
        player.press_until_exit(window, "Escape");
        const ChildResult& result = player.finish();
        EXPECT_EQ(result.exit_code, 0) << result.err;
        EXPECT_NE(result.err.find("Extension GLEW_EXT_texture_filter_anisotropic not supported"), std::string::npos)
            << result.err;
    }
}
