// The generated note data and music of the show: the MIDI file holds only what the player's
// reader understands, the MP3 is as long as the timeline, and notes sound where they stand.
#include <gtest/gtest.h>

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/show_timeline.h"
#include "timeline.h"

namespace {

const std::string DATA = std::string(PELLORVANE_BINARY_DIR) + "/data/";
const std::string MIDI_PATH = DATA + "common/music/tarnholm_quorel_system.mid";
const std::string MP3_PATH = DATA + "common/music/tarnholm_quorel_system.mp3";

struct Note {
    double on, off; // beats
    int pitch;
};

struct MidiTrack {
    std::string name;
    std::vector<Note> notes;
    std::vector<std::pair<int, int>> controllers; // number, value
};

// A deliberately small reader of its own: walks every event, notes what is not allowed.
struct MidiScan {
    int format = -1, division = 0;
    std::vector<MidiTrack> tracks;
    std::vector<std::string> faults;
};

MidiScan scan_midi(const std::string& b)
{
    MidiScan scan;
    auto be = [&](size_t at, int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | static_cast<uint8_t>(b.at(at + i));
        return v;
    };
    if (b.size() < 14 || b.compare(0, 4, "MThd") != 0 || be(4, 4) != 6) {
        scan.faults.push_back("no MIDI header");
        return scan;
    }
    scan.format = static_cast<int>(be(8, 2));
    int count = static_cast<int>(be(10, 2));
    scan.division = static_cast<int>(be(12, 2));
    size_t pos = 14;
    for (int t = 0; t < count; ++t) {
        if (pos + 8 > b.size() || b.compare(pos, 4, "MTrk") != 0) {
            scan.faults.push_back("missing track chunk");
            return scan;
        }
        size_t end = pos + 8 + be(pos + 4, 4);
        pos += 8;
        MidiTrack track;
        std::map<int, double> open; // pitch -> beat of its note-on
        uint64_t tick = 0;
        bool ended = false;
        while (pos < end) {
            uint32_t delta = 0;
            uint8_t byte;
            do {
                byte = static_cast<uint8_t>(b.at(pos++));
                delta = (delta << 7) | (byte & 0x7F);
            } while (byte & 0x80);
            tick += delta;
            double beat = static_cast<double>(tick) / scan.division;
            uint8_t status = static_cast<uint8_t>(b.at(pos++));
            if (!(status & 0x80))
                scan.faults.push_back("running status");
            uint8_t kind = status & 0xF0;
            if (status == 0xFF) {
                uint8_t type = static_cast<uint8_t>(b.at(pos++));
                uint8_t len = static_cast<uint8_t>(b.at(pos++));
                if (len >= 128)
                    scan.faults.push_back("long meta event");
                if (type == 0x03)
                    track.name = b.substr(pos, len);
                else if (type == 0x2F)
                    ended = true;
                else if (type != 0x51 && type != 0x58 && type != 0x59 && type != 0x01 &&
                         type != 0x02)
                    scan.faults.push_back("meta event " + std::to_string(type));
                pos += len;
            } else if (kind == 0x90 || kind == 0x80) {
                int pitch = static_cast<uint8_t>(b.at(pos));
                int velocity = static_cast<uint8_t>(b.at(pos + 1));
                pos += 2;
                bool on = kind == 0x90 && velocity > 0;
                if (on) {
                    if (open.count(pitch))
                        scan.faults.push_back(track.name + ": note on while sounding");
                    open[pitch] = beat;
                } else {
                    if (!open.count(pitch)) {
                        scan.faults.push_back(track.name + ": note off while silent");
                        continue;
                    }
                    if (beat <= open[pitch])
                        scan.faults.push_back(track.name + ": note of length 0");
                    track.notes.push_back({open[pitch], beat, pitch});
                    open.erase(pitch);
                }
            } else if (kind == 0xB0) {
                track.controllers.push_back({static_cast<uint8_t>(b.at(pos)),
                                             static_cast<uint8_t>(b.at(pos + 1))});
                pos += 2;
            } else {
                scan.faults.push_back("unsupported status " + std::to_string(status));
                pos = end;
            }
        }
        if (!ended)
            scan.faults.push_back(track.name + ": no end of track");
        if (!open.empty())
            scan.faults.push_back(track.name + ": notes left open");
        std::sort(track.notes.begin(), track.notes.end(),
                  [](const Note& a, const Note& c) { return a.on < c.on; });
        scan.tracks.push_back(track);
        pos = end;
    }
    return scan;
}

const MidiTrack* find_track(const MidiScan& scan, const std::string& name)
{
    for (const MidiTrack& t : scan.tracks)
        if (t.name == name)
            return &t;
    return nullptr;
}

struct Decoded {
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    std::vector<int16_t> samples; // interleaved
};

Decoded decode_mp3(const std::string& path)
{
    Decoded d;
    mpg123_init();
    int err = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (!mh)
        return d;
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    if (mpg123_open(mh, path.c_str()) == MPG123_OK &&
        mpg123_getformat(mh, &d.rate, &d.channels, &d.encoding) == MPG123_OK) {
        std::vector<unsigned char> buffer(1 << 16);
        size_t done = 0;
        int result;
        do {
            result = mpg123_read(mh, buffer.data(), buffer.size(), &done);
            const int16_t* s = reinterpret_cast<const int16_t*>(buffer.data());
            d.samples.insert(d.samples.end(), s, s + done / 2);
        } while (result == MPG123_OK || result == MPG123_NEW_FORMAT);
        mpg123_close(mh);
    }
    mpg123_delete(mh);
    return d;
}

class ProductionMusic : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        midi = new MidiScan(scan_midi(read_file_bytes(MIDI_PATH)));
        std::string error;
        timeline = new gen::Timeline();
        ASSERT_TRUE(gen::load_timeline(show_timeline::path(), *timeline, error)) << error;
    }
    static void TearDownTestSuite()
    {
        delete midi;
        delete timeline;
    }
    static MidiScan* midi;
    static gen::Timeline* timeline;
};
MidiScan* ProductionMusic::midi = nullptr;
gen::Timeline* ProductionMusic::timeline = nullptr;

} // namespace

