#include "util/music/midi.h"

#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <gtest/gtest.h>

#include "music_fixtures.h"
#include "support/temp_dir.h"

using fixtures::bytes;
using fixtures::midi_chunk;
using fixtures::midi_file;
using fixtures::midi_header;

namespace {

const char* const MIDI_SOURCE = "src\\util\\music\\midi";

std::string name_event(const std::string& name)
{
    return bytes({0x00, 0xFF, 0x03, int(name.size())}) + name;
}

const std::string END_OF_TRACK = bytes({0x00, 0xFF, 0x2F, 0x00});

// Runs the reader on the bytes in a child and returns how it ended.
ChildResult read_in_child(const std::string& file_bytes)
{
    TempDir dir;
    dir.write("song.mid", file_bytes);
    std::string path = dir.file("song.mid");
    return run_in_child([&] { MidiNoteData data(path); });
}

MidiCursor cursor_over(const std::string& buffer)
{
    MidiCursor cursor;
    cursor.pos = reinterpret_cast<const unsigned char*>(buffer.data());
    cursor.end = cursor.pos + buffer.size();
    return cursor;
}

} // namespace

TEST(MidiRead, VariableLengthQuantities)
{
    struct Case {
        std::string encoded;
        uint32_t value;
    };
    const Case cases[] = {
        {bytes({0x00}), 0},
        {bytes({0x40}), 0x40},
        {bytes({0x7F}), 0x7F},
        {bytes({0x81, 0x00}), 0x80},
        {bytes({0xC0, 0x00}), 0x2000},
        {bytes({0xFF, 0x7F}), 0x3FFF},
        {bytes({0x81, 0x80, 0x00}), 0x4000},
        {bytes({0xC0, 0x80, 0x80, 0x00}), 0x08000000},
        {bytes({0xFF, 0xFF, 0xFF, 0x7F}), 0x0FFFFFFF},
    };
    for (const Case& c : cases) {
        std::string buffer = c.encoded + bytes({0x55}); // a following byte stays unread
        MidiCursor cursor = cursor_over(buffer);
        EXPECT_EQ(midi_read_varlen(cursor), c.value);
        EXPECT_EQ(cursor.end - cursor.pos, 1) << c.value;
    }
}

TEST(MidiRead, BigEndianAndText)
{
    std::string buffer = bytes({0x12, 0x34, 0x56, 0x78});
    for (int count = 1; count <= 4; ++count) {
        MidiCursor cursor = cursor_over(buffer);
        uint32_t expected = 0x12345678u >> (8 * (4 - count));
        EXPECT_EQ(midi_read_be(cursor, count), expected);
        EXPECT_EQ(cursor.pos - reinterpret_cast<const unsigned char*>(buffer.data()), count);
    }

    std::string text_event = bytes({0x03, 0x02}) + "Hi" + bytes({0x00});
    MidiCursor cursor = cursor_over(text_event);
    std::string text;
    EXPECT_TRUE(midi_read_text(text, cursor));
    EXPECT_EQ(text, "Hi");
    EXPECT_EQ(cursor.end - cursor.pos, 1);

    std::string empty_event = bytes({0x03, 0x00});
    cursor = cursor_over(empty_event);
    text = "kept";
    EXPECT_FALSE(midi_read_text(text, cursor));
    EXPECT_EQ(text, "kept");
}

