// The chunk reader of the PNG decoder: walks the chunks of a file, checking the CRC of those
// it uses, keeps the header, the palette and the transparency, collects the compressed image
// data and inflates it through its own inflater, handing every decompressed byte to the
// output hooks of a derived class.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdio>

// The IHDR record.
struct PngHeader {
    int width = 0;
    int height = 0;
    int bit_depth = 0;
    int colour_type = 0;
    int compression = 0;
    int filter = 0;
    int interlace = 0;

    // Reads the 13 bytes of an IHDR chunk.
    void parse(const unsigned char* bytes);
};

// The PLTE record: count entries of red, green, blue.
struct PngPalette {
    int count = 0;
    unsigned char* entries = nullptr;

    PngPalette() = default;
    ~PngPalette();
    PngPalette(const PngPalette&) = delete;
    PngPalette& operator=(const PngPalette&) = delete;

    // False when the length is not a multiple of 3.
    bool parse(unsigned int length, const unsigned char* bytes);
};

// Big-endian 32-bit value.
unsigned int png_uint32(const unsigned char* bytes);

class JhGenericPngDecoder {
public:
    JhGenericPngDecoder();
    virtual ~JhGenericPngDecoder();
    JhGenericPngDecoder(const JhGenericPngDecoder&) = delete;
    JhGenericPngDecoder& operator=(const JhGenericPngDecoder&) = delete;

    // 1 when the picture was decoded whole, or when prepare_output declined it (nothing is
    // inflated then). -1 when the file cannot be opened, the signature is wrong, a PLTE chunk
    // is malformed, a critical chunk (IHDR, PLTE, IDAT, IEND) fails its CRC, the image data
    // does not inflate or fails its checksum, or end_output finds the picture incomplete.
    int decode(const char* file);
    // The same on an open stream, which stays open.
    int decode_stream(FILE* stream);

    static bool check_signature(FILE* stream);

    // Called once after all chunks are read; 1 to go on with inflating.
    virtual int prepare_output();
    // Called for every decompressed byte in order; 1 to go on.
    virtual int output(unsigned char byte);
    // Called after the inflater has finished, whatever its result; 1 when the output is
    // complete.
    virtual int end_output();
    // A run of decompressed bytes in order; 1 when every byte was taken. The base hands
    // them to output one by one.
    virtual int output_block(const unsigned char* bytes, size_t count);

    // The result of the last inflate: 1 success, 0 failure (-1 before any).
    int inflate_result() const { return last_inflate; }

    PngHeader header;
    PngPalette palette;
    int transparent[3];
    // Palette transparency: one alpha per palette entry, entries past alpha_count opaque.
    unsigned char palette_alpha[256];
    int alpha_count;

protected:
    void read_transparency(unsigned int length, const unsigned char* bytes, int colour_type);

private:
    int last_inflate;
};
