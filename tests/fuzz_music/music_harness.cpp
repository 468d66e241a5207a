#include "music_harness.h"

#include <cstdlib>
#include <string>

#include <zlib.h>

#include "fuzz_support/fuzz_harness.h"
#include "util/music/music.h"
#include "util/music/notedata.h"

namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int value : values) out.push_back(static_cast<char>(value));
    return out;
}

// One track "Lead": controller 1 at 64, then C5 held for a beat.
std::string lead_midi()
{
    return "MThd" + bytes({0, 0, 0, 6, 0, 1, 0, 1, 0, 96}) + "MTrk" + bytes({0, 0, 0, 24}) +
           bytes({0, 0xFF, 3, 4, 'L', 'e', 'a', 'd', 0, 0xB0, 1, 64, 0, 0x90, 60, 100, 96, 0x80,
                  60, 0, 0, 0xFF, 0x2F, 0});
}

// Tracks "Lead" and "Bass" with a looped note each.
std::string lead_bass_set()
{
    std::string tracks;
    for (const char* name : {"Lead", "Bass"}) {
        tracks += std::string("<MidiTrack><Name><EffectiveName Value=\"") + name +
                  "\"/></Name><DeviceChain><MainSequencer><ClipTimeable><ArrangerAutomation>"
                  "<Events><MidiClip><CurrentStart Value=\"0\"/><CurrentEnd Value=\"8\"/><Loop>"
                  "<LoopStart Value=\"0\"/><LoopEnd Value=\"2\"/><LoopOn Value=\"true\"/></Loop>"
                  "<Notes><KeyTracks><KeyTrack><Notes><MidiNoteEvent Time=\"0.5\" Duration=\"1\"/>"
                  "</Notes><MidiKey Value=\"48\"/></KeyTrack></KeyTracks></Notes></MidiClip>"
                  "</Events></ArrangerAutomation></ClipTimeable></MainSequencer></DeviceChain>"
                  "</MidiTrack>";
    }
    return "<Ableton><LiveSet><Tracks>" + tracks +
           "</Tracks><MasterTrack><DeviceChain><Mixer><Tempo><Manual Value=\"145\"/></Tempo>"
           "</Mixer></DeviceChain></MasterTrack></LiveSet></Ableton>";
}

const char* const LFO_TEMPLATE =
    "<unit><template><range><min>0</min><max>63</max><value><numerator>1</numerator>"
    "<denominator>4</denominator></value></range><range><min>63</min><max>127</max><value>"
    "<numerator>1</numerator><denominator>8t</denominator></value></range></template></unit>";

// The Live set is stored the way it is on disk, compressed.
void write_gzip(const std::string& path, const std::string& bytes)
{
    gzFile file = gzopen(path.c_str(), "wb");
    if (file == nullptr || gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size())) !=
                               static_cast<int>(bytes.size()) ||
        gzclose(file) != Z_OK)
        std::abort();
}

} // namespace

Music& fuzz_music()
{
    static Music* music = nullptr;
    if (music == nullptr) {
        const std::string stream = fuzz_disk_file("music/tune.mp3", "ID3", 3);
        fuzz_disk_file("music/notes.mid", lead_midi());
        write_gzip(fuzz_disk_file("music/notes.als", ""), lead_bass_set());
        fuzz_disk_file("music/lfo.xml", LFO_TEMPLATE);
        if (!fuzz_run([&] { music = new Music(stream.c_str(), 145.0f, 0.0f, false, 0); }))
            std::abort();
    }
    return *music;
}

void fuzz_music_release(Music& music)
{
    std::free(music.music_data);
    music.music_data = nullptr;
    delete[] music.float_buffer;
    music.float_buffer = nullptr;
    delete[] music.u16_buffer;
    music.u16_buffer = nullptr;
    delete music.note_data;
    music.note_data = nullptr;
    fuzz_remove_temp_files();
}
