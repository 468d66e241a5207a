#include "util/music/music.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>

#include "music_fixtures.h"
#include "music_fixtures_audio.h"
#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"
#include "util/music/notedata.h"

using fixtures::BeatMusic;
using fixtures::bytes;

namespace {

const char* const MUSIC_SOURCE = "src\\util\\music\\music";
const std::string END_OF_TRACK = bytes({0x00, 0xFF, 0x2F, 0x00});

std::string named(const std::string& name, const std::string& events)
{
    return bytes({0x00, 0xFF, 0x03, int(name.size())}) + name + events + END_OF_TRACK;
}

// One music at 60 BPM over the test tune, with the note data of a MIDI file (96 ticks a beat).
struct NotesMusic {
    TempDir dir;
    std::unique_ptr<BeatMusic> music;

    explicit NotesMusic(const std::string& midi = "")
    {
        dir.write("tune.ogg", fixtures::short_ogg());
        music.reset(new BeatMusic(dir.file("tune.ogg").c_str(), 60.0f, 0.0f, false, 0));
        if (!midi.empty()) {
            dir.write("notes.mid", midi);
            music->load_midi(dir.file("notes.mid"));
        }
    }
    InstrumentTrack& track(int i) { return music->note_data->tracks.at(i); }
};

// Lead: C5 on at 1.0, off at 2.0; D5 on at 0.0, off at 0.5. Bass: E2 from 0.5 to 1.
std::string two_tracks()
{
    return fixtures::midi_file(
        {named("Lead", bytes({0x00, 0x90, 0x3E, 0x40, 0x30, 0x3E, 0x00, 0x30, 0x90, 0x3C, 0x40,
                              0x60, 0x3C, 0x00})),
         named("Bass", bytes({0x30, 0x91, 0x28, 0x40, 0x30, 0x28, 0x00}))});
}

} // namespace

TEST(MusicNotes, WithoutNoteData)
{
    NotesMusic plain;
    EXPECT_TRUE(plain.music->get_note_tracks(0).empty());
    EXPECT_TRUE(plain.music->get_note_states(0).empty());
    EXPECT_TRUE(plain.music->get_modulation(0, 1.0f).empty());
    Music* music = plain.music.get();
    struct Case {
        std::function<void()> query;
        const char* message;
    };
    const Case cases[] = {
        {[&] { music->get_track_count(); },
         "Attempted to get number of tracks without a valid MIDI file loaded!"},
        {[&] { music->get_track_name(0); }, "No valid MIDI file loaded!"},
        {[&] { music->find_track("Lead"); },
         "Attempted to get note lookup table without a valid MIDI file loaded!"},
        {[&] { music->get_onoff_times("Lead"); },
         "Attempted to get note states without a valid MIDI file loaded!"},
        {[&] { music->get_onoff_times(0); },
         "Attempted to get note states without a valid MIDI file loaded!"},
    };
    for (const Case& c : cases)
        fixtures::expect_fatal(run_in_child(c.query), MUSIC_SOURCE, c.message);
}

TEST(MusicNotes, TracksByNameAndIndex)
{
    NotesMusic notes(two_tracks());
    Music* music = notes.music.get();
    EXPECT_EQ(music->get_track_count(), 2);
    EXPECT_EQ(music->get_track_name(0), "Lead");
    EXPECT_EQ(music->get_track_name(1), "Bass");
    EXPECT_EQ(music->find_track("Bass"), 1);
    EXPECT_EQ(music->find_track("bass"), -1);
    EXPECT_EQ(music->find_track("Lea"), -1);
    std::vector<NoteTrack> lead = music->get_note_tracks(0);
    ASSERT_EQ(lead.size(), 2u);
    EXPECT_EQ(lead[0].name, "D5");
    EXPECT_EQ(lead[1].times, (std::vector<float>{1.0f, -2.0f}));

    struct Case {
        std::function<void()> query;
        std::string message;
    };
    const Case cases[] = {
        {[&] { music->get_note_tracks(2); }, "Track number out of bounds"},
        {[&] { music->get_note_tracks(-1); }, "Track number out of bounds"},
        {[&] { music->get_modulation(2, 1.0f); }, "Track number out of bounds"},
        {[&] { music->get_track_name(2); }, "Track number out of bounds"},
        {[&] { music->get_onoff_times(-1); }, "Track number out of bounds"},
        {[&] { music->get_controller_value(3, 1, 1.0f); }, "Track number out of bounds"},
        {[&] { music->get_note_states(2); }, "Track number 2 out of bounds, total tracks: 2"},
        {[&] { music->get_note_states(-1); },
         "Track number 4294967295 out of bounds, total tracks: 2"},
        {[&] { music->get_onoff_times("Drums"); }, "Could not find track Drums"},
    };
    for (const Case& c : cases)
        fixtures::expect_fatal(run_in_child(c.query), MUSIC_SOURCE, c.message);
}

