// The real show from a packed data file with the music's clock set by hand, for the programs
// that look at or time the show without playing it (show_shot, show_bench).
#pragma once

#include <memory>

#include "scenes/scenemanager.h"
#include "util/music/music.h"

namespace ShowSetup {

constexpr float BPM = 145.0f;
constexpr float ASPECT = 16.0f / 9.0f;

// A music whose playback position is only what set_row and set_time put there.
class HandSetMusic : public Music {
public:
    using Music::Music;

protected:
    QWORD read_position() override { return position; }
    bool write_position(QWORD bytes) override
    {
        position = bytes;
        return true;
    }

private:
    QWORD position = 0;
};

// Opens a double-buffered GL window of width x height without vertical sync and sets up
// GLEW. On failure it says why on standard error, prefixed with the program's name.
bool open_window(const char* program, int width, int height);

// Reads the packed data file (in the current folder's terms, as the player does) and builds
// the show's scene manager for the window, its music paused at 0. The data layer's temporary
// files go with close_show.
std::unique_ptr<SceneManager> open_show(const char* data_file, int width, int height);
void close_show(std::unique_ptr<SceneManager>& manager);

// Puts the music's clock at a beat (times before 0 count as 0).
void set_beat(SceneManager& manager, float beat);

} // namespace ShowSetup
