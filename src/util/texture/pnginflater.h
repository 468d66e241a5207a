// The inflater of the PNG decoder: a zlib stream (deflate blocks: stored, fixed and dynamic
// Huffman codes) decompressed into a sliding window whose bytes go to the decoder's output
// hooks in order. Every bit read is checked against the data, every code table against its
// alphabet, and the decompressed bytes against the stream's trailing Adler-32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class JhGenericPngDecoder;

class PngInflater {
public:
    explicit PngInflater(JhGenericPngDecoder* decoder);
    ~PngInflater();
    PngInflater(const PngInflater&) = delete;
    PngInflater& operator=(const PngInflater&) = delete;

    // 1 on success (the final block ended and the Adler-32 after it matches the decompressed
    // bytes), 0 on failure.
    int inflate(size_t length, const unsigned char* data);

    // A decoding table: entries indexed by the next bits of the stream, least significant
    // first, with second-level tables for codes longer than the first level.
    struct Table {
        std::vector<std::uint32_t> entries;
        unsigned int bits = 0;
    };

    // Canonical codes of a set of code lengths (0 for no code), most significant bit first.
    static void make_codes(const unsigned char* lengths, int count, std::uint16_t* codes);
    // The decoding table of a set of code lengths; false when the lengths over-subscribe
    // the code space (no prefix code has them).
    static bool build_table(const unsigned char* lengths, int count, unsigned int first_bits,
                            Table* table);
    // The Adler-32 of count more bytes, continuing from adler (1 before the first byte).
    static std::uint32_t update_adler32(std::uint32_t adler, const unsigned char* bytes, size_t count);
    static int decode_length(int symbol, unsigned int extra_bits);
    static int extra_length_bits(int symbol);
    static int decode_distance(int symbol, unsigned int extra_bits);
    static int extra_distance_bits(int symbol);

private:
    bool need(unsigned int count);
    unsigned int read_bits(unsigned int count);
    bool decode_symbol(const Table& table, int* symbol);
    bool read_dynamic_tables();
    static const Table& fixed_literals();
    static const Table& fixed_distances();
    bool stored_block();
    bool huffman_block(const Table& literals, const Table& distances);
    bool checksum_matches();
    void put(unsigned char byte);
    bool flush();

    JhGenericPngDecoder* decoder;
    const unsigned char* in;
    const unsigned char* in_end;
    std::uint64_t bit_buffer;
    unsigned int bit_count;
    unsigned char* window;
    size_t window_size;
    size_t window_pos;
    size_t flushed;
    bool output_stopped;
    std::uint32_t adler; // of every byte flushed so far
    Table literal_table;
    Table distance_table;
    Table code_length_table;
};
