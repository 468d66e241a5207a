// The show's timeline keys the puzzle so that the cubes start scattered, travel and show the
// whole picture before the scene's stretch ends, while the beeper plays to make them glow.
#include <gtest/gtest.h>

#include <string>

#include "support/show_timeline.h"
#include "util/music/midi.h"

TEST(PicturePuzzleTimeline, TheCubesTravelAndAssembleWhileTheBeeperPlays)
{
    const gen::Timeline timeline = show_timeline::load();
    const show_timeline::Stretch stretch = show_timeline::stretch(timeline, "PicturePuzzle");
    ASSERT_LT(stretch.first, stretch.end);

    const float row = 1.0f / gen::ROWS_PER_BEAT;
    EXPECT_EQ(show_timeline::value(timeline, "puProgress", stretch.first, 0.0f), 0.0f) << "scattered at the start";
    float previous = 0.0f;
    float assembled = -1.0f; // the first beat that shows the last step
    float travelling = 0.0f; // beats between the start and the last step
    for (float beat : show_timeline::rows(stretch)) {
        const float p = show_timeline::value(timeline, "puProgress", beat, 0.0f);
        ASSERT_GE(p, 0.0f) << "the scene draws nothing at beat " << beat;
        ASSERT_GE(p, previous) << "the cubes go back at beat " << beat;
        previous = p;
        if (p > 0.0f && p < 1.0f) travelling += row;
        if (p >= 1.0f && assembled < 0.0f) assembled = beat;
    }
    EXPECT_GE(travelling, 16.0f);
    ASSERT_GE(assembled, 0.0f) << "the picture never assembles";
    EXPECT_LE(assembled + 4.0f, stretch.end) << "the whole picture shows too briefly";

    const std::string midi = std::string(PELLORVANE_BINARY_DIR) + "/data/common/music/tarnholm_quorel_system.mid";
    MidiNoteData notes(midi);
    int beeps = 0;
    for (const InstrumentTrack& track : notes.tracks) {
        if (track.name != "Rave beeper") continue;
        for (const NoteTrack& pitch : track.note_tracks)
            for (float t : pitch.times)
                if (t > 0.0f && t >= stretch.first && t < stretch.end) ++beeps;
    }
    EXPECT_GE(beeps, 32) << "the beeper hardly plays during the puzzle";
}
