// End-to-end runs of the real player under the test display.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/child_process.h"
#include "support/player_run.h"
#include "support/temp_dir.h"
#include "support/x11_driver.h"

TEST(PlayerEndToEnd, DialogEscapeEndsWithZero)
{
    PlayerRun player;
    std::string dialog = player.wait_for_dialog();
    ASSERT_FALSE(dialog.empty()) << "no setup dialog appeared";
    EXPECT_EQ(window_title(dialog), "Pellorvane");
    player.press_until_exit(dialog, "Escape");
    const ChildResult& result = player.finish();
    EXPECT_EQ(result.exit_code, 0) << result.err;
    // Nothing after the dialog ran: no packed file was asked for.
    EXPECT_EQ(result.err.find("data file"), std::string::npos) << result.err;
}

TEST(PlayerEndToEnd, EnterRunsTheShowAndEscapeEndsIt)
{
    TempDir sound;
    PlayerRun player(disk_audio_environment(sound.file("sound.raw")));
    std::string window = player.run_from_dialog();
    ASSERT_FALSE(window.empty()) << "no show window appeared: " << player.finish().err;
    EXPECT_EQ(window_title(window), "Pellorvane");
    // Escape during loading ends the player with 1 by design: wait until the music plays.
    EXPECT_TRUE(wait_for_music(sound.file("sound.raw")));
    player.press_until_exit(window, "Escape");
    const ChildResult& result = player.finish();
    EXPECT_EQ(result.exit_code, 0) << result.err;
    // Every GL extension the player needs is there, so no question was asked.
    EXPECT_EQ(result.err.find("Missing extension(s)"), std::string::npos) << result.err;
}

TEST(PlayerEndToEnd, CloseRequestEndsTheShowWithZero)
{
    TempDir sound;
    PlayerRun player(disk_audio_environment(sound.file("sound.raw")));
    std::string window = player.run_from_dialog();
    ASSERT_FALSE(window.empty()) << "no show window appeared: " << player.finish().err;
    // A close request during loading ends the player with 1 by design: let the loading finish
    // first. The request may still arrive before the event loop runs; repeat it until the
    // window is gone.
    EXPECT_TRUE(wait_for_music(sound.file("sound.raw")));
    for (int attempt = 0; attempt < 100 && !wait_for_window("Pellorvane", 0).empty(); ++attempt) {
        send_close_request(window);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    const ChildResult& result = player.finish();
    EXPECT_EQ(result.exit_code, 0) << result.err;
}

TEST(PlayerEndToEnd, VideoInitializationFailureIsFatal)
{
    ChildResult result = run_program({std::string(PELLORVANE_BINARY_DIR) + "/pellorvane"},
                                     {"SDL_VIDEODRIVER=no_such_driver"}, PELLORVANE_BINARY_DIR);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("Error in file src\\main:620\n"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Video initialization failed: "), std::string::npos) << result.err;
}
