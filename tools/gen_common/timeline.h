// The show's timeline: one readable text file that holds every sync track's keys.
//
// Format, one statement a line, '#' starts a comment:
//   bpm 145                 tempo of the show (beats per minute)
//   length 638              length of the show in beats; the music is rendered to it
//   track NAME              starts the keys of a track (a track with no keys is allowed)
//   BEAT VALUE SHAPE        one key: position in beats (a multiple of 1/8, one row),
//                           the value, and how it runs to the next key:
//                           step, linear, smooth or ramp
// Keys of a track must stand in strictly increasing order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gen {

enum KeyShape { KEY_STEP = 0, KEY_LINEAR = 1, KEY_SMOOTH = 2, KEY_RAMP = 3 };

struct TimelineKey {
    int32_t row = 0;
    float value = 0.0f;
    uint8_t shape = KEY_STEP;
};

struct TimelineTrack {
    std::string name;
    std::vector<TimelineKey> keys;
};

struct Timeline {
    double bpm = 0.0;
    double length_beats = 0.0;
    std::vector<TimelineTrack> tracks;

    const TimelineTrack* find(const std::string& name) const;
};

constexpr int ROWS_PER_BEAT = 8;

// Parses the timeline text; false with "line N: what is wrong" in error.
bool parse_timeline(const std::string& text, Timeline& timeline, std::string& error);

// Reads and parses a timeline file.
bool load_timeline(const std::string& path, Timeline& timeline, std::string& error);

// The bytes of a ".track" file: u32 key count, then per key the row (i32), the value (f32)
// and the shape (u8), little-endian, packed.
std::string encode_track(const TimelineTrack& track);

// The file name of a track below a folder: folder + "/_" + name + ".track".
std::string track_file_name(const std::string& folder, const std::string& name);

} // namespace gen