TEST(MidiRead, FatalReads)
{
    struct Case {
        std::string buffer;
        int be_bytes; // 0: read a varlen, -1: read a text
        bool null_buffer;
        std::string message;
    };
    const Case cases[] = {
        {"", 0, true, "NULL-buffer specified"},
        {"", 2, true, "NULL-buffer specified"},
        {"", -1, true, "NULL-buffer specified"},
        {bytes({0x81, 0x81, 0x81, 0x81, 0x00}), 0, false,
         "Found 4 bytes of delta time without a 0 MSB"},
        {bytes({0x81}), 0, false, "Unexpected end of MIDI data, file truncated?"},
        {bytes({0x00}), 0 + 5, false, "bytes must be in range 1..4!"},
        {bytes({0x00}), 0 + 2, false, "Unexpected end of MIDI data, file truncated?"},
        {bytes({0x03}), -1, false, "Unexpected end of MIDI data, file truncated?"},
        {bytes({0x03, 0x04, 'a', 'b'}), -1, false, "Unexpected end of MIDI data, file truncated?"},
    };
    for (const Case& c : cases) {
        ChildResult result = run_in_child([&] {
            MidiCursor cursor = c.null_buffer ? MidiCursor() : cursor_over(c.buffer);
            std::string text;
            if (c.be_bytes > 0)
                midi_read_be(cursor, c.be_bytes);
            else if (c.be_bytes == 0)
                midi_read_varlen(cursor);
            else
                midi_read_text(text, cursor);
        });
        SCOPED_TRACE(c.message);
        fixtures::expect_fatal(result, MIDI_SOURCE, c.message);
    }

    ChildResult zero_bytes = run_in_child([] {
        std::string buffer = bytes({0x00});
        MidiCursor cursor = cursor_over(buffer);
        midi_read_be(cursor, 0);
    });
    fixtures::expect_fatal(zero_bytes, MIDI_SOURCE, "bytes must be in range 1..4!");
}

TEST(MidiNoteData, NotesWithRunningStatusAndBothKindsOfNoteOff)
{
    std::string events = name_event("Lead") +
                         bytes({0x00, 0x90, 0x3C, 0x40,   // C5 on at 0
                                0x30, 0x3C, 0x00,         // running status, velocity 0: off at 0.5
                                0x00, 0x3E, 0x50,         // D5 on at 0.5
                                0x30, 0x80, 0x3E, 0x40,   // note-off event at 1.0
                                0x00, 0x90, 0x3C, 0x40,   // C5 on at 1.0
                                0x00, 0x3C, 0x45,         // second on while on: ignored
                                0x60, 0x80, 0x3C, 0x00,   // off at 2.0
                                0x00, 0x80, 0x3C, 0x00,   // second off while off: ignored
                                0x00, 0xE0, 0x00, 0x40,   // pitch bend: two bytes skipped
                                0x00, 0xA0, 0x3C, 0x10,   // key pressure: two bytes skipped
                                0x00, 0xD0, 0x10,         // channel pressure: one byte
                                0x00, 0x90, 0x40, 0x00,   // E5 off at beat 2 before any on
                                0x00, 0x40, 0x20}) +      // then on: the -0.0 is an off
                         END_OF_TRACK;
    TempDir dir;
    dir.write("song.mid", midi_file({events}));
    MidiNoteData data(dir.file("song.mid"));

    ASSERT_EQ(data.tracks.size(), 1u);
    const InstrumentTrack& track = data.tracks[0];
    EXPECT_EQ(track.name, "Lead");
    EXPECT_EQ(track.event_count, 10);
    ASSERT_EQ(track.note_tracks.size(), 3u);

    EXPECT_EQ(track.note_tracks[0].note, 60);
    EXPECT_EQ(track.note_tracks[0].name, "C5");
    EXPECT_EQ(track.note_tracks[0].times, (std::vector<float>{0.0f, -0.5f, 1.0f, -2.0f}));
    EXPECT_EQ(track.note_tracks[0].velocities, (std::vector<uint8_t>{0x40, 0, 0x40, 0}));
    EXPECT_EQ(track.note_tracks[0].current, -1);

    EXPECT_EQ(track.note_tracks[1].name, "D5");
    EXPECT_EQ(track.note_tracks[1].times, (std::vector<float>{0.5f, -1.0f}));
    EXPECT_EQ(track.note_tracks[1].velocities, (std::vector<uint8_t>{0x50, 0}));

    EXPECT_EQ(track.note_tracks[2].name, "E5");
    ASSERT_EQ(track.note_tracks[2].times.size(), 2u);
    EXPECT_EQ(track.note_tracks[2].times[0], -2.0f);
    EXPECT_EQ(track.note_tracks[2].times[1], 2.0f);
}

