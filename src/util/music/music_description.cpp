// The XML music description: the audio stream, the note data and the modulators attached to
// its instrument tracks; and the controller templates that the oscillators read.
#include "util/music/music.h"

#include <cctype>
#include <cstdio>
#include <sstream>

#include <tinyxml.h>

#include "util/data/datafile.h"
#include "util/error/fatal.h"
#include "util/music/als.h"
#include "util/music/midi.h"
#include "util/music/modulators/adsr.h"
#include "util/music/modulators/arp.h"
#include "util/music/modulators/lfo.h"
#include "util/music/modulators/modulator.h"
#include "util/music/notedata.h"

namespace {

const char* const SOURCE = "src\\util\\music\\music";

// A child that must be there; parent_text names the parent in the report.
const TiXmlElement* required(const TiXmlElement* parent, const char* name,
                             const std::string& parent_text)
{
    const TiXmlElement* element = parent->FirstChildElement(name);
    if (element == nullptr)
        FATAL_ERROR(SOURCE, null_text((parent_text + "->FirstChildElement( \"" + name + "\" )").c_str()));
    return element;
}

const char* required_attribute(const TiXmlElement* element, const char* name,
                               const std::string& element_text)
{
    const char* value = element->Attribute(name);
    if (value == nullptr)
        FATAL_ERROR(SOURCE, null_text((element_text + "->Attribute( \"" + name + "\" )").c_str()));
    return value;
}

// Element text as it stands; an empty element reads as no text at all.
const char* text_of(const TiXmlElement* element)
{
    const char* text = element->GetText();
    return text != nullptr ? text : "";
}

int scan_int(const TiXmlElement* element)
{
    int value = -1;
    std::sscanf(text_of(element), "%i", &value);
    return value;
}

float scan_float(const TiXmlElement* element, float initial)
{
    float value = initial;
    std::sscanf(text_of(element), "%f", &value);
    return value;
}

// An integer followed directly by an optional suffix; "t" or "T" makes a triplet. Only the
// suffix's first character matters, so no more than three are taken.
void scan_denominator(const TiXmlElement* element, int& denominator, bool& triplet)
{
    denominator = -1;
    char suffix[4] = " ";
    std::sscanf(text_of(element), "%i%3s", &denominator, suffix);
    triplet = suffix[0] == 't' || suffix[0] == 'T';
}

std::string lower_extension(const std::string& name)
{
    std::string extension = name.size() >= 4 ? name.substr(name.size() - 4) : name;
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// Loads an XML file through the data layer, or ends with the parser's own words. The stream
// is parsed by the data layer's buffer parse, which keeps the parser inside the text when a
// file ends in the middle of a UTF-8 sequence.
void load_document(TiXmlDocument& document, const std::string& path)
{
    FILE* file = DataFile::open_file(path.c_str(), "rb", false);
    bool loaded = false;
    if (file == nullptr) {
        loaded = LoadBuffer(document, nullptr, 0);
    } else {
        std::string text;
        char chunk[4096];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            text.append(chunk, got);
        std::fclose(file);
        if (text.empty()) {
            document.SetError(TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY, nullptr, nullptr,
                              TIXML_ENCODING_UNKNOWN);
        } else {
            text.push_back('\0'); // the room LoadBuffer writes its terminator into
            loaded = LoadBuffer(document, &text[0], static_cast<int>(text.size() - 1));
        }
    }
    if (!loaded)
        FATAL_ERROR(SOURCE, "Could not load " + path + ". Error='" + document.ErrorDesc() +
                                "'. Exiting.\n");
}

int slope_of(const TiXmlElement* element, const std::string& element_text)
{
    std::string slope = required_attribute(element, "slope", element_text);
    if (slope == "linear")
        return SLOPE_LINEAR;
    if (slope == "exp")
        return SLOPE_EXP;
    if (slope == "exp_inv")
        return SLOPE_EXP_INV;
    FATAL_ERROR(SOURCE, "Unrecognized slope type: " + slope);
}

void expect_unit(const TiXmlElement* element, const char* unit, const std::string& element_text)
{
    std::string found = required_attribute(element, "unit", element_text);
    if (found != unit)
        FATAL_ERROR(SOURCE, "Unrecognized unit type: " + found);
}

} // namespace

void Music::load_midi(const std::string& path)
{
    note_data = new MidiNoteData(path);
    if (note_data == nullptr)
        FATAL_ERROR(SOURCE, "Failed to load " + path);
}

void Music::load_als(const std::string& path)
{
    note_data = new AlsNoteData(path);
    if (note_data == nullptr)
        FATAL_ERROR(SOURCE, "Failed to load " + path);
}

void Music::load_controller_template(const std::string& path, Modulator* target)
{
    TiXmlDocument document;
    load_document(document, path);

    const TiXmlElement* element = document.FirstChildElement("unit");
    if (element == nullptr)
        FATAL_ERROR(SOURCE, null_text("element"));
    const TiXmlElement* template_element = required(element, "template", "element");
    const TiXmlElement* cur_el =
        required(template_element, "range", "element->FirstChildElement( \"template\" )");
    for (; cur_el != nullptr; cur_el = cur_el->NextSiblingElement("range")) {
        const TiXmlElement* min = required(cur_el, "min", "cur_el");
        const TiXmlElement* max = required(cur_el, "max", "cur_el");
        const TiXmlElement* value = required(cur_el, "value", "cur_el");
        const std::string value_text = "cur_el->FirstChildElement( \"value\" )";
        const TiXmlElement* numerator = required(value, "numerator", value_text);
        const TiXmlElement* denominator = required(value, "denominator", value_text);

        int denominator_value = -1;
        bool triplet = false;
        scan_denominator(denominator, denominator_value, triplet);
        target->add_range(scan_int(min), scan_int(max), scan_int(numerator), denominator_value,
                          triplet);
    }
}

namespace {

// An LFO element: the oscillator, and in *template_file its controller template's file name.
LFO* read_lfo(const TiXmlElement* lfo_element, std::string* template_file)
{
    std::string wave = text_of(required(lfo_element, "wave", "lfo_element"));
    int wave_type = WAVE_SINE;
    if (wave == "sine")
        wave_type = WAVE_SINE;
    else if (wave == "saw")
        wave_type = WAVE_SAW;
    else
        FATAL_ERROR(SOURCE, "Unrecognized LFO wave type: " + wave);

    const TiXmlElement* tempo_element = lfo_element->FirstChildElement("tempo");
    if (tempo_element == nullptr)
        FATAL_ERROR(SOURCE, null_text("tempo_element"));
    int numerator = scan_int(required(tempo_element, "numerator", "tempo_element"));
    int denominator = -1;
    bool triplet = false;
    scan_denominator(required(tempo_element, "denominator", "tempo_element"), denominator,
                     triplet);
    const TiXmlElement* controller =
        required(tempo_element, "controller", "tempo_element");
    const std::string controller_text =
        "tempo_element->FirstChildElement( \"controller\" )";
    int cc = scan_int(required(controller, "cc", controller_text));
    if (cc < 0 || cc > 127) {
        std::ostringstream message;
        message << "Controller number " << cc << " out of range 0..127";
        FATAL_ERROR(SOURCE, message.str());
    }

    // The template is looked up before the oscillator is made, so that a report about it
    // leaves nothing unowned.
    const TiXmlElement* template_element =
        required(controller, "template", controller_text);
    *template_file =
        required_attribute(template_element, "file", controller_text +
                                                         "->FirstChildElement( \"template\" )");
    return new LFO(wave_type, cc, numerator, denominator, triplet);
}

// An envelope element; its times are given in seconds and kept in beats of the music's tempo,
// its sustain in percent and kept as a fraction.
ADSR* read_envelope(const TiXmlElement* env_element, float bpm)
{
    const TiXmlElement* attack = required(env_element, "attack", "env_element");
    const TiXmlElement* decay = required(env_element, "decay", "env_element");
    const TiXmlElement* sustain = required(env_element, "sustain", "env_element");
    const TiXmlElement* release = required(env_element, "release", "env_element");

    float attack_value = scan_float(attack, 1.0f);
    expect_unit(attack, "s", "attack");
    attack_value = attack_value / 60.0f * bpm;
    int attack_slope = slope_of(attack, "attack");

    float decay_value = scan_float(decay, 1.0f);
    expect_unit(decay, "s", "decay");
    decay_value = decay_value / 60.0f * bpm;
    int decay_slope = slope_of(decay, "decay");

    float sustain_value = scan_float(sustain, 1.0f);
    expect_unit(sustain, "percent", "sustain");
    sustain_value = sustain_value / 100.0f;

    float release_value = scan_float(release, 1.0f);
    expect_unit(release, "s", "release");
    release_value = release_value / 60.0f * bpm;
    int release_slope = slope_of(release, "release");

    return new ADSR(attack_value, attack_slope, decay_value, decay_slope, sustain_value,
                    release_value, release_slope);
}

Arp* read_arp(const TiXmlElement* arp_element)
{
    std::string pattern = text_of(required(arp_element, "pattern", "arp_element"));
    int pattern_type = ARP_UPDOWN;
    if (pattern == "updown")
        pattern_type = ARP_UPDOWN;
    else if (pattern == "up")
        pattern_type = ARP_UP;
    else if (pattern == "down")
        pattern_type = ARP_DOWN;
    else
        FATAL_ERROR(SOURCE, "Unrecognized arp pattern: " + pattern);
    int octaves = scan_int(required(arp_element, "octaves", "arp_element"));
    int numerator = scan_int(required(arp_element, "numerator", "arp_element"));
    int denominator = -1;
    bool triplet = false;
    scan_denominator(required(arp_element, "denominator", "arp_element"), denominator, triplet);
    return new Arp(pattern_type, octaves, numerator, denominator, triplet);
}

// An intensity element sets the intensity of the track's last modulator.
void read_intensity(const TiXmlElement* cur_el, std::vector<Modulator*>& modulators,
                    const std::string& association)
{
    const TiXmlElement* intensity = cur_el->FirstChildElement("intensity");
    if (intensity == nullptr)
        return;
    std::string unit = required_attribute(intensity, "unit", "intensity");
    if (unit != "float")
        FATAL_ERROR(SOURCE, "Unexpected intensity unit: " + unit);
    if (modulators.empty())
        FATAL_ERROR(SOURCE, "No modulator for the intensity on track " + association);
    modulators.back()->set_intensity(scan_float(intensity, 0.0f));
}

} // namespace

void Music::load_description(const std::string& path)
{
    TiXmlDocument document;
    load_document(document, path);

    size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);

