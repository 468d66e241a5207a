#include "util/texture/pngdecoder.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "util/data/datafile.h"
#include "util/texture/pnginflater.h"

namespace {

const unsigned char SIGNATURE[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

const unsigned int CHUNK_IHDR = 0x49484452;
const unsigned int CHUNK_PLTE = 0x504C5445;
const unsigned int CHUNK_IDAT = 0x49444154;
const unsigned int CHUNK_IEND = 0x49454E44;
const unsigned int CHUNK_TRNS = 0x74524E53;

unsigned int png_uint16(const unsigned char* bytes) { return (bytes[0] << 8) | bytes[1]; }

// Chunks whose damage would change the picture itself: a wrong CRC on one of them fails the
// decode.
bool is_critical(unsigned int type)
{
    return type == CHUNK_IHDR || type == CHUNK_PLTE || type == CHUNK_IDAT || type == CHUNK_IEND;
}

// The CRC of a chunk covers its type and its data.
bool crc_matches(const unsigned char* type, const unsigned char* data, unsigned int length,
                 const unsigned char* stored)
{
    uLong crc = crc32(0L, type, 4);
    if (length > 0) crc = crc32(crc, data, length);
    return crc == png_uint32(stored);
}

} // namespace

unsigned int png_uint32(const unsigned char* bytes)
{
    return (static_cast<unsigned int>(bytes[0]) << 24) | (static_cast<unsigned int>(bytes[1]) << 16) |
           (static_cast<unsigned int>(bytes[2]) << 8) | static_cast<unsigned int>(bytes[3]);
}

void PngHeader::parse(const unsigned char* bytes)
{
    width = static_cast<int>(png_uint32(bytes));
    height = static_cast<int>(png_uint32(bytes + 4));
    bit_depth = bytes[8];
    colour_type = bytes[9];
    compression = bytes[10];
    filter = bytes[11];
    interlace = bytes[12];
}

PngPalette::~PngPalette() { delete[] entries; }

bool PngPalette::parse(unsigned int length, const unsigned char* bytes)
{
    if (length % 3 != 0) return false;
    delete[] entries;
    count = static_cast<int>(length / 3);
    entries = new unsigned char[length];
    std::memcpy(entries, bytes, length);
    return true;
}

JhGenericPngDecoder::JhGenericPngDecoder() : alpha_count(0), last_inflate(-1)
{
    transparent[0] = transparent[1] = transparent[2] = INT_MAX;
    std::memset(palette_alpha, 255, sizeof palette_alpha);
}

JhGenericPngDecoder::~JhGenericPngDecoder() = default;

int JhGenericPngDecoder::prepare_output() { return 1; }
int JhGenericPngDecoder::output(unsigned char) { return 1; }
int JhGenericPngDecoder::end_output() { return 1; }

int JhGenericPngDecoder::output_block(const unsigned char* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (output(bytes[i]) != 1) return 0;
    }
    return 1;
}

bool JhGenericPngDecoder::check_signature(FILE* stream)
{
    unsigned char bytes[8];
    return std::fread(bytes, 1, sizeof bytes, stream) == sizeof bytes &&
           std::memcmp(bytes, SIGNATURE, sizeof bytes) == 0;
}

void JhGenericPngDecoder::read_transparency(unsigned int length, const unsigned char* bytes,
                                            int colour_type)
{
    if (colour_type == 0 && length >= 2) {
        transparent[0] = static_cast<int>(png_uint16(bytes));
    } else if (colour_type == 2 && length >= 6) {
        transparent[0] = static_cast<int>(png_uint16(bytes));
        transparent[1] = static_cast<int>(png_uint16(bytes + 2));
        transparent[2] = static_cast<int>(png_uint16(bytes + 4));
    } else if (colour_type == 3) {
        // One alpha per palette entry, in palette order; entries past the list stay opaque.
        alpha_count = static_cast<int>(length < 256 ? length : 256);
        std::memcpy(palette_alpha, bytes, static_cast<size_t>(alpha_count));
    }
}

int JhGenericPngDecoder::decode(const char* file)
{
    FILE* stream = DataFile::open_file(file, "rb", false);
    if (stream == nullptr) return -1;
    int result = decode_stream(stream);
    std::fclose(stream);
    return result;
}

int JhGenericPngDecoder::decode_stream(FILE* stream)
{
    if (std::fseek(stream, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(stream);
    if (end < 0 || std::fseek(stream, 0, SEEK_SET) != 0) return -1;
    const size_t file_size = static_cast<size_t>(end);

    if (!check_signature(stream)) return -1;

    // Chunk lengths are held to what the file has left, so no read or buffer can outgrow it.
    std::vector<unsigned char> collected;
    collected.reserve(file_size);
    std::vector<unsigned char> data;
    size_t position = 8;
    for (;;) {
        unsigned char head[8];
        if (std::fread(head, 1, sizeof head, stream) != sizeof head) break;
        position += 8;
        const unsigned int length = png_uint32(head);
        const unsigned int type = png_uint32(head + 4);
        if (length > file_size - position || file_size - position - length < 4) break;
        unsigned char* target;
        if (type == CHUNK_IDAT) {
            const size_t at = collected.size();
            collected.resize(at + length);
            target = collected.data() + at;
        } else {
            data.resize(length);
            target = data.data();
        }
        if (length > 0 && std::fread(target, 1, length, stream) != length) {
            if (type == CHUNK_IDAT) collected.resize(collected.size() - length);
            break;
        }
        unsigned char crc[4];
        if (std::fread(crc, 1, sizeof crc, stream) != sizeof crc) {
            if (type == CHUNK_IDAT) collected.resize(collected.size() - length);
            break;
        }
        position += length + 4;
        // A damaged critical chunk fails the picture; a damaged transparency chunk is
        // skipped, like every other ancillary chunk.
        if (is_critical(type) && !crc_matches(head + 4, target, length, crc)) return -1;
        if (type == CHUNK_IEND) break;
        if (length == 0) continue;
        if (type == CHUNK_IHDR) {
            if (length > 12) header.parse(target);
        } else if (type == CHUNK_PLTE) {
            if (!palette.parse(length, target)) return -1;
        } else if (type == CHUNK_TRNS) {
            if (crc_matches(head + 4, target, length, crc)) read_transparency(length, target, header.colour_type);
        }
    }

    // Without a picture to fill there is nothing to inflate; the caller finds no size.
    if (prepare_output() != 1) return 1;
    PngInflater inflater(this);
    last_inflate = inflater.inflate(collected.size(), collected.data());
    const int complete = end_output();
    return last_inflate == 1 && complete == 1 ? 1 : -1;
}
