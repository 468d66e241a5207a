// End-to-end runs of the real player under the test display.
#include <gtest/gtest.h>
#include <thread>

#include <cstdlib>
#include <memory>
#include <unistd.h>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/x11_driver.h"
#include "util/data/datafile.h"

namespace {
const std::string PLAYER = std::string(PELLORVANE_BINARY_DIR) + "/pellorvane";

// The player reads data.qxv from its working folder: the build's own when the packer made one,
// else a small one packed here.
std::string player_folder()
{
    static std::unique_ptr<TempDir> packed;
    std::string build_data = std::string(PELLORVANE_BINARY_DIR) + "/data.qxv";
    if (access(build_data.c_str(), R_OK) == 0) return PELLORVANE_BINARY_DIR;
    if (!packed) {
        packed = std::make_unique<TempDir>();
        packed->write("data/readme.txt", "packed for the player's test\n");
        std::string dir = packed->path();
        run_in_child([dir] {
            if (chdir(dir.c_str()) != 0) std::_Exit(2);
            DataFile::set_mode(DATAFILE_MODE_WRITE);
            std::free(DataFile::load_file("data/readme.txt", "rb", nullptr, true));
            DataFile::write("data.qxv");
            DataFile::delete_temp_files();
        });
    }
    return packed->path();
}
} // namespace

TEST(PlayerEndToEnd, WindowIsTitledAndEscapeEndsWithZero)
{
    std::string folder = player_folder();
    ChildResult result;
    std::thread player([&] { result = run_program({PLAYER}, {}, folder, 120); });
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
