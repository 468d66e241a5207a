#include "util/music/als.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tinyxml.h>

#include "music_fixtures.h"
#include "support/temp_dir.h"

namespace {

const char* const ALS_SOURCE = "src\\util\\music\\als";

std::string note(const char* time, const char* duration)
{
    return std::string("<MidiNoteEvent Time=\"") + time + "\" Duration=\"" + duration +
           "\" Velocity=\"100\"/>";
}

std::string key_track(const char* key, const std::string& notes)
{
    return std::string("<KeyTrack><Notes>") + notes + "</Notes><MidiKey Value=\"" + key +
           "\"/></KeyTrack>";
}

std::string clip(const char* start, const char* end, const char* loop_on, const char* loop_start,
                 const char* loop_end, const std::string& key_tracks)
{
    return std::string("<MidiClip Time=\"0\"><CurrentStart Value=\"") + start +
           "\"/><CurrentEnd Value=\"" + end + "\"/><Loop><LoopStart Value=\"" + loop_start +
           "\"/><LoopEnd Value=\"" + loop_end + "\"/><LoopOn Value=\"" + loop_on +
           "\"/></Loop><Notes><KeyTracks>" + key_tracks + "</KeyTracks></Notes></MidiClip>";
}

std::string midi_track(const char* name, const std::string& clips)
{
    return std::string("<MidiTrack><Name><EffectiveName Value=\"") + name +
           "\"/></Name><DeviceChain><MainSequencer><ClipTimeable><ArrangerAutomation><Events>" +
           clips + "</Events></ArrangerAutomation></ClipTimeable></MainSequencer></DeviceChain>"
           "</MidiTrack>";
}

std::string live_set(const std::string& tracks, const char* tempo = "145")
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Ableton MajorVersion=\"4\">"
                       "<LiveSet><Tracks>") +
           tracks +
           "</Tracks><MasterTrack><DeviceChain><Mixer><Tempo><Manual Value=\"" + tempo +
           "\"/></Tempo></Mixer></DeviceChain></MasterTrack></LiveSet></Ableton>\n";
}

struct LoadedSet {
    TempDir dir;
    std::string path;
    explicit LoadedSet(const std::string& xml) : path(dir.file("song.als"))
    {
        dir.write("song.als", fixtures::gzip(xml));
    }
};

std::vector<float> times_of(const AlsNoteData& data, size_t track, size_t note_track)
{
    return data.tracks.at(track).note_tracks.at(note_track).times;
}

} // namespace

TEST(AlsNoteData, LoopUnrollingAndLoopOff)
{
    struct Case {
        const char* loop_on;
        std::vector<float> times;
    };
    const Case cases[] = {
        {"true", {8.0f, -9.0f, 12.0f, -13.0f}},
        {"false", {8.0f, -9.0f}},
        {"True", {8.0f, -9.0f}}, // only "true" switches the loop on
    };
    for (const Case& c : cases) {
        LoadedSet set(live_set(midi_track(
            "Lead", clip("8", "16", c.loop_on, "0", "4", key_track("60", note("0", "1"))))));
        AlsNoteData data(set.path);
        EXPECT_FLOAT_EQ(data.tempo, 145.0f);
        ASSERT_EQ(data.tracks.size(), 1u);
        EXPECT_EQ(data.tracks[0].name, "Lead");
        EXPECT_EQ(data.tracks[0].note_tracks[0].note, 60);
        EXPECT_EQ(data.tracks[0].note_tracks[0].name, "C5");
        EXPECT_EQ(times_of(data, 0, 0), c.times) << c.loop_on;
        EXPECT_EQ(data.tracks[0].event_count, int(c.times.size() / 2));
    }
}

TEST(AlsNoteData, NotesAtOrPastClipEndEndThePass)
{
    // The note at 4 reaches the clip end: it and the later one of the same pass are dropped.
    LoadedSet set(live_set(midi_track(
        "Keys", clip("0", "4", "false", "0", "4",
                     key_track("62", note("1", "0.5") + note("4", "1") + note("2", "1"))))));
    AlsNoteData data(set.path);
    EXPECT_EQ(times_of(data, 0, 0), (std::vector<float>{1.0f, -1.5f}));
}

TEST(AlsNoteData, SharedKeyTracksTimeOrderAndEmptyTracks)
{
    std::string clips =
        clip("4", "8", "false", "0", "4",
             key_track("60", note("2", "1")) + key_track("64", note("0", "0.5")) +
                 key_track("60", note("0", "1"))) +
        clip("0", "4", "false", "0", "4", key_track("60", note("0", "0"))); // earlier clip last
    LoadedSet set(live_set(midi_track("Silent", clip("0", "4", "true", "0", "4", "")) +
                           midi_track("Pad", clips) +
                           midi_track("Lead", clip("0", "2", "true", "0", "1",
                                                   key_track("72", note("0.5", "0.25"))))));
    AlsNoteData data(set.path);
    ASSERT_EQ(data.tracks.size(), 2u); // the track without notes is left out
    EXPECT_EQ(data.tracks[0].name, "Pad");
    ASSERT_EQ(data.tracks[0].note_tracks.size(), 2u);
    EXPECT_EQ(data.tracks[0].note_tracks[1].note, 64);
    EXPECT_EQ(data.tracks[0].event_count, 4);

    std::vector<float> shared = times_of(data, 0, 0);
    ASSERT_EQ(shared.size(), 6u);
    EXPECT_EQ(shared, (std::vector<float>{0.0f, -0.0f, 4.0f, -5.0f, 6.0f, -7.0f}));
    EXPECT_FALSE(std::signbit(shared[0]));
    EXPECT_TRUE(std::signbit(shared[1])); // an off at beat 0 keeps its sign
    EXPECT_EQ(times_of(data, 0, 1), (std::vector<float>{4.0f, -4.5f}));
    EXPECT_EQ(times_of(data, 1, 0), (std::vector<float>{0.5f, -0.75f, 1.5f, -1.75f}));
    EXPECT_TRUE(data.tracks[0].controllers[1].times.empty());
    EXPECT_TRUE(data.tracks[0].note_tracks[0].velocities.empty());
}

