// A static, byte-wise Huffman coder and its self-contained "HUFF" stream.
//
// Stream layout (all integers unsigned 32-bit little-endian): "HUFF", the number of distinct
// byte values, the decoded size, the total stream size, then per used symbol a u32 frequency
// and the symbol byte in the order of the sorted table, then the code bits, most significant
// bit of each byte first, padded with zero bits and always followed by one more byte.
//
// The tree is not stored: the decoder rebuilds it from the frequency table with the same merge
// and sort steps as the encoder, so the sort procedure (and its use of table positions to break
// ties) is part of the format. No library sort may stand in for it.
//
// One object serves one encode or one decode; every table lives in the object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class HuffmanCoder {
public:
    static constexpr std::size_t HEADER_SIZE = 16;
    static constexpr std::size_t ENTRY_SIZE = 5;

    // The room encode needs for in_size input bytes: 16 + 5 * 256 + n + n / 8 + 2.
    static std::size_t max_encoded_size(std::size_t in_size);

    // Writes the stream for in_size bytes at in to out; out_size gets the total stream size.
    void encode(unsigned char* out, std::uint32_t* out_size, const unsigned char* in,
                std::uint32_t in_size);

    // The decoded size from the stream's header (the stream must hold at least 16 bytes).
    static std::uint32_t get_decoded_size(const unsigned char* stream);

    // Checks that a stream of stream_size bytes has a complete header and table and that its
    // decoded size can come from the bits it holds. False with a description of the problem.
    static bool check_stream(const unsigned char* stream, std::size_t stream_size,
                             std::string* problem);

    // Decodes a checked stream into out (room for the decoded size); out_size gets the number
    // of bytes written. False when the code bits run out before every byte is decoded.
    bool decode(unsigned char* out, std::uint32_t* out_size, const unsigned char* stream,
                std::size_t stream_size);

    // The same result as decode, walking the tree one bit at a time for every byte.
    bool decode_bitwise(unsigned char* out, std::uint32_t* out_size, const unsigned char* stream,
                        std::size_t stream_size);

private:
    struct Node {
        unsigned char symbol0;
        unsigned char symbol1;
        Node* child0; // null: branch 0 ends in the leaf symbol0
        Node* child1; // null: branch 1 ends in the leaf symbol1
        Node* parent;
    };
    struct TableEntry {
        std::uint32_t frequency;
        unsigned char symbol;
        Node* node; // null for a leaf
    };
    struct Code {
        std::uint32_t length;
        std::uint64_t code;
    };
    // What the next PEEK_BITS bits read at the root lead to: a symbol and its code length; a
    // second-level table (length LINK) for the SUB_BITS bits after them; or (length 0) the
    // node where a longer code goes on. A second-level entry holds a symbol and its whole code
    // length, or (length 0) the node where the walk goes on after PEEK_BITS + SUB_BITS bits.
    struct PeekEntry {
        std::uint8_t value;
        std::uint8_t length;
    };
    static constexpr int PEEK_BITS = 12;
    static constexpr int SUB_BITS = 8;
    static constexpr int SUB_TABLES = 64;
    static constexpr std::uint8_t LINK = 0xff;
    // The code bits ahead of the table-driven decoder (defined with it).
    struct BitWindow;

    int compare_entries(int a, int b) const;
    void swap_entries(int a, int b);
    void sort(int first, int last);
    void build_tree();
    void assign_codes();
    bool read_table(const unsigned char* stream, std::size_t stream_size);
    int read_bit();
    bool decode_symbol(unsigned char* symbol);
    void build_peek_table();
    int dominant_length(int* share) const;
    void build_run_table(unsigned run_length);
    template <unsigned RUN_LENGTH>
    std::uint32_t decode_runs(BitWindow& window, unsigned char* out, std::uint32_t i,
                              const unsigned char* bits_end) const;
    bool decode_symbol_at(const Node* node, unsigned char* symbol);
    PeekEntry walk_prefix(const Node* start, int prefix, int prefix_bits) const;

    TableEntry table[256];
    Node nodes[255];
    Code codes[256];
    PeekEntry peek[1 << PEEK_BITS];
    PeekEntry sub_peek[SUB_TABLES << SUB_BITS];
    // The first-level table again for decode_runs, one word an entry: the symbol in bits 0-7,
    // the code length in bits 8-15 (RUN_LONG there where the code is longer than PEEK_BITS),
    // and bits 16-31 all set where the code has the run length.
    std::uint32_t run_peek[1 << PEEK_BITS];
    static constexpr std::uint32_t RUN_LONG = 0x8000;

    int count = 0;                  // symbols in use
    std::uint32_t decoded_size = 0; // bytes to produce
    const unsigned char* bits = nullptr; // decoder: the code bits
    std::uint64_t bit_count = 0;         // decoder: the number of code bits in the stream
    std::uint64_t bit_pos = 0;           // decoder: the next bit to read
};
