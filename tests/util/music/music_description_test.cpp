#include "util/music/music.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include "music_fixtures.h"
#include "music_fixtures_audio.h"
#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"
#include "util/music/notedata.h"

using fixtures::bytes;

namespace {

const char* const MUSIC_SOURCE = "src\\util\\music\\music";

// Lead and Pad, one note each, as MIDI; Lead alone as a Live set.
std::string notes_mid()
{
    auto track = [](const std::string& name) {
        return bytes({0x00, 0xFF, 0x03, int(name.size())}) + name +
               bytes({0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    };
    return fixtures::midi_file({track("Lead"), track("Pad")});
}

std::string notes_als()
{
    return fixtures::gzip(
        "<Ableton><LiveSet><Tracks><MidiTrack><Name><EffectiveName Value=\"Lead\"/></Name>"
        "<DeviceChain><MainSequencer><ClipTimeable><ArrangerAutomation><Events><MidiClip>"
        "<CurrentStart Value=\"0\"/><CurrentEnd Value=\"4\"/><Loop><LoopStart Value=\"0\"/>"
        "<LoopEnd Value=\"4\"/><LoopOn Value=\"false\"/></Loop><Notes><KeyTracks><KeyTrack>"
        "<Notes><MidiNoteEvent Time=\"1\" Duration=\"1\"/></Notes><MidiKey Value=\"48\"/>"
        "</KeyTrack></KeyTracks></Notes></MidiClip></Events></ArrangerAutomation></ClipTimeable>"
        "</MainSequencer></DeviceChain></MidiTrack></Tracks><MasterTrack><DeviceChain><Mixer>"
        "<Tempo><Manual Value=\"145\"/></Tempo></Mixer></DeviceChain></MasterTrack></LiveSet>"
        "</Ableton>");
}

const char* const SPEED_TEMPLATE =
    "<unit><template>"
    "<range><min>0</min><max>63</max><value><numerator>1</numerator>"
    "<denominator>8</denominator></value></range>"
    "<range><min>63</min><max>127</max><value><numerator>1</numerator>"
    "<denominator>8t</denominator></value></range>"
    "</template></unit>";

const char* const ENVELOPE =
    "<envelope><attack unit=\"s\" slope=\"linear\">0.5</attack>"
    "<decay unit=\"s\" slope=\"exp\">1</decay><sustain unit=\"percent\">80</sustain>"
    "<release unit=\"s\" slope=\"exp_inv\">0.25</release></envelope>";

const char* const LFO_SAW =
    "<lfo><wave>saw</wave><tempo><numerator>1</numerator><denominator>8t</denominator>"
    "<controller><cc>1</cc><template file=\"templates/speed.xml\"/></controller></tempo></lfo>";

const char* const ARP =
    "<arp><pattern>updown</pattern><octaves>2</octaves><numerator>1</numerator>"
    "<denominator>16</denominator></arp>";

std::string description(const std::string& children,
                        const std::string& attributes = "notedata_filename=\"notes.mid\"")
{
    return "<?xml version=\"1.0\"?>\n<modulators stream_filename=\"tune.ogg\" " + attributes +
           ">\n" + children + "</modulators>\n";
}

// The folder a description lives in, with the tune, both kinds of note data and a template.
struct MusicFolder {
    TempDir dir;
    MusicFolder()
    {
        dir.write("music/tune.ogg", fixtures::short_ogg());
        dir.write("music/notes.mid", notes_mid());
        dir.write("music/NOTES.MID", notes_mid());
        dir.write("music/notes.als", notes_als());
        dir.write("music/templates/speed.xml", SPEED_TEMPLATE);
    }
    std::string write(const std::string& xml) const
    {
        dir.write("music/song.xml", xml);
        return dir.file("music/song.xml");
    }
};

ChildResult load_in_child(const std::string& path)
{
    return run_in_child([&] { Music music(path.c_str(), 145.0f, 0.0f, false, 0); });
}

} // namespace

TEST(MusicDescription, LoadsStreamNotesAndModulatorsInDocumentOrder)
{
    MusicFolder folder;
    std::string path = folder.write(description(
        std::string("<pad association=\"Pad\">") + ENVELOPE +
            "<intensity unit=\"float\">0.7</intensity></pad>\n"
            "<lead association=\"Lead\">" + LFO_SAW + "</lead>\n"
            "<!-- comments are no modulators -->\n"
            "<lead association=\"Lead\">" + ARP + "<intensity unit=\"float\">0.5</intensity></lead>\n"
            "<both association=\"Lead\">" + LFO_SAW + ENVELOPE + "</both>\n"
            "<none association=\"Pad\"/>\n",
        "notedata_filename=\"notes.mid\" mididata_filename=\"missing.mid\""));
    Music music(path.c_str(), 145.0f, 0.0f, false, 0);
    ASSERT_NE(music.note_data, nullptr);
    EXPECT_NE(music.float_buffer, nullptr);
    ASSERT_EQ(music.get_track_count(), 2);

    const std::vector<Modulator*>& pad = music.note_data->tracks[1].modulators;
    ASSERT_EQ(pad.size(), 1u);
    ASSERT_EQ(pad[0]->get_type(), MOD_TYPE_ADSR);
    const ADSR* envelope = static_cast<const ADSR*>(pad[0]);
    EXPECT_FLOAT_EQ(envelope->get_attack(), 1.2083333f);
    EXPECT_FLOAT_EQ(envelope->get_decay(), 1.0f / 60.0f * 145.0f);
    EXPECT_FLOAT_EQ(envelope->get_sustain(), 0.8f);
    EXPECT_FLOAT_EQ(envelope->get_release(), 0.25f / 60.0f * 145.0f);
    EXPECT_EQ(envelope->get_attack_slope(), SLOPE_LINEAR);
    EXPECT_EQ(envelope->get_decay_slope(), SLOPE_EXP);
    EXPECT_EQ(envelope->get_release_slope(), SLOPE_EXP_INV);
    EXPECT_FLOAT_EQ(envelope->get_intensity(), 0.7f);

    const std::vector<Modulator*>& lead = music.note_data->tracks[0].modulators;
    ASSERT_EQ(lead.size(), 3u);
    EXPECT_EQ(lead[0]->get_type(), MOD_TYPE_LFO);
    EXPECT_EQ(lead[1]->get_type(), MOD_TYPE_ARP);
    EXPECT_EQ(lead[2]->get_type(), MOD_TYPE_LFO); // the lfo wins over the envelope
    const LFO* saw = static_cast<const LFO*>(lead[0]);
    EXPECT_EQ(saw->get_wave(), WAVE_SAW);
    EXPECT_EQ(saw->get_controller(), 1);
    EXPECT_EQ(saw->get_length(), 0.5f * 0.6666667f);
    EXPECT_EQ(saw->get_intensity(), 1.0f);
    ASSERT_EQ(saw->get_template().value.size(), 2u);
    EXPECT_EQ(saw->get_template().value[0], 0.5f);
    EXPECT_EQ(saw->get_template().value[1], 0.5f * 0.6666667f);
    const Arp* arp = static_cast<const Arp*>(lead[1]);
    EXPECT_EQ(arp->get_pattern(), ARP_UPDOWN);
    EXPECT_EQ(arp->get_octaves(), 2);
    EXPECT_EQ(arp->get_length(), 0.25f);
    EXPECT_FLOAT_EQ(arp->get_intensity(), 0.5f);
}

TEST(MusicDescription, NoteDataFileLookup)
{
    MusicFolder folder;
    struct Case {
        std::string attributes;
        size_t lead_events; // MIDI: 2 events, Live set: one note as 2 events at beat 1
        float first_on;
    };
    const Case cases[] = {
        {"notedata_filename=\"notes.als\" mididata_filename=\"notes.mid\"", 2, 1.0f},
        {"mididata_filename=\"notes.mid\"", 2, 0.0f},
        {"notedata_filename=\"NOTES.MID\"", 2, 0.0f},
        {"notedata_filename=\"notes.als\"", 2, 1.0f},
    };
    for (const Case& c : cases) {
        std::string path = folder.write(description("", c.attributes));
        Music music(path.c_str(), 145.0f, 0.0f, false, 0);
        ASSERT_NE(music.note_data, nullptr) << c.attributes;
        const std::vector<float>& times = music.note_data->tracks[0].note_tracks[0].times;
        ASSERT_EQ(times.size(), c.lead_events) << c.attributes;
        EXPECT_EQ(times[0], c.first_on) << c.attributes;
    }

    struct Failure {
        std::string attributes;
        std::string message;
    };
    const Failure failures[] = {
        {"", "Can't find valid note data file!"},
        {"notedata_filename=\"notes.txt\"", "Music format .txt not supported"},
        {"notedata_filename=\"x\"", "Music format x not supported"},
        {"notedata_filename=\"gone.mid\"",
         "Failed to load " + folder.dir.file("music/gone.mid")},
    };
    for (const Failure& f : failures) {
        std::string path = folder.write(description("", f.attributes));
        ChildResult result = load_in_child(path);
        if (f.message.rfind("Failed to load", 0) == 0)
            fixtures::expect_fatal(result, "src\\util\\music\\midi", f.message);
        else
            fixtures::expect_fatal(result, MUSIC_SOURCE, f.message);
    }
}

TEST(MusicDescription, RefusesWhatItDoesNotRecognize)
{
    MusicFolder folder;
    auto lfo = [](const std::string& wave, const std::string& tempo_children) {
        return "<m association=\"Lead\"><lfo>" + wave + "<tempo>" + tempo_children +
               "</tempo></lfo></m>";
    };
    const std::string tempo_ok = "<numerator>1</numerator><denominator>4</denominator>"
                                 "<controller><cc>1</cc><template file=\"templates/speed.xml\"/>"
                                 "</controller>";
    auto envelope = [](const std::string& children) {
        return "<m association=\"Pad\"><envelope>" + children + "</envelope></m>";
    };
    const std::string attack = "<attack unit=\"s\" slope=\"linear\">1</attack>";
    const std::string decay = "<decay unit=\"s\" slope=\"linear\">1</decay>";
    const std::string sustain = "<sustain unit=\"percent\">50</sustain>";
    const std::string release = "<release unit=\"s\" slope=\"linear\">1</release>";
    auto arp = [](const std::string& children) {
        return "<m association=\"Lead\"><arp>" + children + "</arp></m>";
    };
    const std::string arp_tail =
        "<octaves>1</octaves><numerator>1</numerator><denominator>8</denominator>";
    struct Case {
        std::string children;
        std::string message;
    };
    const Case cases[] = {
        {lfo("<wave>square</wave>", tempo_ok), "Unrecognized LFO wave type: square"},
        {lfo("<wave/>", tempo_ok), "Unrecognized LFO wave type: "},
        {lfo("", tempo_ok), "lfo_element->FirstChildElement( \"wave\" ) is NULL"},
        {"<m association=\"Lead\"><lfo><wave>sine</wave></lfo></m>", "tempo_element is NULL"},
        {lfo("<wave>sine</wave>", "<denominator>4</denominator>"),
         "tempo_element->FirstChildElement( \"numerator\" ) is NULL"},
        {lfo("<wave>sine</wave>", "<numerator>1</numerator>"),
         "tempo_element->FirstChildElement( \"denominator\" ) is NULL"},
        {lfo("<wave>sine</wave>", "<numerator>1</numerator><denominator>4</denominator>"),
         "tempo_element->FirstChildElement( \"controller\" ) is NULL"},
        {lfo("<wave>sine</wave>",
             "<numerator>1</numerator><denominator>4</denominator><controller/>"),
         "tempo_element->FirstChildElement( \"controller\" )->FirstChildElement( \"cc\" ) is NULL"},
        {lfo("<wave>sine</wave>", "<numerator>1</numerator><denominator>4</denominator>"
                                  "<controller><cc>1</cc></controller>"),
         "tempo_element->FirstChildElement( \"controller\" )->FirstChildElement( \"template\" ) "
         "is NULL"},
        {lfo("<wave>sine</wave>", "<numerator>1</numerator><denominator>4</denominator>"
                                  "<controller><cc>128</cc><template file=\"t.xml\"/></controller>"),
         "Controller number 128 out of range 0..127"},
        {lfo("<wave>sine</wave>", "<numerator>1</numerator><denominator>4</denominator>"
                                  "<controller><cc/><template file=\"t.xml\"/></controller>"),
         "Controller number -1 out of range 0..127"},
        {envelope(attack + decay + sustain), "env_element->FirstChildElement( \"release\" ) is NULL"},
        {envelope(decay + sustain + release), "env_element->FirstChildElement( \"attack\" ) is NULL"},
        {envelope(attack + sustain + release), "env_element->FirstChildElement( \"decay\" ) is NULL"},
        {envelope(attack + decay + release), "env_element->FirstChildElement( \"sustain\" ) is NULL"},
        {envelope("<attack unit=\"ms\" slope=\"linear\">1</attack>" + decay + sustain + release),
         "Unrecognized unit type: ms"},
        {envelope(attack + decay + "<sustain unit=\"s\">50</sustain>" + release),
         "Unrecognized unit type: s"},
        {envelope(attack + "<decay unit=\"s\" slope=\"log\">1</decay>" + sustain + release),
         "Unrecognized slope type: log"},
        {envelope(attack + decay + sustain + "<release unit=\"s\">1</release>"),
         "release->Attribute( \"slope\" ) is NULL"},
        {arp("<pattern>random</pattern>" + arp_tail), "Unrecognized arp pattern: random"},
        {arp(arp_tail), "arp_element->FirstChildElement( \"pattern\" ) is NULL"},
        {arp("<pattern>up</pattern><numerator>1</numerator><denominator>8</denominator>"),
         "arp_element->FirstChildElement( \"octaves\" ) is NULL"},
        {arp("<pattern>down</pattern><octaves>1</octaves><denominator>8</denominator>"),
         "arp_element->FirstChildElement( \"numerator\" ) is NULL"},
        {arp("<pattern>updown</pattern><octaves>1</octaves><numerator>1</numerator>"),
         "arp_element->FirstChildElement( \"denominator\" ) is NULL"},
        {"<m association=\"Lead\">" + std::string(ARP) + "<intensity unit=\"percent\">1</intensity></m>",
         "Unexpected intensity unit: percent"},
        {"<m association=\"Lead\"><intensity unit=\"float\">1</intensity></m>",
         "No modulator for the intensity on track Lead"},
        {"<m association=\"Drums\">" + std::string(ARP) + "</m>", "Could not find track Drums"},
        {"<m>" + std::string(ARP) + "</m>", "cur_el->Attribute( \"association\" ) is NULL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        fixtures::expect_fatal(load_in_child(folder.write(description(c.children))), MUSIC_SOURCE,
                               c.message);
    }

    std::string missing = folder.dir.file("music/none.xml");
    fixtures::expect_fatal(load_in_child(missing), MUSIC_SOURCE,
                           "Could not load " + missing + ". Error='Failed to open file'. Exiting.\n");
    std::string broken = folder.write("<modulators stream_filename=\"tune.ogg\">");
    TiXmlDocument reference;
    reference.Parse("<modulators stream_filename=\"tune.ogg\">");
    fixtures::expect_fatal(load_in_child(broken), MUSIC_SOURCE,
                           "Could not load " + broken + ". Error='" + reference.ErrorDesc() +
                               "'. Exiting.\n");
    fixtures::expect_fatal(load_in_child(folder.write("<music/>")), MUSIC_SOURCE,
                           "element is NULL");
    fixtures::expect_fatal(load_in_child(folder.write("<modulators/>")), MUSIC_SOURCE,
                           "element->Attribute( \"stream_filename\" ) is NULL");
}

TEST(MusicDescription, DenominatorSuffixesAndEmptyElements)
{
    MusicFolder folder;
    struct Case {
        std::string denominator;
        float length;
    };
    const Case cases[] = {
        {"<denominator>8</denominator>", 0.5f},
        {"<denominator>8t</denominator>", 0.5f * 0.6666667f},
        {"<denominator>8T</denominator>", 0.5f * 0.6666667f},
        {"<denominator>8x</denominator>", 0.5f},
        {"<denominator>8tripletwithaverylongsuffixindeed</denominator>", 0.5f * 0.6666667f},
        {"<denominator>0</denominator>", 0.0f},
        {"<denominator/>", -4.0f}, // an empty element keeps its start value, -1
    };
    for (const Case& c : cases) {
        std::string path = folder.write(description(
            "<m association=\"Lead\"><arp><pattern>updown</pattern><octaves/><numerator>1"
            "</numerator>" + c.denominator + "</arp><intensity unit=\"float\"/></m>"));
        Music music(path.c_str(), 145.0f, 0.0f, false, 0);
        const Arp* arp = static_cast<const Arp*>(music.note_data->tracks[0].modulators.at(0));
        EXPECT_EQ(arp->get_length(), c.length) << c.denominator;
        EXPECT_EQ(arp->get_octaves(), -1);
        EXPECT_EQ(arp->get_intensity(), 0.0f);
    }
}

TEST(MusicDescription, ControllerTemplates)
{
    MusicFolder folder;
    Music music(folder.dir.file("music/tune.ogg").c_str(), 145.0f, 0.0f, false, 0);
    LFO lfo(WAVE_SINE, 1, 1, 4, false);
    music.load_controller_template(folder.dir.file("music/templates/speed.xml"), &lfo);
    struct Case {
        int value;
        float length;
    };
    const Case cases[] = {{10, 0.5f}, {63, 0.5f}, {64, 0.5f * 0.6666667f}, {127, 0.5f * 0.6666667f}};
    for (const Case& c : cases) {
        lfo.set_controller_value(c.value);
        EXPECT_EQ(lfo.get_length(), c.length) << c.value;
    }

    auto range = [](const std::string& children) { return "<range>" + children + "</range>"; };
    const std::string value = "<value><numerator>1</numerator><denominator>4</denominator></value>";
    struct Failure {
        std::string xml;
        std::string message;
    };
    const Failure failures[] = {
        {"<template/>", "element is NULL"},
        {"<unit/>", "element->FirstChildElement( \"template\" ) is NULL"},
        {"<unit><template/></unit>",
         "element->FirstChildElement( \"template\" )->FirstChildElement( \"range\" ) is NULL"},
        {"<unit><template>" + range("<max>1</max>" + value) + "</template></unit>",
         "cur_el->FirstChildElement( \"min\" ) is NULL"},
        {"<unit><template>" + range("<min>0</min><max>9</max>" + value) +
             range("<min>9</min>" + value) + "</template></unit>",
         "cur_el->FirstChildElement( \"max\" ) is NULL"},
        {"<unit><template>" + range("<min>0</min><max>1</max>") + "</template></unit>",
         "cur_el->FirstChildElement( \"value\" ) is NULL"},
        {"<unit><template>" +
             range("<min>0</min><max>1</max><value><denominator>4</denominator></value>") +
             "</template></unit>",
         "cur_el->FirstChildElement( \"value\" )->FirstChildElement( \"numerator\" ) is NULL"},
        {"<unit><template>" +
             range("<min>0</min><max>1</max><value><numerator>4</numerator></value>") +
             "</template></unit>",
         "cur_el->FirstChildElement( \"value\" )->FirstChildElement( \"denominator\" ) is NULL"},
    };
    for (const Failure& f : failures) {
        folder.dir.write("music/templates/bad.xml", f.xml);
        std::string path = folder.dir.file("music/templates/bad.xml");
        ChildResult result = run_in_child([&] {
            LFO target(WAVE_SINE, 1, 1, 4, false);
            music.load_controller_template(path, &target);
        });
        fixtures::expect_fatal(result, MUSIC_SOURCE, f.message);
    }
    std::string missing = folder.dir.file("music/templates/none.xml");
    ChildResult result = run_in_child([&] {
        LFO target(WAVE_SINE, 1, 1, 4, false);
        music.load_controller_template(missing, &target);
    });
    fixtures::expect_fatal(result, MUSIC_SOURCE,
                           "Could not load " + missing + ". Error='Failed to open file'. Exiting.\n");
}
