#include "util/texture/pnginflater.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "util/texture/pngdecoder.h"

namespace {

const std::uint32_t KIND_LEAF = 1u << 30;
const std::uint32_t KIND_LINK = 2u << 30;
const std::uint32_t KIND_MASK = 3u << 30;

const int MAX_CODE_BITS = 15;

const std::uint16_t LENGTH_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const unsigned char LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const std::uint16_t DISTANCE_BASE[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                         33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                         1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const unsigned char DISTANCE_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                          6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The order in which the code-length code lengths are stored.
const unsigned char CODE_LENGTH_ORDER[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

const std::uint32_t ADLER_MODULUS = 65521;
// The most bytes after which the byte-by-byte sums of the Adler-32, starting below the
// modulus, still fit in 32 bits.
const size_t ADLER_SCALAR_RUN = 5552;

#if defined(__SSE2__)
std::uint64_t lane_sum(__m128i lanes)
{
    std::uint32_t values[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(values), lanes);
    return std::uint64_t(values[0]) + values[1] + values[2] + values[3];
}
#endif

const int LITERAL_COUNT_MAX = 288;
const int DISTANCE_COUNT_MAX = 32;
const int DISTANCE_SYMBOLS = 30; // distance symbols 30 and 31 have no distance

unsigned int reverse_bits(unsigned int code, unsigned int length)
{
    unsigned int reversed = 0;
    for (unsigned int i = 0; i < length; ++i) {
        reversed = (reversed << 1) | (code & 1);
        code >>= 1;
    }
    return reversed;
}

} // namespace

PngInflater::PngInflater(JhGenericPngDecoder* target)
    : decoder(target), in(nullptr), in_end(nullptr), bit_buffer(0), bit_count(0), window(nullptr),
      window_size(0), window_pos(0), flushed(0), output_stopped(false), adler(1)
{
}

PngInflater::~PngInflater() { std::free(window); }

void PngInflater::make_codes(const unsigned char* lengths, int count, std::uint16_t* codes)
{
    int length_count[MAX_CODE_BITS + 1] = {0};
    for (int s = 0; s < count; ++s) length_count[lengths[s]]++;
    length_count[0] = 0;
    int next_code[MAX_CODE_BITS + 2] = {0};
    int code = 0;
    for (int bits = 1; bits <= MAX_CODE_BITS; ++bits) {
        code = (code + length_count[bits - 1]) << 1;
        next_code[bits] = code;
    }
    for (int s = 0; s < count; ++s) {
        codes[s] = lengths[s] != 0 ? static_cast<std::uint16_t>(next_code[lengths[s]]++) : 0;
    }
}

bool PngInflater::build_table(const unsigned char* lengths, int count, unsigned int first_bits,
                              Table* table)
{
    int length_count[MAX_CODE_BITS + 1] = {0};
    unsigned int max_length = 0;
    for (int s = 0; s < count; ++s) {
        if (lengths[s] > MAX_CODE_BITS) return false;
        length_count[lengths[s]]++;
        if (lengths[s] > max_length) max_length = lengths[s];
    }
    // A prefix code cannot hold more codes of a length than the space left for it.
    int left = 1;
    for (int bits = 1; bits <= MAX_CODE_BITS; ++bits) {
        left = (left << 1) - length_count[bits];
        if (left < 0) return false;
    }

    std::uint16_t codes[LITERAL_COUNT_MAX];
    make_codes(lengths, count, codes);

    const unsigned int bits = max_length == 0 ? 1 : (max_length < first_bits ? max_length : first_bits);
    const unsigned int first_size = 1u << bits;
    const unsigned int first_mask = first_size - 1;
    table->bits = bits;
    table->entries.assign(first_size, 0);

    // Second-level tables: each first-level slot whose codes are longer gets one as wide as
    // its longest code needs.
    if (max_length > bits) {
        std::vector<unsigned char> second_bits(first_size, 0);
        for (int s = 0; s < count; ++s) {
            if (lengths[s] <= bits) continue;
            unsigned int slot = reverse_bits(codes[s], lengths[s]) & first_mask;
            unsigned int need_bits = lengths[s] - bits;
            if (need_bits > second_bits[slot]) second_bits[slot] = static_cast<unsigned char>(need_bits);
        }
        std::uint32_t offset = first_size;
        for (unsigned int slot = 0; slot < first_size; ++slot) {
            if (second_bits[slot] == 0) continue;
            table->entries[slot] = KIND_LINK | (static_cast<std::uint32_t>(second_bits[slot]) << 16) | offset;
            offset += 1u << second_bits[slot];
        }
        table->entries.resize(offset, 0);
    }

    for (int s = 0; s < count; ++s) {
        const unsigned int length = lengths[s];
        if (length == 0) continue;
        const unsigned int reversed = reverse_bits(codes[s], length);
        const std::uint32_t leaf = KIND_LEAF | (length << 16) | static_cast<std::uint32_t>(s);
        if (length <= bits) {
            for (unsigned int i = reversed; i < first_size; i += 1u << length) table->entries[i] = leaf;
        } else {
            const std::uint32_t link = table->entries[reversed & first_mask];
            const std::uint32_t base = link & 0xFFFF;
            const unsigned int width = (link >> 16) & 0xFF;
            const unsigned int rest = length - bits;
            for (unsigned int i = reversed >> bits; i < (1u << width); i += 1u << rest) {
                table->entries[base + i] = leaf;
            }
        }
    }
    return true;
}

std::uint32_t PngInflater::update_adler32(std::uint32_t adler, const unsigned char* bytes, size_t count)
{
    std::uint32_t s1 = adler & 0xFFFF; // 1 + the sum of the bytes
    std::uint32_t s2 = adler >> 16;    // the sum of every s1 after a byte
#if defined(__SSE2__)
    // Over a run of n bytes b[0..n-1], s2 grows by n * s1 + the sum of (n - i) * b[i] and s1
    // by the sum of the bytes. Steps of 32 bytes: per step the byte sums, each step's
    // weighted sum of (32 - i) * b[i], and the byte sums of the steps before it, whose total
    // times 32 is what the earlier steps add to the later bytes' weights. 256 steps keep
    // every 32-bit lane far from overflowing.
    const __m128i zero = _mm_setzero_si128();
    const __m128i weights_0 = _mm_setr_epi16(32, 31, 30, 29, 28, 27, 26, 25);
    const __m128i weights_1 = _mm_setr_epi16(24, 23, 22, 21, 20, 19, 18, 17);
    const __m128i weights_2 = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
    const __m128i weights_3 = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
    while (count >= 32) {
        size_t steps = count / 32;
        if (steps > 256) steps = 256;
        __m128i byte_sums = zero;
        __m128i earlier_sums = zero;
        __m128i weighted = zero;
        for (size_t k = 0; k < steps; ++k, bytes += 32) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16));
            earlier_sums = _mm_add_epi32(earlier_sums, byte_sums);
            byte_sums = _mm_add_epi32(byte_sums, _mm_add_epi32(_mm_sad_epu8(a, zero), _mm_sad_epu8(b, zero)));
            weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(a, zero), weights_0));
            weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(a, zero), weights_1));
            weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(b, zero), weights_2));
            weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(b, zero), weights_3));
        }
        const std::uint64_t n = steps * 32;
        s2 = static_cast<std::uint32_t>((s2 + n * s1 + 32 * lane_sum(earlier_sums) + lane_sum(weighted)) %
                                        ADLER_MODULUS);
        s1 = static_cast<std::uint32_t>((s1 + lane_sum(byte_sums)) % ADLER_MODULUS);
        count -= steps * 32;
    }
