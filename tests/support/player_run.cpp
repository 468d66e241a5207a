#include "support/player_run.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <unistd.h>

#include "support/temp_dir.h"
#include "support/x11_driver.h"
#include "util/data/datafile.h"

namespace {
std::atomic<bool> g_player_running{false};
}

std::string player_data_folder()
{
    static std::unique_ptr<TempDir> packed;
    std::string build_data = std::string(PELLORVANE_BINARY_DIR) + "/data.qxv";
    if (access(build_data.c_str(), R_OK) == 0) return PELLORVANE_BINARY_DIR;
    if (!packed) {
        packed = std::make_unique<TempDir>();
        packed->write("data/readme.txt", "packed for the player's test\n");
        // The loading screen's logo, which start-up loads.
        const char* logo = "data/common/images/tarnholm_logo_16_9.png";
        packed->write(logo, read_file_bytes(std::string(PELLORVANE_BINARY_DIR) + "/" + logo));
        std::string dir = packed->path();
        run_in_child([dir, logo] {
            if (chdir(dir.c_str()) != 0) std::_Exit(2);
            DataFile::set_mode(DATAFILE_MODE_WRITE);
            std::free(DataFile::load_file("data/readme.txt", "rb", nullptr, true));
            std::free(DataFile::load_file(logo, "rb", nullptr, false));
            DataFile::write("data.qxv");
            DataFile::delete_temp_files();
        });
    }
    return packed->path();
}

std::vector<std::string> disk_audio_environment(const std::string& audio_file)
{
    return {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio_file, "SDL_DISKAUDIODELAY=20"};
}

bool wait_for_music(const std::string& audio_file, int timeout_seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    size_t checked = 0;
    while (std::chrono::steady_clock::now() < deadline && g_player_running) {
        std::string sound = read_file_bytes(audio_file);
        for (; checked < sound.size(); ++checked) {
            if (sound[checked] != 0) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

PlayerRun::PlayerRun(const std::vector<std::string>& environment, const std::string& working_directory,
                     int timeout_seconds)
{
    std::string folder = working_directory.empty() ? player_data_folder() : working_directory;
    std::string player = std::string(PELLORVANE_BINARY_DIR) + "/pellorvane";
    g_player_running = true;
    runner = std::thread([this, environment, folder, player, timeout_seconds] {
        result = run_program({player}, environment, folder, timeout_seconds);
        g_player_running = false;
    });
}

PlayerRun::~PlayerRun()
{
    finish();
}

std::string PlayerRun::wait_for_dialog(int timeout_seconds)
{
    dialog_id = wait_for_window("Pellorvane", timeout_seconds);
    return dialog_id;
}

std::string PlayerRun::run_from_dialog(int timeout_seconds)
{
    if (dialog_id.empty() && wait_for_dialog(timeout_seconds).empty()) return std::string();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    // Enter until the dialog is gone, then the next window of that name is the show's.
    for (;;) {
        std::string current = wait_for_window("Pellorvane", 0);
        if (current.empty() || current != dialog_id) break;
        if (!g_player_running || std::chrono::steady_clock::now() > deadline) return std::string();
        send_key(dialog_id, "Return");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    for (;;) {
        std::string current = wait_for_window("Pellorvane", 1);
        if (!current.empty() && current != dialog_id) return current;
        if (!g_player_running || std::chrono::steady_clock::now() > deadline) return std::string();
    }
}

void PlayerRun::press_until_exit(const std::string& window_id, const std::string& key)
{
    // A busy machine may take a while to map and focus the window: keep trying for a minute.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (g_player_running && std::chrono::steady_clock::now() < deadline) {
        send_key(window_id, key);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
}

const ChildResult& PlayerRun::finish()
{
    if (!finished) {
        if (runner.joinable()) runner.join();
        finished = true;
    }
    return result;
}
