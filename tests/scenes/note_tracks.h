// Note data for the scene tests: named MIDI tracks of held notes, at 96 ticks a beat.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "util/music/music_fixtures.h"

namespace fixtures {

struct HeldNote {
    int pitch;
    double on, off; // beats
};

inline std::string varlen(uint32_t value)
{
    std::string out(1, static_cast<char>(value & 0x7F));
    while ((value >>= 7) != 0)
        out.insert(out.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    return out;
}

// One named track of notes on a channel (note-off as a note-on of velocity 0).
inline std::string held_notes_track(const std::string& name, int channel, const std::vector<HeldNote>& notes)
{
    std::vector<std::tuple<int, int, int>> events; // tick, 0 off / 1 on, pitch
    for (const HeldNote& n : notes) {
        events.emplace_back(static_cast<int>(n.on * 96), 1, n.pitch);
        events.emplace_back(static_cast<int>(n.off * 96), 0, n.pitch);
    }
    std::sort(events.begin(), events.end());
    std::string out = bytes({0x00, 0xFF, 0x03, int(name.size())}) + name;
    int now = 0;
    for (const auto& e : events) {
        out += varlen(static_cast<uint32_t>(std::get<0>(e) - now));
        now = std::get<0>(e);
        out += bytes({0x90 | channel, std::get<2>(e), std::get<1>(e) ? 100 : 0});
    }
    return midi_chunk(out + bytes({0x00, 0xFF, 0x2F, 0x00}));
}

// A format-1 file of such tracks.
inline std::string held_notes_file(const std::vector<std::string>& tracks)
{
    std::string out = midi_header(static_cast<int>(tracks.size()));
    for (const std::string& track : tracks)
        out += track;
    return out;
}

} // namespace fixtures