TEST(MusicNotes, NoteStatesAtTheBoundaries)
{
    NotesMusic notes(two_tracks());
    struct Case {
        double beat;
        bool d5, c5; // D5 sounds 0..0.5 from an on at beat 0; C5 from 1.0 to 2.0
    };
    const Case cases[] = {
        {0.0, false, false}, {0.25, true, false}, {0.5, true, false},  {0.75, false, false},
        {1.0, false, false}, {1.5, false, true},  {2.0, false, true},  {2.5, false, false},
    };
    for (const Case& c : cases) {
        notes.music->set_beat(c.beat);
        std::vector<bool> states = notes.music->get_note_states(0);
        ASSERT_EQ(states.size(), 2u);
        EXPECT_EQ(states[0], c.d5) << c.beat;
        EXPECT_EQ(states[1], c.c5) << c.beat;
    }
    // A list that opens with an off at beat 0 (-0.0) is not sounding after it; one whose
    // events have all passed is not sounding either.
    notes.track(1).note_tracks[0].times = {-0.0f, 1.0f};
    notes.music->set_beat(0.5);
    EXPECT_EQ(notes.music->get_note_states(1), std::vector<bool>{false});
    notes.music->set_beat(1.5);
    EXPECT_EQ(notes.music->get_note_states(1), std::vector<bool>{false});
}

TEST(MusicNotes, OnOffTimesInterleaveAllNoteTracks)
{
    NotesMusic notes(two_tracks());
    NoteData& data = *notes.music->note_data;
    data.tracks[0].note_tracks[0].times = {0.5f, -1.0f, 3.0f, -4.0f};
    data.tracks[0].note_tracks[1].times = {1.0f, -2.5f};
    std::vector<float> expected = {0.5f, -1.0f, 1.0f, -2.5f, 3.0f, -4.0f};
    EXPECT_EQ(notes.music->get_onoff_times(0), expected);
    EXPECT_EQ(notes.music->get_onoff_times("Lead"), expected);

    data.tracks[0].note_tracks[1].times.clear(); // empty note tracks are skipped
    EXPECT_EQ(notes.music->get_onoff_times(0), (std::vector<float>{0.5f, -1.0f, 3.0f, -4.0f}));

    data.tracks[0].note_tracks[1].times = {1.0f, -2.0f, 3.0f};
    fixtures::expect_fatal(run_in_child([&] { notes.music->get_onoff_times(0); }), MUSIC_SOURCE,
                           "Broken note track 1, must be even number of entries for on/off pairs");
}