    const TiXmlElement* element = document.FirstChildElement("modulators");
    if (element == nullptr)
        FATAL_ERROR(SOURCE, null_text("element"));

    load_stream(directory + required_attribute(element, "stream_filename", "element"));
    load_note_data(directory, element);
    for (const TiXmlElement* cur_el = element->FirstChildElement(); cur_el != nullptr;
         cur_el = cur_el->NextSiblingElement()) {
        load_track_modulators(directory, cur_el);
    }
}

void Music::load_note_data(const std::string& directory, const TiXmlElement* element)
{
    const char* notedata = element->Attribute("notedata_filename");
    if (notedata == nullptr)
        notedata = element->Attribute("mididata_filename");
    if (notedata == nullptr)
        FATAL_ERROR(SOURCE, "Can't find valid note data file!");
    std::string extension = lower_extension(notedata);
    if (extension == ".mid")
        load_midi(directory + notedata);
    else if (extension == ".als")
        load_als(directory + notedata);
    else
        FATAL_ERROR(SOURCE, "Music format " + extension + " not supported");
}

void Music::load_track_modulators(const std::string& directory, const TiXmlElement* cur_el)
{
    std::string association = required_attribute(cur_el, "association", "cur_el");
    int track_index = find_track(association.c_str());
    if (track_index < 0)
        FATAL_ERROR(SOURCE, "Could not find track " + association);
    std::vector<Modulator*>& modulators = note_data->tracks[static_cast<size_t>(track_index)].modulators;

    if (const TiXmlElement* lfo_element = cur_el->FirstChildElement("lfo")) {
        std::string template_file;
        LFO* lfo = read_lfo(lfo_element, &template_file);
        modulators.push_back(lfo);
        load_controller_template(directory + template_file, lfo);
    } else if (const TiXmlElement* env_element = cur_el->FirstChildElement("envelope")) {
        modulators.push_back(read_envelope(env_element, bpm));
    } else if (const TiXmlElement* arp_element = cur_el->FirstChildElement("arp")) {
        modulators.push_back(read_arp(arp_element));
    }
    read_intensity(cur_el, modulators, association);
}
