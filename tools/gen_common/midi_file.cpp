#include "midi_file.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace gen {

namespace {

struct TimedEvent {
    int32_t tick;
    int order; // at one tick: offs first, then controllers, then ons
    std::string bytes;
};

void put_be(std::string& out, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void put_varlen(std::string& out, uint32_t value)
{
    char bytes[4];
    int n = 0;
    do {
        bytes[n++] = static_cast<char>(value & 0x7F);
        value >>= 7;
    } while (value && n < 4);
    for (int i = n - 1; i >= 0; --i)
        out.push_back(static_cast<char>(bytes[i] | (i ? 0x80 : 0)));
}

std::string meta(uint8_t type, const std::string& data)
{
    std::string out;
    out.push_back(static_cast<char>(0xFF));
    out.push_back(static_cast<char>(type));
    out.push_back(static_cast<char>(std::min<size_t>(data.size(), 127)));
    out += data.substr(0, 127);
    return out;
}

std::string track_chunk(std::vector<TimedEvent> events, int32_t end_tick)
{
    std::stable_sort(events.begin(), events.end(), [](const TimedEvent& a, const TimedEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::string body;
    int32_t now = 0;
    for (const TimedEvent& event : events) {
        put_varlen(body, static_cast<uint32_t>(event.tick - now));
        body += event.bytes;
        now = event.tick;
    }
    put_varlen(body, static_cast<uint32_t>(std::max(0, end_tick - now)));
    body += meta(0x2F, "");
    std::string chunk = "MTrk";
    put_be(chunk, static_cast<uint32_t>(body.size()), 4);
    return chunk + body;
}

} // namespace

std::string encode_midi(const Song& song, const std::string& song_name)
{
    std::string out = "MThd";
    put_be(out, 6, 4);
    put_be(out, 1, 2);
    put_be(out, static_cast<uint32_t>(song.tracks.size() + 1), 2);
    put_be(out, TICKS_PER_BEAT, 2);

    std::vector<TimedEvent> conductor;
    conductor.push_back({0, 0, meta(0x03, song_name)});
    std::string tempo;
    put_be(tempo, static_cast<uint32_t>(std::lround(60000000.0 / song.bpm)), 3);
    conductor.push_back({0, 1, meta(0x51, tempo)});
    conductor.push_back({0, 2, meta(0x58, std::string("\x04\x02\x18\x08", 4))});
    out += track_chunk(conductor, song.end_tick);

    for (const SongTrack& track : song.tracks) {
        std::vector<TimedEvent> events;
        events.push_back({0, -1, meta(0x03, track.name)});
        uint8_t ch = track.channel & 0x0F;
        for (const SongController& c : track.controllers) {
            std::string e = {static_cast<char>(0xB0 | ch), static_cast<char>(c.number & 0x7F),
                             static_cast<char>(c.value & 0x7F)};
            events.push_back({c.tick, 1, e});
        }
        for (const SongNote& n : track.notes) {
            std::string on = {static_cast<char>(0x90 | ch), static_cast<char>(n.pitch & 0x7F),
                              static_cast<char>(n.velocity & 0x7F)};
            std::string off = {static_cast<char>(0x80 | ch), static_cast<char>(n.pitch & 0x7F),
                               static_cast<char>(0x40)};
            events.push_back({n.start, 2, on});
            events.push_back({n.start + n.length, 0, off});
        }
        out += track_chunk(events, song.end_tick);
    }
    return out;
}

namespace {

class Cursor {
public:
    Cursor(const std::string& bytes, size_t pos, size_t end) : data(bytes), at(pos), stop(end) {}
    bool more() const { return at < stop; }
    bool byte(uint8_t& v)
    {
        if (at >= stop)
            return false;
        v = static_cast<uint8_t>(data[at++]);
        return true;
    }
    bool be(uint32_t& v, int n)
    {
        v = 0;
        for (int i = 0; i < n; ++i) {
            uint8_t b;
            if (!byte(b))
                return false;
            v = (v << 8) | b;
        }
        return true;
    }
    bool varlen(uint32_t& v)
    {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!byte(b))
                return false;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    bool text(std::string& s, uint32_t n)
    {
        if (stop - at < n)
            return false;
        s = data.substr(at, n);
        at += n;
        return true;
    }
    size_t position() const { return at; }

private:
    const std::string& data;
    size_t at;
    size_t stop;
};

} // namespace

bool decode_midi(const std::string& bytes, Song& song, std::string& error)
{
    song = Song();
    Cursor head(bytes, 0, bytes.size());
    std::string tag;
    uint32_t length, format, track_count, division;
    if (!head.text(tag, 4) || tag != "MThd" || !head.be(length, 4) || length != 6 ||
        !head.be(format, 2) || !head.be(track_count, 2) || !head.be(division, 2)) {
        error = "not a standard MIDI file";
        return false;
    }
    if (division != TICKS_PER_BEAT) {
        error = "expected " + std::to_string(TICKS_PER_BEAT) + " ticks per beat";
        return false;
    }
    size_t pos = head.position();
    for (uint32_t t = 0; t < track_count; ++t) {
        Cursor chunk_head(bytes, pos, bytes.size());
        uint32_t chunk_length;
        if (!chunk_head.text(tag, 4) || tag != "MTrk" || !chunk_head.be(chunk_length, 4) ||
            bytes.size() - chunk_head.position() < chunk_length) {
            error = "broken track chunk " + std::to_string(t);
            return false;
        }
        size_t body = chunk_head.position();
        pos = body + chunk_length;
        Cursor c(bytes, body, pos);
        SongTrack track;
        std::map<int, std::pair<int32_t, uint8_t>> sounding; // pitch -> (start, velocity)
        uint32_t tick = 0;
        bool ended = false;
        while (c.more() && !ended) {
            uint32_t delta;
            uint8_t status;
            if (!c.varlen(delta) || !c.byte(status)) {
                error = "truncated event in track " + std::to_string(t);
                return false;
            }
            tick += delta;
            uint8_t kind = status & 0xF0;
            if (status == 0xFF) {
                uint8_t type, len;
                std::string data;
                if (!c.byte(type) || !c.byte(len) || !c.text(data, len)) {
                    error = "truncated meta event";
                    return false;
                }
                if (type == 0x03)
                    track.name = data;
                else if (type == 0x51 && len == 3)
                    song.bpm = std::round(60000000.0 /
                                          ((uint8_t(data[0]) << 16) | (uint8_t(data[1]) << 8) |
                                           uint8_t(data[2])) * 100.0) / 100.0;
                else if (type == 0x2F)
                    ended = true;
            } else if (kind == 0x80 || kind == 0x90) {
                uint8_t pitch, velocity;
                if (!c.byte(pitch) || !c.byte(velocity)) {
                    error = "truncated note event";
                    return false;
                }
                track.channel = status & 0x0F;
                auto it = sounding.find(pitch);
                if (kind == 0x90 && velocity > 0) {
                    if (it == sounding.end())
                        sounding[pitch] = {static_cast<int32_t>(tick), velocity};
                } else if (it != sounding.end()) {
                    track.notes.push_back({it->second.first,
                                           static_cast<int32_t>(tick) - it->second.first, pitch,
                                           it->second.second});
                    sounding.erase(it);
                }
            } else if (kind == 0xB0) {
                uint8_t number, value;
                if (!c.byte(number) || !c.byte(value)) {
                    error = "truncated control change";
                    return false;
                }
                track.controllers.push_back({static_cast<int32_t>(tick), number, value});
            } else {
                error = "unsupported MIDI event in track " + std::to_string(t);
                return false;
            }
        }
        if (!sounding.empty()) {
            error = "track " + track.name + " leaves a note open";
            return false;
        }
        song.end_tick = std::max<int32_t>(song.end_tick, static_cast<int32_t>(tick));
        std::stable_sort(track.notes.begin(), track.notes.end(),
                         [](const SongNote& a, const SongNote& b) { return a.start < b.start; });
        if (!track.notes.empty())
            song.tracks.push_back(track);
    }
    return true;
}

} // namespace gen
