// Fixed-width integers read from and written to byte buffers in a stated byte order, whatever
// the host's: little-endian for the data file, HUFF streams, BMP and TGA headers, AVI files and
// dialog templates, big-endian for the sync-tracker protocol and PNG.
#pragma once

#include <cstdint>
#include <vector>

inline std::uint16_t read_le16(const unsigned char* at)
{
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

inline std::uint32_t read_le32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

inline void write_le16(unsigned char* at, std::uint16_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

inline void write_le32(unsigned char* at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
    at[2] = static_cast<unsigned char>(value >> 16);
    at[3] = static_cast<unsigned char>(value >> 24);
}

inline void append_le16(std::vector<unsigned char>& out, std::uint16_t value)
{
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

inline void append_le32(std::vector<unsigned char>& out, std::uint32_t value)
{
    append_le16(out, static_cast<std::uint16_t>(value));
    append_le16(out, static_cast<std::uint16_t>(value >> 16));
}

inline std::uint32_t read_be32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
           static_cast<std::uint32_t>(at[2]) << 8 | static_cast<std::uint32_t>(at[3]);
}

inline void write_be32(unsigned char* at, std::uint32_t value)
{
    at[0] = static_cast<unsigned char>(value >> 24);
    at[1] = static_cast<unsigned char>(value >> 16);
    at[2] = static_cast<unsigned char>(value >> 8);
    at[3] = static_cast<unsigned char>(value);
}
