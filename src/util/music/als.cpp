#include "util/music/als.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <utility>

#include <tinyxml.h>

#include "util/data/datafile.h"
#include "util/error/fatal.h"

namespace {

const char* const SOURCE = "src\\util\\music\\als";

// The sets are trusted no further than their root: a missing element on a path is reported
// by name instead of being followed.
const TiXmlElement* child(const TiXmlElement* parent, const char* name)
{
    const TiXmlElement* element = parent->FirstChildElement(name);
    if (element == nullptr)
        FATAL_ERROR(SOURCE, null_text(name));
    return element;
}

const char* value_text(const TiXmlElement* element)
{
    const char* value = element->Attribute("Value");
    if (value == nullptr)
        FATAL_ERROR(SOURCE, null_text((std::string(element->Value()) + " Value").c_str()));
    return value;
}

float real_attribute(const TiXmlElement* element, const char* name)
{
    double value = 0.0;
    if (element->QueryDoubleAttribute(name, &value) != TIXML_SUCCESS)
        FATAL_ERROR(SOURCE, null_text((std::string(element->Value()) + " " + name).c_str()));
    return static_cast<float>(value);
}

float real_value(const TiXmlElement* element)
{
    value_text(element);
    return real_attribute(element, "Value");
}

const float MAX_LOOP_PASSES = 1000000.0f;

[[noreturn]] void refuse_loop(float loop_length, const std::string& track_name)
{
    std::ostringstream message;
    message << "Loop length " << loop_length << " of a clip on track " << track_name
            << (loop_length > 0.0f ? " is too short for its clip" : " is not positive");
    FATAL_ERROR(SOURCE, message.str());
}

[[noreturn]] void refuse_note_count(const std::string& track_name)
{
    std::ostringstream message;
    message << "Live set unrolls to more than " << AlsNoteData::MAX_NOTE_EVENTS
            << " note events (at track " << track_name << ")";
    FATAL_ERROR(SOURCE, message.str());
}

struct GzipBuffer {
    char* data = nullptr;
    ~GzipBuffer() { std::free(data); }
};

// Notes of a looped clip are appended pass by pass, so a note late in the loop body can come
// after an earlier one of the next pass: the on/off pairs are put in order of their on time.
void sort_pairs(NoteTrack& note_track)
{
    std::vector<std::pair<float, float>> pairs;
    for (size_t i = 0; i + 1 < note_track.times.size(); i += 2)
        pairs.emplace_back(note_track.times[i], note_track.times[i + 1]);
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const std::pair<float, float>& a, const std::pair<float, float>& b) {
                         return a.first < b.first;
                     });
    for (size_t i = 0; i < pairs.size(); ++i) {
        note_track.times[2 * i] = pairs[i].first;
        note_track.times[2 * i + 1] = pairs[i].second;
    }
}

} // namespace

AlsNoteData::AlsNoteData(const std::string& path) : NoteData(path)
{
    int size = 0;
    GzipBuffer buffer;
    buffer.data = DataFile::load_gzip_file(path.c_str(), "rb", &size, false);

    TiXmlDocument document;
    if (!LoadBuffer(document, buffer.data, size))
        FATAL_ERROR(SOURCE, "Could not parse XML from " + path + ". Error='" +
                                document.ErrorDesc() + "'. Exiting.\n");

    const TiXmlNode* node = document.FirstChild("Ableton");
    if (node == nullptr)
        FATAL_ERROR(SOURCE, null_text("node"));
    const TiXmlElement* root = node->ToElement();
    if (root == nullptr)
        FATAL_ERROR(SOURCE, null_text("element"));

    const TiXmlElement* live_set = child(root, "LiveSet");
    read_tempo(child(child(child(live_set, "MasterTrack"), "DeviceChain"), "Mixer"));

    const TiXmlElement* track_list = child(live_set, "Tracks");
    for (const TiXmlElement* track = track_list->FirstChildElement("MidiTrack"); track != nullptr;
         track = track->NextSiblingElement("MidiTrack"))
        read_track(track);
}