TEST(MidiNoteData, OffAtBeatZeroStaysAnOff)
{
    // An off at beat 0 opens the list as -0.0; the on that follows must be taken.
    std::string events = bytes({0x00, 0x80, 0x3C, 0x00, 0x00, 0x90, 0x3C, 0x40, 0x60, 0x80,
                                0x3C, 0x00}) +
                         END_OF_TRACK;
    TempDir dir;
    dir.write("song.mid", midi_file({events}));
    MidiNoteData data(dir.file("song.mid"));
    ASSERT_EQ(data.tracks.size(), 1u);
    const std::vector<float>& times = data.tracks[0].note_tracks[0].times;
    ASSERT_EQ(times.size(), 3u);
    EXPECT_TRUE(std::signbit(times[0]));
    EXPECT_EQ(times[0], 0.0f);
    EXPECT_FALSE(std::signbit(times[1]));
    EXPECT_EQ(times[2], -1.0f);
}

TEST(MidiNoteData, MetaEventsAndTracksWithoutNotes)
{
    std::string conductor =
        bytes({0x00, 0xFF, 0x01, 0x04}) + "Text" + bytes({0x00, 0xFF, 0x02, 0x03}) + "(c)" +
        bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0x0A, 0xE2,         // 461538 us: 130.0
               0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x0C,   // 6/8, 24 clocks, 12
               0x00, 0xFF, 0x59, 0x02, 0xFD, 0x01}) +            // three flats, minor
        name_event("Conductor") + END_OF_TRACK;
    std::string notes = name_event("Bass") + bytes({0x30, 0x90, 0x24, 0x64}) + END_OF_TRACK;
    TempDir dir;
    dir.write("song.mid", midi_file({conductor, notes}));
    MidiNoteData data(dir.file("song.mid"));

    EXPECT_EQ(data.text, "Text");
    EXPECT_EQ(data.copyright, "(c)");
    EXPECT_FLOAT_EQ(data.tempo, 130.0f);
    EXPECT_EQ(data.time_sig_numerator, 6);
    EXPECT_EQ(data.time_sig_denominator, 8);
    EXPECT_EQ(data.clocks_per_click, 24);
    EXPECT_EQ(data.thirty_seconds_per_quarter, 12);
    EXPECT_EQ(data.key_sharps, -3);
    EXPECT_TRUE(data.key_minor);
    ASSERT_EQ(data.tracks.size(), 1u);
    EXPECT_EQ(data.tracks[0].name, "Bass");
    EXPECT_EQ(data.tracks[0].note_tracks[0].times, (std::vector<float>{0.5f}));
}

TEST(MidiNoteData, DefaultsAndTempoTable)
{
    std::string notes = bytes({0x00, 0x90, 0x24, 0x64}) + END_OF_TRACK;
    TempDir dir;
    dir.write("plain.mid", midi_file({notes}));
    MidiNoteData plain(dir.file("plain.mid"));
    EXPECT_EQ(plain.tempo, 120.0f);
    EXPECT_EQ(plain.time_sig_numerator, 4);
    EXPECT_EQ(plain.time_sig_denominator, 4);
    EXPECT_EQ(plain.clocks_per_click, 24);
    EXPECT_EQ(plain.thirty_seconds_per_quarter, 8);
    EXPECT_EQ(plain.key_sharps, 0);
    EXPECT_FALSE(plain.key_minor);

    struct Case {
        uint32_t microseconds;
        float bpm;
    };
    const Case cases[] = {{500000, 120.0f}, {461538, 130.0f}, {1000000, 60.0f}, {413793, 145.0f},
                          {1, 60000000.0f}};
    for (const Case& c : cases) {
        std::string events = bytes({0x00, 0xFF, 0x51, 0x03, int(c.microseconds >> 16) & 0xFF,
                                    int(c.microseconds >> 8) & 0xFF, int(c.microseconds) & 0xFF}) +
                             notes;
        dir.write("tempo.mid", midi_file({events}));
        MidiNoteData data(dir.file("tempo.mid"));
        EXPECT_FLOAT_EQ(data.tempo, c.bpm) << c.microseconds;
    }
}