TEST_F(ProductionMusic, NoteDataIsATypeOneFileOfCleanInstrumentTracks)
{
    EXPECT_EQ(midi->format, 1);
    EXPECT_GT(midi->division, 0);
    EXPECT_TRUE(midi->faults.empty()) << midi->faults.front();
    std::set<std::string> instruments;
    for (const MidiTrack& t : midi->tracks)
        if (!t.notes.empty())
            instruments.insert(t.name);
    for (const char* name : {"Rave beeper", "Sub", "Sirene"})
        EXPECT_TRUE(instruments.count(name)) << name;
    EXPECT_GE(instruments.size(), 6u);
    // Every note lies inside the show.
    for (const MidiTrack& t : midi->tracks)
        for (const Note& n : t.notes)
            EXPECT_LE(n.off, timeline->length_beats) << t.name;
}

TEST_F(ProductionMusic, ControllersThatModulatorsReadNeverHoldZero)
{
    const MidiTrack* sirene = find_track(*midi, "Sirene");
    ASSERT_NE(sirene, nullptr);
    bool wobble = false;
    for (const MidiTrack& t : midi->tracks)
        for (auto [number, value] : t.controllers)
            if (number == 1) {
                wobble = true;
                EXPECT_GT(value, 0) << t.name;
            }
    EXPECT_TRUE(wobble) << "the siren's LFO controller is never set";
}

TEST_F(ProductionMusic, MusicIsSixteenBitStereoAsLongAsTheTimeline)
{
    Decoded d = decode_mp3(MP3_PATH);
    EXPECT_EQ(d.rate, 44100);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.encoding, MPG123_ENC_SIGNED_16);
    const long expected = std::lround(timeline->length_beats * 60.0 / timeline->bpm * 44100.0);
    EXPECT_EQ(static_cast<long>(d.samples.size() / 2), expected);
}

TEST_F(ProductionMusic, NotesStartSoundingAtTheirSample)
{
    Decoded d = decode_mp3(MP3_PATH);
    ASSERT_EQ(d.channels, 2);
    const MidiTrack* beeper = find_track(*midi, "Rave beeper");
    ASSERT_NE(beeper, nullptr);
    // The opening notes of the beeper play alone: nothing else starts before them.
    double first_other = 1e9;
    for (const MidiTrack& t : midi->tracks)
        if (t.name != "Rave beeper" && !t.notes.empty())
            first_other = std::min(first_other, t.notes.front().on);
    const double per_beat = 60.0 / timeline->bpm * 44100.0;
    const long window = 882, tolerance = 132; // 20 ms to look in, 3 ms to hit
    int checked = 0;
    for (const Note& n : beeper->notes) {
        if (n.off >= first_other || checked == 8)
            break;
        const long at = std::lround(n.on * per_beat);
        auto level = [&](long i) {
            if (i < 0 || 2 * i + 1 >= static_cast<long>(d.samples.size()))
                return 0.0;
            return std::fabs((d.samples[2 * i] + d.samples[2 * i + 1]) / 65536.0);
        };
        double peak = 0.0;
        for (long i = at; i < at + window; ++i)
            peak = std::max(peak, level(i));
        ASSERT_GT(peak, 0.02) << "no sound after the note at beat " << n.on;
        long onset = at - window;
        while (onset < at + window && level(onset) < 0.25 * peak)
            ++onset;
        EXPECT_LE(std::labs(onset - at), tolerance) << "note at beat " << n.on;
        ++checked;
    }
    EXPECT_GE(checked, 4);
}

TEST_F(ProductionMusic, TheScenesThatShowNotesHaveNotesToShow)
{
    // The stage lights' beams follow three instruments, each of which sounds on and off
    // through the scene (every bar of it); the tunnel has a cube for every instrument track,
    // and each of them lights up somewhere in it.
    const struct {
        const char* scene;
        double from, to, step;
        std::vector<std::string> instruments; // empty: every track with notes
    } cases[] = {
        {"StageLights", 280, 328, 4, {"Rave beeper", "Sub", "Sirene"}},
        {"MusicTunnel", 360, 424, 64, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> names = c.instruments;
        if (names.empty())
            for (const MidiTrack& t : midi->tracks)
                if (!t.notes.empty()) names.push_back(t.name);
        for (const std::string& name : names) {
            const MidiTrack* track = find_track(*midi, name);
            ASSERT_NE(track, nullptr) << name;
            for (double at = c.from; at < c.to; at += c.step) {
                bool starts = false;
                for (const Note& n : track->notes)
                    starts = starts || (n.on >= at && n.on < std::min(at + c.step, c.to));
                EXPECT_TRUE(starts) << c.scene << ": " << name << " has no note in beats " << at << " .. "
                                    << at + c.step;
            }
        }
    }
}