#endif
    while (count > 0) {
        size_t run = count < ADLER_SCALAR_RUN ? count : ADLER_SCALAR_RUN;
        count -= run;
        for (; run > 0; --run) {
            s1 += *bytes++;
            s2 += s1;
        }
        s1 %= ADLER_MODULUS;
        s2 %= ADLER_MODULUS;
    }
    return (s2 << 16) | s1;
}

int PngInflater::extra_length_bits(int symbol)
{
    return symbol >= 257 && symbol <= 284 ? LENGTH_EXTRA[symbol - 257] : 0;
}

int PngInflater::decode_length(int symbol, unsigned int extra_bits)
{
    if (symbol >= 285) return 258;
    return LENGTH_BASE[symbol - 257] + static_cast<int>(extra_bits);
}

int PngInflater::extra_distance_bits(int symbol)
{
    return symbol >= 0 && symbol < DISTANCE_SYMBOLS ? DISTANCE_EXTRA[symbol] : 0;
}

int PngInflater::decode_distance(int symbol, unsigned int extra_bits)
{
    return DISTANCE_BASE[symbol] + static_cast<int>(extra_bits);
}

// Tops the bit buffer up to at least 56 bits while data is left.
#define PNG_REFILL()                                                                               \
    do {                                                                                           \
        if (in_end - in >= 8) {                                                                    \
            std::uint64_t word;                                                                    \
            std::memcpy(&word, in, 8);                                                             \
            bit_buffer |= word << bit_count;                                                       \
            in += (63 - bit_count) >> 3;                                                           \
            bit_count |= 56;                                                                       \
        } else {                                                                                   \
            while (bit_count <= 56 && in < in_end) {                                               \
                bit_buffer |= static_cast<std::uint64_t>(*in++) << bit_count;                     \
                bit_count += 8;                                                                    \
            }                                                                                      \
        }                                                                                          \
    } while (0)

