// The show's music description and note data through the player's own readers: everything
// loads, every instrument track has its modulators, and every query the scenes make over the
// whole show answers without a fatal report.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "song.h"
#include "timeline.h"
#include "util/music/midi.h"
#include "util/music/modulators/modulator.h"
#include "support/show_fixture.h"
#include "support/show_timeline.h"
#include "util/music/music.h"

namespace {

const std::string MUSIC = std::string(PELLORVANE_BINARY_DIR) + "/data/common/music/";
const char* const INSTRUMENTS[] = {"Rave beeper", "Sub", "Sirene", "Kick", "Snare", "Hats", "Pad", "Lead"};

// The show's music with a clock the test sets.
class ShowMusic : public SteppedMusic {
public:
    using SteppedMusic::SteppedMusic;
    void set_beat(double beat) { position = static_cast<QWORD>(std::llround(beat * 60.0 / 145.0 * 44100.0) * 4); }
};

} // namespace

TEST(ProductionNotes, MidiReaderFindsTheInstrumentTracksWithPairedNotes)
{
    MidiNoteData notes(MUSIC + "tarnholm_quorel_system.mid");
    EXPECT_FLOAT_EQ(notes.tempo, 145.0f);
    ASSERT_EQ(notes.tracks.size(), std::size(INSTRUMENTS));
    for (size_t t = 0; t < notes.tracks.size(); ++t) {
        const InstrumentTrack& track = notes.tracks[t];
        EXPECT_EQ(track.name, INSTRUMENTS[t]);
        ASSERT_FALSE(track.note_tracks.empty()) << track.name;
        for (const NoteTrack& pitch : track.note_tracks) {
            // on, off, on, off ...: every note closed, none of length 0
            ASSERT_EQ(pitch.times.size() % 2, 0u) << track.name << " " << pitch.name;
            for (size_t i = 0; i < pitch.times.size(); i += 2) {
                EXPECT_GE(pitch.times[i], 0.0f) << track.name;
                EXPECT_LT(pitch.times[i + 1], 0.0f) << track.name;
                EXPECT_GT(-pitch.times[i + 1], pitch.times[i]) << track.name;
            }
        }
    }
}

TEST(ProductionNotes, DescriptionLoadsWholeAndEveryQueryAnswersThroughTheShow)
{
    gen::Timeline timeline = show_timeline::load();
    ShowMusic music((MUSIC + "tarnholm_quorel_system.xml").c_str(), 145.0f, 0.0f, false, 0);
    EXPECT_EQ(music.wave_format.nChannels, 2);
    EXPECT_EQ(music.wave_format.nSamplesPerSec, 44100u);
    EXPECT_EQ(music.wave_format.wBitsPerSample, 16);
    EXPECT_EQ(music.num_samples,
              2u * std::lround(timeline.length_beats * 60.0 / timeline.bpm * 44100.0));
    ASSERT_EQ(music.get_track_count(), static_cast<int>(std::size(INSTRUMENTS)));

    // Envelopes on every track, the siren's LFO on its controller, an arpeggio over the pad.
    const std::vector<Modulator*>& sirene = music.note_data->tracks[2].modulators;
    ASSERT_EQ(sirene.size(), 1u);
    EXPECT_EQ(sirene[0]->get_type(), MOD_TYPE_LFO);
    EXPECT_EQ(sirene[0]->get_controller(), gen::WOBBLE_CONTROLLER);
    const std::vector<Modulator*>& pad = music.note_data->tracks[6].modulators;
    ASSERT_EQ(pad.size(), 2u);
    EXPECT_EQ(pad[1]->get_type(), MOD_TYPE_ARP);
    for (int t = 0; t < music.get_track_count(); ++t)
        EXPECT_FALSE(music.note_data->tracks[t].modulators.empty()) << INSTRUMENTS[t];

    // The siren's LFO follows the wobble controller exactly as the synthesizer's wobble does.
    for (int value = 1; value < 128; ++value) {
        sirene[0]->set_controller_value(value);
        EXPECT_FLOAT_EQ(sirene[0]->get_length(),
                        static_cast<float>(gen::wobble_period_beats(value)))
            << "controller value " << value;
    }

    EXPECT_FALSE(music.get_onoff_times("Rave beeper").empty());
    for (const char* name : {"Rave beeper", "Sub", "Sirene"})
        EXPECT_GE(music.find_track(name), 0) << name;

    int sounding_frames = 0;
    for (double beat = 0.0; beat < timeline.length_beats; beat += 0.25) {
        music.set_beat(beat + 0.01);
        bool any = false;
        for (int t = 0; t < music.get_track_count(); ++t) {
            for (float v : music.get_modulation(t, static_cast<float>(beat) + 0.01f))
                ASSERT_TRUE(std::isfinite(v) && v >= 0.0f) << INSTRUMENTS[t] << " at " << beat;
            for (bool on : music.get_note_states(t))
                any = any || on;
        }
        sounding_frames += any;
    }
    // Notes sound through nearly all of the show.
    EXPECT_GT(sounding_frames, static_cast<int>(timeline.length_beats * 4 * 0.9));
}
