#include "util/music/notedata.h"

#include "util/music/modulators/modulator.h"

#include <gtest/gtest.h>

TEST(NoteData, NoteNames)
{
    struct Case {
        int note;
        const char* name;
    };
    const Case cases[] = {{0, "C0"},   {11, "B0"},   {12, "C1"},  {60, "C5"},  {61, "C#5"},
                          {66, "F#5"}, {70, "A#5"},  {127, "G10"}, {64, "E5"}, {68, "G#5"}};
    for (const Case& c : cases)
        EXPECT_EQ(note_name(c.note), c.name) << c.note;
}

TEST(NoteData, FreshRecords)
{
    InstrumentTrack track;
    EXPECT_EQ(track.name, "");
    EXPECT_EQ(track.event_count, 0);
    EXPECT_TRUE(track.note_tracks.empty());
    ASSERT_EQ(track.controllers.size(), 128u);
    for (const ControllerEvents& events : track.controllers) {
        EXPECT_TRUE(events.times.empty());
        EXPECT_TRUE(events.values.empty());
    }
    EXPECT_EQ(track.volume, 0.78125f);
    EXPECT_EQ(track.pan, 0.5f);
    EXPECT_TRUE(track.modulators.empty());

    NoteTrack note;
    EXPECT_EQ(note.current, -1);
    EXPECT_TRUE(note.times.empty());

    NoteData data("ignored.mid");
    EXPECT_TRUE(data.tracks.empty());
}

namespace {

// Counts its own destruction, so the test sees who deleted it and how often.
class CountedModulator : public Modulator {
public:
    explicit CountedModulator(int* destroyed) : destroyed(destroyed) {}
    ~CountedModulator() override { ++*destroyed; }

private:
    int* destroyed;
};

// A reader's note data, deleted through the base as the music deletes it.
class ReaderNoteData : public NoteData {
public:
    ReaderNoteData() : NoteData("x") {}
};

} // namespace

TEST(NoteData, OwnsTheModulatorsOfItsTracks)
{
    int destroyed = 0;
    NoteData* data = new ReaderNoteData();
    data->tracks.emplace_back();
    data->tracks[0].modulators.push_back(new CountedModulator(&destroyed));
    data->tracks[0].modulators.push_back(new CountedModulator(&destroyed));
    data->tracks.emplace_back(); // moves the first track: its modulators go with it, not freed
    data->tracks[1].modulators.push_back(new CountedModulator(&destroyed));
    EXPECT_EQ(destroyed, 0);
    delete data;
    EXPECT_EQ(destroyed, 3) << "every modulator of every track is deleted once with the note data";
}