bool PngInflater::need(unsigned int count)
{
    if (bit_count < count) PNG_REFILL();
    return bit_count >= count;
}

unsigned int PngInflater::read_bits(unsigned int count)
{
    unsigned int value = static_cast<unsigned int>(bit_buffer & ((std::uint64_t(1) << count) - 1));
    bit_buffer >>= count;
    bit_count -= count;
    return value;
}

inline bool PngInflater::decode_symbol(const Table& table, int* symbol)
{
    if (bit_count < MAX_CODE_BITS) PNG_REFILL();
    std::uint32_t entry = table.entries[bit_buffer & ((1u << table.bits) - 1)];
    if ((entry & KIND_MASK) == KIND_LINK) {
        const unsigned int width = (entry >> 16) & 0xFF;
        entry = table.entries[(entry & 0xFFFF) + ((bit_buffer >> table.bits) & ((1u << width) - 1))];
    }
    if ((entry & KIND_MASK) != KIND_LEAF) return false; // a code the table does not have
    const unsigned int length = (entry >> 16) & 0xFF;
    if (length > bit_count) return false; // the data ends inside the code
    bit_buffer >>= length;
    bit_count -= length;
    *symbol = static_cast<int>(entry & 0xFFFF);
    return true;
}

const PngInflater::Table& PngInflater::fixed_literals()
{
    static const Table table = [] {
        unsigned char lengths[LITERAL_COUNT_MAX];
        for (int s = 0; s < 144; ++s) lengths[s] = 8;
        for (int s = 144; s < 256; ++s) lengths[s] = 9;
        for (int s = 256; s < 280; ++s) lengths[s] = 7;
        for (int s = 280; s < 288; ++s) lengths[s] = 8;
        Table built;
        build_table(lengths, LITERAL_COUNT_MAX, 9, &built);
        return built;
    }();
    return table;
}

const PngInflater::Table& PngInflater::fixed_distances()
{
    // Five bits, most significant first: the canonical code of 32 symbols of length 5.
    static const Table table = [] {
        unsigned char lengths[DISTANCE_COUNT_MAX];
        for (unsigned char& length : lengths) length = 5;
        Table built;
        build_table(lengths, DISTANCE_COUNT_MAX, 5, &built);
        return built;
    }();
    return table;
}

inline void PngInflater::put(unsigned char byte)
{
    window[window_pos++] = byte;
    if (window_pos == window_size) flush();
}

bool PngInflater::flush()
{
    if (window_pos > flushed && !output_stopped) {
        // Every byte passes here once, while it is still in the cache.
        adler = update_adler32(adler, window + flushed, window_pos - flushed);
        if (decoder->output_block(window + flushed, window_pos - flushed) != 1) output_stopped = true;
    }
    flushed = window_pos;
    if (window_pos == window_size) {
        window_pos = 0;
        flushed = 0;
    }
    return !output_stopped;
}

bool PngInflater::read_dynamic_tables()
{
    if (!need(14)) return false;
    const int literal_count = static_cast<int>(read_bits(5)) + 257;
    const int distance_count = static_cast<int>(read_bits(5)) + 1;
    const int code_length_count = static_cast<int>(read_bits(4)) + 4;

    unsigned char code_lengths[19] = {0};
    for (int i = 0; i < code_length_count; ++i) {
        if (!need(3)) return false;
        code_lengths[CODE_LENGTH_ORDER[i]] = static_cast<unsigned char>(read_bits(3));
    }
    if (!build_table(code_lengths, 19, 7, &code_length_table)) return false;

    unsigned char lengths[LITERAL_COUNT_MAX + DISTANCE_COUNT_MAX];
    const int total = literal_count + distance_count;
    int i = 0;
    while (i < total) {
        int symbol;
        if (!decode_symbol(code_length_table, &symbol)) return false;
        if (symbol < 16) {
            lengths[i++] = static_cast<unsigned char>(symbol);
            continue;
        }
        unsigned char value = 0;
        int repeat;
        if (symbol == 16) {
            if (i == 0 || !need(2)) return false; // nothing to repeat
            value = lengths[i - 1];
            repeat = 3 + static_cast<int>(read_bits(2));
        } else if (symbol == 17) {
            if (!need(3)) return false;
            repeat = 3 + static_cast<int>(read_bits(3));
        } else {
            if (!need(7)) return false;
            repeat = 11 + static_cast<int>(read_bits(7));
        }
        if (i + repeat > total) return false; // a run past the two code sets
        std::memset(lengths + i, value, static_cast<size_t>(repeat));
        i += repeat;
    }
    return build_table(lengths, literal_count, 10, &literal_table) &&
           build_table(lengths + literal_count, distance_count, 8, &distance_table);
}