void AlsNoteData::read_tempo(const TiXmlElement* mixer)
{
    tempo = real_value(child(child(mixer, "Tempo"), "Manual"));
}

void AlsNoteData::read_track(const TiXmlElement* midi_track)
{
    InstrumentTrack track;
    track.name = value_text(child(child(midi_track, "Name"), "EffectiveName"));

    const TiXmlElement* events = child(
        child(child(child(child(midi_track, "DeviceChain"), "MainSequencer"), "ClipTimeable"),
              "ArrangerAutomation"),
        "Events");
    for (const TiXmlElement* clip = events->FirstChildElement("MidiClip"); clip != nullptr;
         clip = clip->NextSiblingElement("MidiClip"))
        read_clip(clip, track);

    for (NoteTrack& note_track : track.note_tracks)
        sort_pairs(note_track);
    if (track.event_count > 0)
        tracks.push_back(track);
}

void AlsNoteData::read_clip(const TiXmlElement* clip, InstrumentTrack& track)
{
    float start = real_value(child(clip, "CurrentStart"));
    float end = real_value(child(clip, "CurrentEnd"));
    const TiXmlElement* loop = child(clip, "Loop");
    bool loop_on = std::string(value_text(child(loop, "LoopOn"))) == "true";
    float loop_length = real_value(child(loop, "LoopEnd")) - real_value(child(loop, "LoopStart"));
    // A loop that does not move forward would repeat its first pass for ever, and one far
    // shorter than its clip would take as long.
    if (loop_on && (!(loop_length > 0.0f) || (end - start) / loop_length > MAX_LOOP_PASSES))
        refuse_loop(loop_length, track.name);


    const TiXmlElement* key_tracks = child(child(clip, "Notes"), "KeyTracks");
    for (const TiXmlElement* key_track = key_tracks->FirstChildElement("KeyTrack");
         key_track != nullptr; key_track = key_track->NextSiblingElement("KeyTrack")) {
        const TiXmlElement* key = child(key_track, "MidiKey");
        value_text(key);
        int note = 0;
        if (key->QueryIntAttribute("Value", &note) != TIXML_SUCCESS || note < 0 || note > 127) {
            std::ostringstream message;
            message << "MIDI key " << key->Attribute("Value") << " out of range 0..127";
            FATAL_ERROR(SOURCE, message.str());
        }

        int note_track_idx = -1;
        for (size_t i = 0; i < track.note_tracks.size(); ++i) {
            if (track.note_tracks[i].note == note) {
                note_track_idx = static_cast<int>(i);
                break;
            }
        }
        if (note_track_idx < 0) {
            track.note_tracks.emplace_back();
            track.note_tracks.back().note = static_cast<uint8_t>(note);
            track.note_tracks.back().name = note_name(note);
            note_track_idx = static_cast<int>(track.note_tracks.size()) - 1;
        }
        if (note_track_idx < 0)
            FATAL_ERROR(SOURCE, assert_text("note_track_idx >= 0"));
        NoteTrack& note_track = track.note_tracks[static_cast<size_t>(note_track_idx)];

        const TiXmlElement* notes = child(key_track, "Notes");
        float offset = start;
        for (;;) {
            int pass_events = 0;
            for (const TiXmlElement* event = notes->FirstChildElement("MidiNoteEvent");
                 event != nullptr; event = event->NextSiblingElement("MidiNoteEvent")) {
                float on = offset + real_attribute(event, "Time");
                if (on >= end)
                    break;
                float off = on + real_attribute(event, "Duration");
                if (note_events == MAX_NOTE_EVENTS)
                    refuse_note_count(track.name);
                note_track.times.push_back(on);
                note_track.times.push_back(-off);
                ++track.event_count;
                ++note_events;
                ++pass_events;
            }
            // A pass ends at its first note at or past the clip end; the offset only grows,
            // so once a pass adds nothing, no later pass can.
            if (!loop_on || pass_events == 0)
                break;
            float next = offset + loop_length;
            if (!(next > offset))
                refuse_loop(loop_length, track.name);
            offset = next;
            if (!(offset <= end))
                break;
        }
    }
}
