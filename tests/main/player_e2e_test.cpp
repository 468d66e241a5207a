// End-to-end runs of the real player under the test display.
#include <gtest/gtest.h>
#include <thread>

#include "support/child_process.h"
#include "support/x11_driver.h"

namespace {
const std::string PLAYER = std::string(PELLORVANE_BINARY_DIR) + "/pellorvane";
}

TEST(PlayerEndToEnd, WindowIsTitledAndEscapeEndsWithZero)
{
    ChildResult result;
    std::thread player([&] { result = run_program({PLAYER}, {}, PELLORVANE_BINARY_DIR, 120); });
    std::string window = wait_for_window("Pellorvane", 60);
    EXPECT_FALSE(window.empty()) << "no Pellorvane window appeared";
    if (!window.empty()) {
        EXPECT_EQ(window_title(window), "Pellorvane");
        // Escape may arrive before the event loop runs; keep sending until the player is gone.
        for (int attempt = 0; attempt < 50 && !wait_for_window("Pellorvane", 0).empty(); ++attempt) {
            send_key(window, "Escape");
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
    player.join(); // without a window the player ends by itself or at the time-out
    EXPECT_EQ(result.exit_code, 0) << result.err;
    // Every GL extension the player needs is there, so no question was asked.
    EXPECT_EQ(result.err.find("Missing extension(s)"), std::string::npos) << result.err;
}

TEST(PlayerEndToEnd, VideoInitializationFailureIsFatal)
{
    ChildResult result = run_program({PLAYER}, {"SDL_VIDEODRIVER=no_such_driver"}, PELLORVANE_BINARY_DIR);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("Error in file src\\main:620\n"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Video initialization failed: "), std::string::npos) << result.err;
}
