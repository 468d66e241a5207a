#include "util/music/midi.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "util/data/datafile.h"
#include "util/error/fatal.h"
#include "util/math/mathutil.h"

namespace {

const char* const SOURCE = "src\\util\\music\\midi";

void check_buffer(const MidiCursor& cursor)
{
    if (cursor.pos == nullptr || cursor.end == nullptr)
        FATAL_ERROR(SOURCE, "NULL-buffer specified");
}

// Every read asks for its bytes first: a file or chunk that ends early is refused here.
void need(const MidiCursor& cursor, uint32_t count)
{
    if (cursor.pos > cursor.end || static_cast<uint32_t>(cursor.end - cursor.pos) < count)
        FATAL_ERROR(SOURCE, "Unexpected end of MIDI data, file truncated?");
}

unsigned char read_byte(MidiCursor& cursor)
{
    need(cursor, 1);
    return *cursor.pos++;
}

void skip(MidiCursor& cursor, uint32_t count)
{
    need(cursor, count);
    cursor.pos += count;
}

// A data byte of a channel message: 0..127. A set top bit here is a corrupt file.
int read_data_byte(MidiCursor& cursor)
{
    unsigned char value = read_byte(cursor);
    if (value & 0x80) {
        std::ostringstream message;
        message << "Data byte " << int(value) << " out of range 0..127, corrupt MIDI file?";
        FATAL_ERROR(SOURCE, message.str());
    }
    return value;
}

void expect_length(MidiCursor& cursor, unsigned char expected, const char* message)
{
    if (read_byte(cursor) != expected)
        FATAL_ERROR(SOURCE, message);
}

// Frees the loaded file on every way out of the constructor that returns.
struct FileBuffer {
    char* data = nullptr;
    ~FileBuffer() { std::free(data); }
};

} // namespace

uint32_t midi_read_varlen(MidiCursor& cursor)
{
    check_buffer(cursor);
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        unsigned char byte = read_byte(cursor);
        value = (value << 7) | (byte & 0x7F);
        if (!(byte & 0x80))
            return value;
    }
    FATAL_ERROR(SOURCE, "Found 4 bytes of delta time without a 0 MSB");
}

uint32_t midi_read_be(MidiCursor& cursor, int bytes)
{
    check_buffer(cursor);
    if (bytes < 1 || bytes > 4)
        FATAL_ERROR(SOURCE, "bytes must be in range 1..4!");
    need(cursor, static_cast<uint32_t>(bytes));
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | *cursor.pos++;
    return value;
}

bool midi_read_text(std::string& out, MidiCursor& cursor)
{
    check_buffer(cursor);
    need(cursor, 2);
    unsigned char length = cursor.pos[1];
    if (length == 0)
        return false;
    cursor.pos += 2;
    need(cursor, length);
    out.assign(reinterpret_cast<const char*>(cursor.pos), length);
    cursor.pos += length;
    return true;
}

MidiNoteData::MidiNoteData(const std::string& path) : NoteData(path)
{
    tempo = 120.0f;
    time_sig_numerator = 4;
    time_sig_denominator = 4;
    clocks_per_click = 24;
    thirty_seconds_per_quarter = 8;
    key_sharps = 0;
    key_minor = false;

    int size = 0;
    FileBuffer file;
    file.data = DataFile::load_file(path.c_str(), "rb", &size, true);
    if (file.data == nullptr)
        FATAL_ERROR(SOURCE, "Failed to load " + path);

    // The reported size counts the terminator that load_file added.
    MidiCursor cursor;
    cursor.pos = reinterpret_cast<const unsigned char*>(file.data);
    cursor.end = cursor.pos + (size > 0 ? size - 1 : 0);

    // "MThd" and the zero byte after it identify the file; the terminator keeps a four-byte
    // file inside the buffer here, and the reads below refuse it.
    if (std::strncmp(file.data, "MThd\0\0\0\6", 8) != 0)
        FATAL_ERROR(SOURCE, "  Unknown header info, MIDI file format not recognized\n");
    skip(cursor, 8);
    midi_read_be(cursor, 2); // format
    uint32_t track_count = midi_read_be(cursor, 2);
    uint32_t division = midi_read_be(cursor, 2);
    if (division == 0)
        FATAL_ERROR(SOURCE, "Division of 0 ticks per beat, corrupt MIDI file?");

    for (uint32_t i = 0; i < track_count; ++i) {
        need(cursor, 8);
        if (std::memcmp(cursor.pos, "MTrk", 4) != 0)
            FATAL_ERROR(SOURCE, " Could not find track chunk header, unrecognized file format!\n");
        cursor.pos += 4;
        uint32_t length = midi_read_be(cursor, 4);
        if (static_cast<uint32_t>(cursor.end - cursor.pos) < length)
            FATAL_ERROR(SOURCE, "Track chunk length runs past the end of the file");
        MidiCursor chunk;
        chunk.pos = cursor.pos;
        chunk.end = cursor.pos + length;
        read_track(chunk, division);
        cursor.pos = chunk.end;
    }
}

