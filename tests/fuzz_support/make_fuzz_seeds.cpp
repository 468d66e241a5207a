// Writes the seed inputs of one fuzz target into a folder, from the same builders the tests
// use: make_fuzz_seeds TARGET FOLDER.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "util/music/music_fixtures.h"
#include "util/texture/image_fixtures.h"

namespace {

using fixtures::bytes;

std::string le32(uint32_t value)
{
    return bytes({int(value) & 0xFF, int(value >> 8) & 0xFF, int(value >> 16) & 0xFF,
                  int(value >> 24) & 0xFF});
}

std::string text_event(int type, const std::string& text)
{
    return bytes({0, 0xFF, type, static_cast<int>(text.size())}) + text;
}

const std::string END_OF_TRACK = bytes({0, 0xFF, 0x2F, 0});

std::vector<std::string> midi_seeds()
{
    std::string conductor = bytes({0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20}) + // 120 bpm
                            bytes({0, 0xFF, 0x58, 4, 3, 2, 24, 8}) + bytes({0, 0xFF, 0x59, 2, 0xFE, 1}) +
                            text_event(0x02, "(c) Pellorvane") + text_event(0x01, "demo") + END_OF_TRACK;
    std::string lead = text_event(0x03, "Lead") + bytes({0, 0xB0, 1, 64, 0, 0x90, 60, 100}) +
                       bytes({48, 64, 90}) + // running status: a second note
                       bytes({48, 0x80, 60, 0, 0, 0x90, 64, 0, 0x60, 0xB0, 74, 127}) + END_OF_TRACK;
    std::string bass = text_event(0x03, "Bass") + bytes({0x81, 0x40, 0x91, 36, 80, 0x83, 0x00, 0x81, 36, 0}) +
                       END_OF_TRACK;
    return {fixtures::midi_file({conductor, lead, bass}), fixtures::midi_file({lead}, 480),
            fixtures::midi_file({END_OF_TRACK})};
}

std::string live_set(const std::string& tracks)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Ableton MajorVersion=\"4\"><LiveSet><Tracks>" +
           tracks +
           "</Tracks><MasterTrack><DeviceChain><Mixer><Tempo><Manual Value=\"145\"/></Tempo></Mixer>"
           "</DeviceChain></MasterTrack></LiveSet></Ableton>\n";
}

std::string live_track(const std::string& name, const std::string& clips)
{
    return "<MidiTrack><Name><EffectiveName Value=\"" + name +
           "\"/></Name><DeviceChain><MainSequencer><ClipTimeable><ArrangerAutomation><Events>" + clips +
           "</Events></ArrangerAutomation></ClipTimeable></MainSequencer></DeviceChain></MidiTrack>";
}

std::string live_clip(const std::string& start, const std::string& end, const std::string& loop_on,
                      const std::string& loop_end, const std::string& key_tracks)
{
    return "<MidiClip Time=\"0\"><CurrentStart Value=\"" + start + "\"/><CurrentEnd Value=\"" + end +
           "\"/><Loop><LoopStart Value=\"0\"/><LoopEnd Value=\"" + loop_end + "\"/><LoopOn Value=\"" +
           loop_on + "\"/></Loop><Notes><KeyTracks>" + key_tracks + "</KeyTracks></Notes></MidiClip>";
}

std::string key_track(int key, const std::string& notes)
{
    return "<KeyTrack><Notes>" + notes + "</Notes><MidiKey Value=\"" + std::to_string(key) +
           "\"/></KeyTrack>";
}

std::string note(const std::string& time, const std::string& duration)
{
    return "<MidiNoteEvent Time=\"" + time + "\" Duration=\"" + duration + "\" Velocity=\"100\"/>";
}

std::vector<std::string> live_sets()
{
    return {live_set(live_track("Lead", live_clip("8", "16", "true", "4", key_track(60, note("0", "1")) +
                                                              key_track(64, note("1", "0.5") + note("2.5", "1")))) +
                     live_track("Pad", live_clip("0", "4", "false", "4", key_track(48, note("0", "4"))))),
            live_set(live_track("Hat", live_clip("0", "64", "true", "0.25", key_track(42, note("0", "0.125")))))};
}

std::vector<std::string> als_seeds()
{
    std::vector<std::string> seeds;
    for (const std::string& set : live_sets()) {
        seeds.push_back(bytes({1}) + fixtures::gzip(set));
        seeds.push_back(bytes({0}) + set);
    }
    return seeds;
}