TEST(MidiNoteData, ControllersVolumeAndPan)
{
    std::string events = bytes({0x00, 0xB0, 0x01, 0x40,   // modulation wheel 64 at 0
                                0x00, 0x07, 0x64,         // volume 100 (running status)
                                0x00, 0x0A, 0x20,         // pan 32
                                0x30, 0x01, 0x7F,         // wheel 127 at 0.5
                                0x00, 0x90, 0x3C, 0x40}) +
                         END_OF_TRACK;
    std::string untouched = bytes({0x00, 0x90, 0x3C, 0x40}) + END_OF_TRACK;
    TempDir dir;
    dir.write("song.mid", midi_file({events, untouched}));
    MidiNoteData data(dir.file("song.mid"));

    ASSERT_EQ(data.tracks.size(), 2u);
    const InstrumentTrack& track = data.tracks[0];
    EXPECT_EQ(track.controllers.size(), 128u);
    EXPECT_EQ(track.controllers[1].times, (std::vector<float>{0.0f, 0.5f}));
    EXPECT_EQ(track.controllers[1].values, (std::vector<uint8_t>{64, 127}));
    EXPECT_TRUE(track.controllers[7].times.empty());
    EXPECT_TRUE(track.controllers[10].times.empty());
    EXPECT_EQ(track.volume, 100.0f);
    EXPECT_EQ(track.pan, 32.0f);
    EXPECT_EQ(data.tracks[1].volume, 0.78125f);
    EXPECT_EQ(data.tracks[1].pan, 0.5f);
}