void MidiNoteData::read_track(MidiCursor& chunk, uint32_t division)
{
    InstrumentTrack track;
    unsigned char status = 0;
    uint32_t ticks = 0;

    while (chunk.pos < chunk.end) {
        ticks += midi_read_varlen(chunk);
        float time = static_cast<float>(static_cast<double>(ticks) / division);

        need(chunk, 1);
        unsigned char event_byte = *chunk.pos;
        if (event_byte & 0x80) {
            status = event_byte;
            ++chunk.pos;
        }

        switch (status & 0xF0) {
        case 0x80: { // note-off: a note-on of velocity 0
            int note = read_data_byte(chunk);
            read_data_byte(chunk);
            add_note_event(track, note, 0, time);
            continue;
        }
        case 0x90: {
            int note = read_data_byte(chunk);
            int velocity = read_data_byte(chunk);
            add_note_event(track, note, velocity, time);
            continue;
        }
        case 0xA0: // polyphonic pressure
        case 0xE0: // pitch bend
            skip(chunk, 2);
            continue;
        case 0xD0: // channel pressure
            skip(chunk, 1);
            continue;
        case 0xB0: {
            int controller = read_data_byte(chunk);
            int value = read_data_byte(chunk);
            if (controller == 7) {
                track.volume = static_cast<float>(value);
            } else if (controller == 10) {
                track.pan = static_cast<float>(value);
            } else {
                track.controllers[static_cast<size_t>(controller)].times.push_back(time);
                track.controllers[static_cast<size_t>(controller)].values.push_back(static_cast<uint8_t>(value));
            }
            continue;
        }
        case 0xC0: // program change
            fatal_error_short(SOURCE, __LINE__);
        default:
            break;
        }

        if (status == 0xF0 || status == 0xF7)
            FATAL_ERROR(SOURCE, "  Got SysEx event, not supported yet, panicking!");
        if (status == 0xFF) {
            read_meta(chunk, track);
            continue;
        }
        std::ostringstream message;
        message << "Unknown event " << (event_byte >> 4) << " from " << int(event_byte)
                << ", corrupt MIDI file? Panicking!";
        FATAL_ERROR(SOURCE, message.str());
    }

    if (track.event_count > 0)
        tracks.push_back(track);
}

void MidiNoteData::read_meta(MidiCursor& chunk, InstrumentTrack& track)
{
    need(chunk, 1);
    unsigned char type = *chunk.pos;
    switch (type) {
    case 0x01:
        if (!midi_read_text(text, chunk))
            FATAL_ERROR(SOURCE, "Retrieving text info failed!");
        return;
    case 0x02:
        if (!midi_read_text(copyright, chunk))
            FATAL_ERROR(SOURCE, "Retrieving copyright info failed!");
        return;
    case 0x03:
        if (!midi_read_text(track.name, chunk))
            FATAL_ERROR(SOURCE, "Retrieving track name failed!");
        return;
    case 0x2F:
        ++chunk.pos;
        expect_length(chunk, 0x00, "Expected 0x00");
        return;
    case 0x51: {
        ++chunk.pos;
        expect_length(chunk, 0x03, "Expected 0x03");
        uint32_t microseconds = midi_read_be(chunk, 3);
        if (microseconds == 0)
            FATAL_ERROR(SOURCE, "Tempo of 0 microseconds per quarter note, corrupt MIDI file?");
        tempo = round_to_decimals(static_cast<float>(60000000.0 / microseconds), 2);
        return;
    }
    case 0x58: {
        ++chunk.pos;
        expect_length(chunk, 0x04, "Expected 0x04");
        time_sig_numerator = read_byte(chunk);
        unsigned char exponent = read_byte(chunk);
        if (exponent > 7) {
            std::ostringstream message;
            message << "Time signature denominator exponent " << int(exponent)
                    << " out of range 0..7";
            FATAL_ERROR(SOURCE, message.str());
        }
        time_sig_denominator = static_cast<uint8_t>(1u << exponent);
        clocks_per_click = read_byte(chunk);
        thirty_seconds_per_quarter = read_byte(chunk);
        return;
    }
    case 0x59:
        ++chunk.pos;
        expect_length(chunk, 0x02, "Expected 0x02");
        key_sharps = static_cast<int8_t>(read_byte(chunk));
        key_minor = read_byte(chunk) == 1;
        return;
    case 0x00:
    case 0x04:
    case 0x05:
    case 0x06:
    case 0x07:
    case 0x20:
    case 0x54:
    case 0x7F:
        fatal_error_short(SOURCE, __LINE__);
    default:
        FATAL_ERROR(SOURCE, "  Unknown meta event, panicking!");
    }
}

void MidiNoteData::add_note_event(InstrumentTrack& track, int note, int velocity, float time)
{
    ++track.event_count;
    NoteTrack* target = nullptr;
    for (NoteTrack& candidate : track.note_tracks) {
        if (candidate.note == note) {
            target = &candidate;
            break;
        }
    }
    if (target == nullptr) {
        track.note_tracks.emplace_back();
        target = &track.note_tracks.back();
        target->note = static_cast<uint8_t>(note);
        target->name = note_name(note);
    }

    // An off at beat 0 is -0.0: the sign bit, not a comparison with 0, tells it from an on.
    bool last_is_off = target->times.empty() || std::signbit(target->times.back());
    bool last_is_on = target->times.empty() || !std::signbit(target->times.back());
    if (velocity > 0) {
        if (last_is_off) {
            target->times.push_back(time);
            target->velocities.push_back(static_cast<uint8_t>(velocity));
        }
    } else if (last_is_on) {
        target->times.push_back(-time);
        target->velocities.push_back(0);
    }
}
