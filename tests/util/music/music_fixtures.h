// Small builders for the note-data tests: MIDI files byte by byte, gzip-compressed Live sets,
// and the check of a fatal report's source and message.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include <gtest/gtest.h>
#include <zlib.h>

#include "support/child_process.h"

namespace fixtures {

// Bytes from a list of values, so fixtures read like a hex dump.
inline std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int value : values)
        out.push_back(static_cast<char>(value));
    return out;
}

inline std::string be32(uint32_t value)
{
    return bytes({int(value >> 24) & 0xFF, int(value >> 16) & 0xFF, int(value >> 8) & 0xFF,
                  int(value) & 0xFF});
}

inline std::string midi_header(int track_count, int division = 96)
{
    return std::string("MThd", 4) + be32(6) +
           bytes({0, 1, track_count >> 8, track_count & 0xFF, division >> 8, division & 0xFF});
}

inline std::string midi_chunk(const std::string& events)
{
    return "MTrk" + be32(static_cast<uint32_t>(events.size())) + events;
}

// A format-1 file of one or more tracks at 96 ticks per beat.
inline std::string midi_file(std::initializer_list<std::string> tracks, int division = 96)
{
    std::string out = midi_header(static_cast<int>(tracks.size()), division);
    for (const std::string& events : tracks)
        out += midi_chunk(events);
    return out;
}

inline std::string gzip(const std::string& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// The full fatal form: exit code 1, the caption naming the source, the message after it.
inline void expect_fatal(const ChildResult& result, const std::string& source,
                         const std::string& message)
{
    EXPECT_EQ(result.exit_code, 1) << result.err;
    std::string caption = "Error in file " + source + ":";
    EXPECT_EQ(result.err.compare(0, caption.size(), caption), 0) << result.err;
    std::string tail = "\n\n" + message + "\n";
    ASSERT_GE(result.err.size(), tail.size()) << result.err;
    EXPECT_EQ(result.err.substr(result.err.size() - tail.size()), tail) << result.err;
}

// The short form: caption "Error", text "Error in file " + source + ":" + line.
inline void expect_short_fatal(const ChildResult& result, const std::string& source)
{
    EXPECT_EQ(result.exit_code, 1) << result.err;
    std::string head = "Error\nError in file " + source + ":";
    EXPECT_EQ(result.err.compare(0, head.size(), head), 0) << result.err;
    ASSERT_GE(result.err.size(), 2u);
    EXPECT_EQ(result.err.substr(result.err.size() - 2), "\n\n") << result.err;
}

} // namespace fixtures