TEST(MusicNotes, ControllerValues)
{
    NotesMusic notes(fixtures::midi_file({named(
        "Lead", bytes({0x30, 0xB0, 0x01, 0x40, 0x30, 0x01, 0x7F, 0x00, 0x90, 0x3C, 0x40}))}));
    struct Case {
        int controller;
        float beat;
        int value;
    };
    const Case cases[] = {
        {1, 0.25f, -1}, {1, 0.5f, 64},  {1, 0.75f, 64}, {1, 1.0f, 127}, {1, 9.0f, 127},
        {2, 9.0f, -1},  {257, 0.5f, 64}, {200, 9.0f, -1}, {-1, 9.0f, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(notes.music->get_controller_value(0, c.controller, c.beat), c.value)
            << c.controller << " at " << c.beat;
}

TEST(MusicNotes, ModulationWithoutModulatorsIsTheHeldGate)
{
    NotesMusic notes(two_tracks());
    // Two ons then two offs: held from the first on to the second off.
    notes.track(1).note_tracks[0].times = {0.5f, 1.0f, -2.0f, -3.0f};
    struct Case {
        float beat;
        std::vector<float> lead, bass;
    };
    const Case cases[] = {
        {-0.5f, {0, 0}, {0}},  {0.0f, {0, 0}, {0}},   {0.25f, {1, 0}, {1 - 1}},
        {0.75f, {0, 0}, {1}},  {1.5f, {0, 1}, {1}},   {2.5f, {0, 0}, {1}},
        {3.5f, {0, 0}, {0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(notes.music->get_modulation(0, c.beat), c.lead) << c.beat;
        EXPECT_EQ(notes.music->get_modulation(1, c.beat), c.bass) << c.beat;
    }
}

TEST(MusicNotes, ModulationThroughModulators)
{
    NotesMusic notes(two_tracks());
    InstrumentTrack& bass = notes.track(1);
    bass.modulators.push_back(new ADSR(1.0f, SLOPE_LINEAR, 1.0f, SLOPE_LINEAR, 0.5f, 2.0f,
                                       SLOPE_LINEAR));
    struct Case {
        std::vector<float> times;
        float beat;
        float value;
    };
    const Case cases[] = {
        {{0.0f, -0.5f}, 1.5f, 0.25f},         // an on at beat 0 is an on: released at 0.5
        {{-0.0f, 1.0f, -9.0f}, 1.5f, 0.5f},   // an off at beat 0 is an off: attack from 1
        {{0.5f, 1.0f, -2.0f, -3.0f}, 2.5f, 0.5f}, // the first of two ons starts the note
        {{2.0f, -3.0f}, 1.0f, 0.0f},          // not played yet
        {{2.0f, -3.0f}, -1.0f, 0.0f},         // negative beat: modulators are not asked
    };
    for (const Case& c : cases) {
        bass.note_tracks[0].times = c.times;
        std::vector<float> values = notes.music->get_modulation(1, c.beat);
        ASSERT_EQ(values.size(), 1u);
        EXPECT_FLOAT_EQ(values[0], c.value) << c.beat;
    }

    // Modulators multiply; an oscillator's length follows its controller from the first
    // controller event on, and keeps its own length before it.
    InstrumentTrack& lead = notes.track(0);
    lead.note_tracks[1].times = {0.0f, -50.0f};
    lead.controllers[1].times = {1.0f};
    lead.controllers[1].values = {10};
    LFO* saw = new LFO(WAVE_SAW, 1, 1, 2, false); // two beats until the controller moves
    saw->add_range(0, 63, 1, 8, false);
    saw->add_range(63, 127, 1, 4, false);
    lead.modulators.push_back(saw);
    lead.modulators.push_back(new Modulator());
    EXPECT_FLOAT_EQ(notes.music->get_modulation(0, 0.75f)[1], 0.75f);
    EXPECT_FLOAT_EQ(notes.music->get_modulation(0, 1.25f)[1], 0.25f);
    EXPECT_EQ(saw->get_length(), 0.5f);
    EXPECT_EQ(notes.music->get_modulation(0, 1.25f)[0], 0.0f); // D5 is not held
}

TEST(MusicNotes, ModulationWithAnArpeggiator)
{
    NotesMusic notes(two_tracks());
    InstrumentTrack& lead = notes.track(0);
    lead.note_tracks.resize(3);
    lead.note_tracks[0].times = {0.0f, -10.0f, 12.0f, -14.0f};
    lead.note_tracks[1].times = {0.0f, -10.0f};
    lead.note_tracks[2].times = {0.0f, -10.0f};
    lead.modulators.push_back(new Arp(ARP_UPDOWN, 1, 1, 4, false)); // a step a beat
    struct Case {
        float beat;
        std::vector<float> values;
    };
    const Case cases[] = {
        {0.5f, {1, 0, 0}},  {1.5f, {0, 1, 0}},  {2.5f, {0, 0, 1}}, {3.5f, {0, 1, 0}},
        {4.5f, {1, 0, 0}},  {11.0f, {0, 0, 0}}, {13.0f, {1, 0, 0}}, {15.0f, {0, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(notes.music->get_modulation(0, c.beat), c.values) << c.beat;

    // With the second note alone held, it keeps its value.
    lead.note_tracks[0].times.clear();
    lead.note_tracks[1].times = {20.0f, -22.0f};
    EXPECT_EQ(notes.music->get_modulation(0, 21.0f), (std::vector<float>{0, 1, 0}));
}