bool PngInflater::stored_block()
{
    // Skip to the byte boundary; the whole bytes still in the buffer come first.
    read_bits(bit_count & 7);
    if (!need(32)) return false;
    size_t length = read_bits(16);
    read_bits(16); // the complement is not checked
    while (length > 0 && bit_count >= 8) {
        put(static_cast<unsigned char>(read_bits(8)));
        --length;
    }
    // The rest comes straight from the data; bits of the next byte that a refill may have
    // put above the counted ones are dropped with the buffer.
    if (length > 0) bit_buffer = 0;
    while (length > 0) {
        if (in == in_end) return false; // the data ends inside the block
        size_t chunk = length;
        if (chunk > static_cast<size_t>(in_end - in)) chunk = static_cast<size_t>(in_end - in);
        if (chunk > window_size - window_pos) chunk = window_size - window_pos;
        std::memcpy(window + window_pos, in, chunk);
        in += chunk;
        window_pos += chunk;
        length -= chunk;
        if (window_pos == window_size) flush();
    }
    return !output_stopped;
}

bool PngInflater::huffman_block(const Table& literals, const Table& distances)
{
    const size_t mask = window_size - 1;
    for (;;) {
        int symbol;
        if (!decode_symbol(literals, &symbol)) return false;
        if (symbol < 256) {
            window[window_pos++] = static_cast<unsigned char>(symbol);
            if (window_pos == window_size && !flush()) return false;
            continue;
        }
        if (symbol == 256) return true;

        const unsigned int length_bits = static_cast<unsigned int>(extra_length_bits(symbol));
        if (!need(length_bits)) return false;
        size_t length = static_cast<size_t>(decode_length(symbol, read_bits(length_bits)));

        int distance_symbol;
        if (!decode_symbol(distances, &distance_symbol)) return false;
        if (distance_symbol >= DISTANCE_SYMBOLS) return false;
        const unsigned int distance_bits = static_cast<unsigned int>(extra_distance_bits(distance_symbol));
        if (!need(distance_bits)) return false;
        const size_t distance = static_cast<size_t>(decode_distance(distance_symbol, read_bits(distance_bits)));

        size_t from = (window_pos - distance) & mask;
        while (length > 0) {
            size_t chunk = length;
            if (chunk > window_size - window_pos) chunk = window_size - window_pos;
            if (chunk > window_size - from) chunk = window_size - from;
            const size_t behind = (window_pos - from) & mask;
            if (from > window_pos || behind >= chunk) {
                std::memmove(window + window_pos, window + from, chunk);
            } else {
                // Overlapping copy: the bytes just written are repeated.
                unsigned char* dest = window + window_pos;
                const unsigned char* src = window + from;
                for (size_t k = 0; k < chunk; ++k) dest[k] = src[k];
            }
            window_pos += chunk;
            from = (from + chunk) & mask;
            length -= chunk;
            if (window_pos == window_size && !flush()) return false;
        }
    }
}

bool PngInflater::checksum_matches()
{
    // The Adler-32 follows the final block at the next byte boundary, most significant byte
    // first.
    read_bits(bit_count & 7);
    std::uint32_t stored = 0;
    for (int i = 0; i < 4; ++i) {
        if (!need(8)) return false; // the data ends before the checksum
        stored = (stored << 8) | read_bits(8);
    }
    return stored == adler;
}

int PngInflater::inflate(size_t length, const unsigned char* data)
{
    if (length < 2 || data == nullptr) return 0;
    const unsigned char cmf = data[0];
    const unsigned char flg = data[1];
    if ((cmf & 0x0F) != 8) return 0;
    if (flg & 0x20) return 0; // a preset dictionary is not supported

    window_size = size_t(1) << ((cmf >> 4) + 8);
    std::free(window);
    window = static_cast<unsigned char*>(std::calloc(window_size, 1));
    if (window == nullptr) return 0;
    window_pos = 0;
    flushed = 0;
    output_stopped = false;
    adler = 1;
    in = data + 2;
    in_end = data + length;
    bit_buffer = 0;
    bit_count = 0;

    bool ok = false;
    for (;;) {
        if (!need(3)) break;
        const bool final_block = read_bits(1) != 0;
        const unsigned int type = read_bits(2);
        bool block_ok;
        if (type == 0) {
            block_ok = stored_block();
        } else if (type == 1) {
            block_ok = huffman_block(fixed_literals(), fixed_distances());
        } else if (type == 2) {
            block_ok = read_dynamic_tables() && huffman_block(literal_table, distance_table);
        } else {
            block_ok = false;
        }
        if (!block_ok) break;
        if (final_block) {
            ok = true;
            break;
        }
    }
    // Whatever was decoded reaches the decoder, also when the stream breaks off later.
    if (!flush()) ok = false;
    if (ok && !checksum_matches()) ok = false;
    std::free(window);
    window = nullptr;
    return ok ? 1 : 0;
}