std::vector<std::string> description_seeds()
{
    const std::string lfo =
        "<track association=\"Lead\"><lfo><wave>sine</wave><tempo><numerator>1</numerator>"
        "<denominator>4</denominator><controller><cc>1</cc><template file=\"lfo.xml\"/></controller>"
        "</tempo></lfo><intensity unit=\"float\">0.5</intensity></track>";
    const std::string envelope =
        "<track association=\"Lead\"><envelope><attack unit=\"s\" slope=\"linear\">0.1</attack>"
        "<decay unit=\"s\" slope=\"exp\">0.2</decay><sustain unit=\"percent\">50</sustain>"
        "<release unit=\"s\" slope=\"exp_inv\">0.3</release></envelope></track>";
    const std::string arp =
        "<track association=\"Bass\"><arp><pattern>updown</pattern><octaves>2</octaves>"
        "<numerator>1</numerator><denominator>16t</denominator></arp></track>";
    const std::string template_file =
        "<unit><template><range><min>0</min><max>31</max><value><numerator>1</numerator>"
        "<denominator>2</denominator></value></range><range><min>31</min><max>127</max><value>"
        "<numerator>3</numerator><denominator>8T</denominator></value></range></template></unit>";
    return {bytes({0}) + "<modulators stream_filename=\"tune.mp3\" notedata_filename=\"notes.als\">" + lfo +
                envelope + arp + "</modulators>",
            bytes({0}) + "<modulators stream_filename=\"tune.mp3\" mididata_filename=\"notes.mid\">" + lfo +
                envelope + "</modulators>",
            bytes({1}) + template_file};
}

std::string track_file(const std::vector<std::string>& keys)
{
    std::string out = le32(static_cast<uint32_t>(keys.size()));
    for (const std::string& key : keys) out += key;
    return out;
}

std::string track_key(int32_t row, float value, int shape)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return le32(static_cast<uint32_t>(row)) + le32(bits) + bytes({shape});
}

std::vector<std::string> track_seeds()
{
    return {track_file({}), track_file({track_key(0, 1.0f, 0)}),
            track_file({track_key(-8, 0.0f, 1), track_key(0, 1.0f, 2), track_key(16, -2.5f, 3),
                        track_key(40, 4.0f, 0)})};
}

std::string key_update(int curve, int32_t row, float value, int shape)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return bytes({0}) + fixtures::be32(static_cast<uint32_t>(curve)) + fixtures::be32(static_cast<uint32_t>(row)) +
           fixtures::be32(bits) + bytes({shape});
}

std::vector<std::string> synclink_seeds()
{
    std::string keys = key_update(0, 0, 1.0f, 1) + key_update(0, 16, 2.0f, 2) + key_update(1, 4, -1.0f, 3) +
                       key_update(2, 8, 3.0f, 0) + key_update(0, 16, 5.0f, 1);
    std::string remove = bytes({1}) + fixtures::be32(0) + fixtures::be32(16);
    std::string row = bytes({3}) + fixtures::be32(64);
    return {keys, keys + remove + row, bytes({4, 1}) + row + bytes({4, 0}), keys + bytes({5})};
}

std::vector<std::string> jpeg_seeds()
{
    std::vector<std::string> seeds;
    for (int side : {1, 8, 17}) {
        fixtures::Bytes rgb(static_cast<size_t>(side) * side * 3);
        for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 37);
        fixtures::Bytes file = fixtures::jpeg_file(side, side, rgb, side == 8 ? 95 : 50);
        seeds.push_back(std::string(file.begin(), file.end()));
    }
    return seeds;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds TARGET FOLDER\n");
        return 1;
    }
    const std::map<std::string, std::vector<std::string> (*)()> makers = {
        {"fuzz_midi", midi_seeds},       {"fuzz_als", als_seeds},
        {"fuzz_music_description", description_seeds},
        {"fuzz_track", track_seeds},     {"fuzz_synclink", synclink_seeds},
        {"fuzz_jpeg", jpeg_seeds},
    };
    auto maker = makers.find(argv[1]);
    if (maker == makers.end()) {
        std::fprintf(stderr, "make_fuzz_seeds: no seeds for %s\n", argv[1]);
        return 1;
    }
    int index = 0;
    for (const std::string& seed : maker->second()) {
        std::string path = std::string(argv[2]) + "/seed" + std::to_string(index++);
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(seed.data(), 1, seed.size(), file) != seed.size() ||
            std::fclose(file) != 0) {
            std::fprintf(stderr, "make_fuzz_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