TEST(AlsNoteData, RootAndFileErrors)
{
    TempDir dir;
    std::string missing = dir.file("missing.als");
    fixtures::expect_fatal(run_in_child([&] { AlsNoteData data(missing); }), ALS_SOURCE,
                           "Could not parse XML from " + missing +
                               ". Error='Failed to open file'. Exiting.\n");

    const std::string broken = "<Ableton><LiveSet></Ableton>";
    TiXmlDocument reference;
    reference.Parse(broken.c_str());
    std::string broken_error = reference.ErrorDesc();

    struct Case {
        std::string xml;
        std::string message; // a leading '*' stands for "Could not parse ... Error='...'"
    };
    const Case cases[] = {
        {"<Ablet><LiveSet/></Ablet>", "node is NULL"},
        {"<!--Ableton--><Ableton/>", "element is NULL"},
        {broken, "*" + broken_error},
        {"<Ableton/>", "LiveSet is NULL"},
        {live_set("<MidiTrack/>"), "Name is NULL"},
        {"<Ableton><LiveSet><MasterTrack><DeviceChain><Mixer/></DeviceChain></MasterTrack>"
         "</LiveSet></Ableton>",
         "Tempo is NULL"},
        {live_set("", "fast"), "Manual Value is NULL"},
        {live_set(midi_track("Lead", "<MidiClip><CurrentStart Value=\"0\"/></MidiClip>")),
         "CurrentEnd is NULL"},
        {live_set(midi_track("Lead", clip("0", "4", "true", "0", "4",
                                          key_track("60", "<MidiNoteEvent Time=\"0\"/>")))),
         "MidiNoteEvent Duration is NULL"},
        {live_set(midi_track("Lead", clip("0", "4", "true", "2", "2", ""))),
         "Loop length 0 of a clip on track Lead is not positive"},
        {live_set(midi_track("Lead", clip("0", "4", "true", "3", "2", ""))),
         "Loop length -1 of a clip on track Lead is not positive"},
        {live_set(midi_track("Lead", clip("0", "400", "true", "0", "0.0001", ""))),
         "Loop length 0.0001 of a clip on track Lead is too short for its clip"},
        {live_set(midi_track("Lead", clip("0", "4", "false", "0", "4",
                                          key_track("128", note("0", "1"))))),
         "MIDI key 128 out of range 0..127"},
        {live_set(midi_track("Lead", clip("0", "4", "false", "0", "4",
                                          key_track("-1", note("0", "1"))))),
         "MIDI key -1 out of range 0..127"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        LoadedSet set(c.xml);
        std::string message = c.message;
        if (message[0] == '*')
            message = "Could not parse XML from " + set.path + ". Error='" + message.substr(1) +
                      "'. Exiting.\n";
        fixtures::expect_fatal(run_in_child([&] { AlsNoteData data(set.path); }), ALS_SOURCE,
                               message);
    }
}

TEST(AlsNoteData, UnrolledNotesAreBoundedOverTheWholeSet)
{
    // A set of a few hundred bytes whose loops unroll to 240 million notes is refused, as is
    // one note past the bound spread over two tracks; exactly the bound loads.
    std::string sixty_notes;
    for (int i = 0; i < 60; ++i)
        sixty_notes += note("0", "0.01");
    std::string four_keys;
    for (const char* key : {"60", "61", "62", "63"})
        four_keys += key_track(key, sixty_notes);
    const std::string refused = "Live set unrolls to more than 200000 note events (at track ";

    struct Case {
        std::string xml;
        std::string message; // empty: the set loads
    };
    const Case cases[] = {
        {live_set(midi_track("Hang", clip("0", "1000000", "true", "0", "1", four_keys))),
         refused + "Hang)"},
        {live_set(midi_track("A", clip("0", "100000", "true", "0", "1", key_track("60", note("0", "0.5")))) +
                  midi_track("B", clip("0", "100001", "true", "0", "1", key_track("60", note("0", "0.5"))))),
         refused + "B)"},
        {live_set(midi_track("A", clip("0", "100000", "true", "0", "1", key_track("60", note("0", "0.5")))) +
                  midi_track("B", clip("0", "100000", "true", "0", "1", key_track("60", note("0", "0.5"))))),
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        LoadedSet set(c.xml);
        if (c.message.empty()) {
            AlsNoteData data(set.path);
            ASSERT_EQ(data.tracks.size(), 2u);
            EXPECT_EQ(data.tracks[0].event_count + data.tracks[1].event_count,
                      AlsNoteData::MAX_NOTE_EVENTS);
            EXPECT_EQ(times_of(data, 1, 0).back(), -99999.5f);
        } else {
            fixtures::expect_fatal(run_in_child([&] { AlsNoteData data(set.path); }), ALS_SOURCE,
                                   c.message);
        }
    }
}
