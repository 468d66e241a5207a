#include "timeline.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

#include "file_io.h"

namespace gen {

namespace {

bool parse_number(const std::string& word, double& value)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(word.c_str(), &end);
    return errno == 0 && end && *end == '\0' && std::isfinite(value);
}

bool parse_shape(const std::string& word, uint8_t& shape)
{
    static const char* const names[] = {"step", "linear", "smooth", "ramp"};
    for (uint8_t i = 0; i < 4; ++i) {
        if (word == names[i]) {
            shape = i;
            return true;
        }
    }
    return false;
}

std::vector<std::string> split_words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line.substr(0, line.find('#')));
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

void put_u32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

} // namespace

const TimelineTrack* Timeline::find(const std::string& name) const
{
    for (const TimelineTrack& track : tracks)
        if (track.name == name)
            return &track;
    return nullptr;
}

bool parse_timeline(const std::string& text, Timeline& timeline, std::string& error)
{
    timeline = Timeline();
    std::set<std::string> names;
    std::istringstream in(text);
    std::string line;
    int line_number = 0;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(line_number) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++line_number;
        std::vector<std::string> words = split_words(line);
        if (words.empty())
            continue;
        const std::string& head = words[0];
        if (head == "bpm" || head == "length") {
            double value;
            if (words.size() != 2 || !parse_number(words[1], value) || value <= 0.0)
                return fail("'" + head + "' needs one positive number");
            (head == "bpm" ? timeline.bpm : timeline.length_beats) = value;
        } else if (head == "track") {
            if (words.size() != 2)
                return fail("'track' needs one name");
            if (!names.insert(words[1]).second)
                return fail("track " + words[1] + " is listed twice");
            timeline.tracks.push_back(TimelineTrack{words[1], {}});
        } else {
            if (timeline.tracks.empty())
                return fail("key before the first 'track'");
            if (words.size() != 3)
                return fail("a key is BEAT VALUE SHAPE");
            double beat, value;
            TimelineKey key;
            if (!parse_number(words[0], beat))
                return fail("'" + words[0] + "' is not a beat position");
            double row = beat * ROWS_PER_BEAT;
            if (row != std::floor(row) || std::fabs(row) > 2.0e9)
                return fail("beat " + words[0] + " is not on a row (1/8 beat)");
            if (!parse_number(words[1], value))
                return fail("'" + words[1] + "' is not a value");
            if (!parse_shape(words[2], key.shape))
                return fail("unknown shape '" + words[2] + "' (step, linear, smooth, ramp)");
            key.row = static_cast<int32_t>(row);
            key.value = static_cast<float>(value);
            TimelineTrack& track = timeline.tracks.back();
            if (!track.keys.empty() && track.keys.back().row >= key.row)
                return fail("keys of track " + track.name + " must increase");
            track.keys.push_back(key);
        }
    }
    if (timeline.bpm <= 0.0) {
        error = "the timeline names no 'bpm'";
        return false;
    }
    if (timeline.length_beats <= 0.0) {
        error = "the timeline names no 'length'";
        return false;
    }
    return true;
}

bool load_timeline(const std::string& path, Timeline& timeline, std::string& error)
{
    std::string text;
    if (!read_file(path, text, error))
        return false;
    if (!parse_timeline(text, timeline, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string encode_track(const TimelineTrack& track)
{
    std::string out;
    put_u32(out, static_cast<uint32_t>(track.keys.size()));
    for (const TimelineKey& key : track.keys) {
        put_u32(out, static_cast<uint32_t>(key.row));
        uint32_t bits;
        std::memcpy(&bits, &key.value, 4);
        put_u32(out, bits);
        out.push_back(static_cast<char>(key.shape));
    }
    return out;
}

std::string track_file_name(const std::string& folder, const std::string& name)
{
    return folder + "/_" + name + ".track";
}

} // namespace gen
