// Runs the real player on a private display and walks it through the setup dialog.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/private_display.h"

// The folder the player runs in: the build's own when the packer made its data.qxv there,
// else a folder with a small data.qxv packed once per test process.
std::string player_data_folder();

// The environment entries that make the player write its sound into the given file (SDL's
// disk audio) instead of a device.
std::vector<std::string> disk_audio_environment(const std::string& audio_file);
// Waits until the sound written to that file holds a sample that is not silent: the music
// plays, so the loading is over and the show runs (Escape or a close request during loading
// ends the player with 1). False when that did not happen within timeout_seconds.
bool wait_for_music(const std::string& audio_file, int timeout_seconds = 180);

class PlayerRun {
public:
    // Starts the player (PELLORVANE_BINARY_DIR/pellorvane, in player_data_folder() unless
    // another folder is given) with extra environment entries.
    explicit PlayerRun(const std::vector<std::string>& environment = {}, const std::string& working_directory = "",
                       int timeout_seconds = 180);
    ~PlayerRun();

    // The setup dialog's window id, empty when none appeared in time.
    std::string wait_for_dialog(int timeout_seconds = 60);
    // Presses Enter in the dialog and waits for the show's window; its id, or empty.
    std::string run_from_dialog(int timeout_seconds = 60);
    // Sends a key to a window until the player has ended (or the attempts run out).
    void press_until_exit(const std::string& window_id, const std::string& key);
    // Waits for the player to end and returns how it ended.
    const ChildResult& finish();

    bool display_ok() const { return screen.ok(); }

private:
    PrivateDisplay screen; // first member: it outlives the player thread
    ChildResult result;
    std::thread runner;
    bool finished = false;
    std::string dialog_id;
};