TEST(MidiNoteData, FatalReports)
{
    auto track = [](const std::string& events) { return midi_file({events + END_OF_TRACK}); };
    struct Case {
        std::string file;
        std::string message; // empty: the short form
    };
    const std::string truncated = "Unexpected end of MIDI data, file truncated?";
    const Case cases[] = {
        {std::string("MThx", 4) + fixtures::be32(6) + bytes({0, 1, 0, 1, 0, 96}),
         "  Unknown header info, MIDI file format not recognized\n"},
        {std::string("MThd", 4), truncated},
        {std::string("MThd", 4) + fixtures::be32(6) + bytes({0, 1, 0}), truncated},
        {midi_header(1, 0) + midi_chunk(END_OF_TRACK),
         "Division of 0 ticks per beat, corrupt MIDI file?"},
        {midi_header(2) + midi_chunk(END_OF_TRACK), truncated},
        {midi_header(1) + "MTrx" + fixtures::be32(4) + END_OF_TRACK,
         " Could not find track chunk header, unrecognized file format!\n"},
        {midi_header(1) + "MTrk" + fixtures::be32(5) + END_OF_TRACK,
         "Track chunk length runs past the end of the file"},
        {midi_file({bytes({0x81})}), truncated},
        {midi_file({bytes({0x00, 0x90, 0x3C})}), truncated},
        {midi_file({bytes({0x00, 0xFF, 0x03, 0x05, 'a', 'b'})}), truncated},
        {midi_file({bytes({0x00, 0xFF})}), truncated},
        {track(bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x90, 0x3C, 0x40})),
         "Found 4 bytes of delta time without a 0 MSB"},
        {track(bytes({0x00, 0xF0, 0x01, 0xF7})), "  Got SysEx event, not supported yet, panicking!"},
        {track(bytes({0x00, 0xF7, 0x00})), "  Got SysEx event, not supported yet, panicking!"},
        {track(bytes({0x00, 0xC0, 0x05})), ""},
        {track(bytes({0x00, 0xFF, 0x00, 0x02, 0x00, 0x01})), ""},
        {track(bytes({0x00, 0xFF, 0x7F, 0x01, 0x00})), ""},
        {track(bytes({0x00, 0xFF, 0x30, 0x00})), "  Unknown meta event, panicking!"},
        {track(bytes({0x00, 0xF1, 0x00})), "Unknown event 15 from 241, corrupt MIDI file? Panicking!"},
        {track(bytes({0x00, 0x3C, 0x40})), "Unknown event 3 from 60, corrupt MIDI file? Panicking!"},
        {track(bytes({0x00, 0xFF, 0x01, 0x00})), "Retrieving text info failed!"},
        {track(bytes({0x00, 0xFF, 0x02, 0x00})), "Retrieving copyright info failed!"},
        {track(bytes({0x00, 0xFF, 0x03, 0x00})), "Retrieving track name failed!"},
        {midi_file({bytes({0x00, 0xFF, 0x2F, 0x01, 0x00})}), "Expected 0x00"},
        {track(bytes({0x00, 0xFF, 0x51, 0x04, 0x07, 0xA1, 0x20, 0x00})), "Expected 0x03"},
        {track(bytes({0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00})),
         "Tempo of 0 microseconds per quarter note, corrupt MIDI file?"},
        {track(bytes({0x00, 0xFF, 0x58, 0x03, 0x04, 0x02, 0x18})), "Expected 0x04"},
        {track(bytes({0x00, 0xFF, 0x58, 0x04, 0x04, 0x08, 0x18, 0x08})),
         "Time signature denominator exponent 8 out of range 0..7"},
        {track(bytes({0x00, 0xFF, 0x59, 0x03, 0x00, 0x00, 0x00})), "Expected 0x02"},
        {track(bytes({0x00, 0xB0, 0x80, 0x10})), "Data byte 128 out of range 0..127, corrupt MIDI file?"},
        {track(bytes({0x00, 0xB0, 0x01, 0xFF})), "Data byte 255 out of range 0..127, corrupt MIDI file?"},
        {track(bytes({0x00, 0x90, 0x3C, 0x90})), "Data byte 144 out of range 0..127, corrupt MIDI file?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ChildResult result = read_in_child(c.file);
        if (c.message.empty())
            fixtures::expect_short_fatal(result, MIDI_SOURCE);
        else
            fixtures::expect_fatal(result, MIDI_SOURCE, c.message);
    }

    TempDir dir;
    std::string missing = dir.file("missing.mid");
    fixtures::expect_fatal(run_in_child([&] { MidiNoteData data(missing); }), MIDI_SOURCE,
                           "Failed to load " + missing);
}

// Every cut of a valid file, with and without the chunk length fixed up to the cut, either
// loads or ends in a fatal report: never a stray read (the sanitizer build reports those).
TEST(MidiNoteData, TruncatedFilesEndInReports)
{
    std::string events = name_event("Lead") +
                         bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58, 0x04,
                                0x04, 0x02, 0x18, 0x08, 0x00, 0xB0, 0x01, 0x40, 0x81, 0x00, 0x90,
                                0x3C, 0x40, 0x30, 0x3C, 0x00}) +
                         END_OF_TRACK;
    std::string whole = midi_file({events});
    TempDir dir;
    std::string path = dir.file("cut.mid");
    ChildResult result = run_in_child([&] {
        for (size_t cut = 1; cut < whole.size(); ++cut) {
            for (int fix = 0; fix < 2; ++fix) {
                std::string file = whole.substr(0, cut);
                size_t header = 14 + 8;
                if (fix == 1) {
                    if (cut <= header)
                        continue;
                    file = midi_header(1) + midi_chunk(whole.substr(header, cut - header));
                }
                dir.write("cut.mid", file);
                ChildResult inner = run_in_child([&] { MidiNoteData data(path); });
                bool loaded = inner.exit_code == 0;
                bool reported = inner.exit_code == 1 &&
                                inner.err.rfind("Error in file src\\util\\music\\midi:", 0) == 0;
                if (!loaded && !reported) {
                    fprintf(stderr, "cut %zu fix %d: %s\n", cut, fix, inner.err.c_str());
                    _exit(2);
                }
            }
        }
    });
    EXPECT_EQ(result.exit_code, 0) << result.err;
}
