// The note queries of the music: note states, on/off times, controller values and the
// modulated value of every note track of an instrument track.
#include "util/music/music.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>

#include "util/error/fatal.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/modulator.h"
#include "util/music/notedata.h"

namespace {

const char* const SOURCE = "src\\util\\music\\music";

// An event is passed once the beat is strictly beyond its time.
bool passed(float event, float beat) { return std::fabs(event) < beat; }

// Ons are stored as +t and offs as -t; an off at beat 0 is -0.0, so the sign bit decides.
bool is_on(float event) { return !std::signbit(event); }

} // namespace

void Music::free_note_data()
{
    delete note_data;
    note_data = nullptr;
}

int Music::get_track_count()
{
    if (note_data == nullptr)
        FATAL_ERROR(SOURCE, "Attempted to get number of tracks without a valid MIDI file loaded!");
    return static_cast<int>(note_data->tracks.size());
}

std::string Music::get_track_name(int index)
{
    if (note_data == nullptr)
        FATAL_ERROR(SOURCE, "No valid MIDI file loaded!");
    if (static_cast<uint32_t>(index) >= note_data->tracks.size())
        FATAL_ERROR(SOURCE, "Track number out of bounds");
    return note_data->tracks[static_cast<size_t>(index)].name;
}

int Music::find_track(const char* name)
{
    if (note_data == nullptr)
        FATAL_ERROR(SOURCE,
                    "Attempted to get note lookup table without a valid MIDI file loaded!");
    for (size_t i = 0; i < note_data->tracks.size(); ++i) {
        if (note_data->tracks[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<NoteTrack> Music::get_note_tracks(int track)
{
    if (note_data == nullptr)
        return std::vector<NoteTrack>();
    if (static_cast<uint32_t>(track) >= note_data->tracks.size())
        FATAL_ERROR(SOURCE, "Track number out of bounds");
    return note_data->tracks[static_cast<size_t>(track)].note_tracks;
}

std::vector<bool> Music::get_note_states(int track)
{
    std::vector<bool> states;
    if (note_data == nullptr)
        return states;
    if (static_cast<uint32_t>(track) >= note_data->tracks.size()) {
        std::ostringstream message;
        message << "Track number " << static_cast<uint32_t>(track)
                << " out of bounds, total tracks: " << note_data->tracks.size();
        FATAL_ERROR(SOURCE, message.str());
    }
    float beat = get_beat();
    for (NoteTrack& note_track : note_data->tracks[static_cast<size_t>(track)].note_tracks) {
        const std::vector<float>& times = note_track.times;
        size_t k = 0;
        while (k < times.size() && passed(times[k], beat))
            ++k;
        note_track.current = static_cast<int>(k) - 1;
        // The last passed event decides; an on at beat 0 (+0.0) sounds, an off there does not.
        states.push_back(k > 0 && k < times.size() && is_on(times[k - 1]));
    }
    return states;
}

std::vector<float> Music::get_onoff_times(int track)
{
    if (note_data == nullptr)
        FATAL_ERROR(SOURCE, "Attempted to get note states without a valid MIDI file loaded!");
    if (static_cast<uint32_t>(track) >= note_data->tracks.size())
        FATAL_ERROR(SOURCE, "Track number out of bounds");

    std::vector<float> ret_onoff_pos;
    std::vector<float> ret_onoff_neg;
    const std::vector<NoteTrack>& note_tracks = note_data->tracks[static_cast<size_t>(track)].note_tracks;
    for (size_t i = 0; i < note_tracks.size(); ++i) {
        const std::vector<float>& times = note_tracks[i].times;
        if (times.empty())
            continue;
        if (times.size() % 2 != 0) {
            std::ostringstream message;
            message << "Broken note track " << i
                    << ", must be even number of entries for on/off pairs";
            FATAL_ERROR(SOURCE, message.str());
        }
        for (size_t j = 0; j < times.size(); j += 2) {
            ret_onoff_pos.push_back(times[j]);
            ret_onoff_neg.push_back(times[j + 1]);
        }
    }
    std::sort(ret_onoff_pos.begin(), ret_onoff_pos.end());
    std::sort(ret_onoff_neg.begin(), ret_onoff_neg.end());
    if (ret_onoff_pos.size() != ret_onoff_neg.size())
        FATAL_ERROR(SOURCE, assert_text("ret_onoff_pos.size() == ret_onoff_neg.size()"));

    std::vector<float> result;
    size_t n = ret_onoff_neg.size();
    for (size_t i = 0; i < n; ++i) {
        result.push_back(ret_onoff_pos[i]);
        result.push_back(ret_onoff_neg[n - 1 - i]);
    }
    return result;
}

std::vector<float> Music::get_onoff_times(const char* name)
{
    if (note_data == nullptr)
        FATAL_ERROR(SOURCE, "Attempted to get note states without a valid MIDI file loaded!");
    for (size_t i = 0; i < note_data->tracks.size(); ++i) {
        if (note_data->tracks[i].name == name)
            return get_onoff_times(static_cast<int>(i));
    }
    FATAL_ERROR(SOURCE, std::string("Could not find track ") + name);
}

int Music::get_controller_value(int track, int controller, float beat)
{
    if (note_data == nullptr)
        FATAL_ERROR(SOURCE, "No valid MIDI file loaded!");
    if (static_cast<uint32_t>(track) >= note_data->tracks.size())
        FATAL_ERROR(SOURCE, "Track number out of bounds");
    // The number is taken modulo 256; only 0..127 have event lists, the rest have no events.
    uint32_t number = static_cast<uint32_t>(controller) & 0xFF;
    if (number >= note_data->tracks[static_cast<size_t>(track)].controllers.size())
        return -1;
    const ControllerEvents& events = note_data->tracks[static_cast<size_t>(track)].controllers[number];
    int value = -1;
    for (size_t i = 0; i < events.times.size(); ++i) {
        if (events.times[i] > beat)
            break;
        value = events.values[i];
    }
    return value;
}

std::vector<float> Music::get_modulation(int track, float beat)
{
    std::vector<float> result;
    if (note_data == nullptr)
        return result;
    if (static_cast<uint32_t>(track) >= note_data->tracks.size())
        FATAL_ERROR(SOURCE, "Track number out of bounds");
    InstrumentTrack& instrument = note_data->tracks[static_cast<size_t>(track)];
    size_t count = instrument.note_tracks.size();
    if (beat < 0.0f)
        return std::vector<float>(count, 0.0f);

    float latest = -1.0f;
    std::vector<size_t> held;
    for (size_t j = 0; j < count; ++j) {
        const std::vector<float>& times = instrument.note_tracks[j].times;
        int n = 0;
        float on = -1.0f;
        float off = -1.0f;
        for (size_t e = 0; e < times.size() && passed(times[e], beat); ++e) {
            if (is_on(times[e])) {
                if (n == 0) {
                    on = times[e];
                    latest = std::max(latest, on);
                }
                ++n;
            } else {
                n = std::max(n - 1, 0);
                if (n == 0) {
                    off = std::fabs(times[e]);
                    latest = std::max(latest, off);
                }
            }
        }
        if (n >= 1)
            held.push_back(j);

        float value = n >= 1 ? 1.0f : 0.0f;
        if (!instrument.modulators.empty()) {
            value = 1.0f;
            for (Modulator* modulator : instrument.modulators) {
                if (modulator->get_controller() >= 0) {
                    int v = get_controller_value(track, modulator->get_controller(), beat);
                    if (v >= 0)
                        modulator->set_controller_value(v);
                }
                value *= modulator->get_value(bpm, beat, off, on);
            }
        }
        result.push_back(value);
    }

    for (Modulator* modulator : instrument.modulators) {
        if (modulator->get_type() != MOD_TYPE_ARP)
            continue;
        Arp* arp = static_cast<Arp*>(modulator);
        int step = arp->get_step(bpm, beat, latest, static_cast<int>(held.size()));
        for (size_t k = 0; k < result.size(); ++k) {
            bool keeps = !held.empty() && static_cast<size_t>(step) < held.size() &&
                         k == held[static_cast<size_t>(step)];
            if (!keeps)
                result[k] = 0.0f;
        }
    }
    return result;
}
