#include "util/data/huffman.h"

#include <cstring>
#include <sstream>

#include "platform/runtime/byte_order.h"

namespace {

const unsigned char MAGIC[4] = {'H', 'U', 'F', 'F'};

bool is_short_length(unsigned length, int peek_bits)
{
    return length - 1u < static_cast<unsigned>(peek_bits);
}

// The parts of a run table entry.
std::uint32_t run_mask(std::uint32_t entry)
{
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(entry) >> 16);
}

unsigned code_length(std::uint32_t entry) { return entry >> 8 & 0xff; }

} // namespace

std::size_t HuffmanCoder::max_encoded_size(std::size_t in_size)
{
    return HEADER_SIZE + ENTRY_SIZE * 256 + in_size + in_size / 8 + 2;
}

// Entry a ranks after entry b (positive) when its frequency is lower, or at equal frequency
// when it stands at a lower position.
int HuffmanCoder::compare_entries(int a, int b) const
{
    if (a == b) return 0;
    if (table[a].frequency < table[b].frequency) return 1;
    if (table[a].frequency > table[b].frequency) return -1;
    return a < b ? 1 : -1;
}

void HuffmanCoder::swap_entries(int a, int b)
{
    TableEntry held = table[a];
    table[a] = table[b];
    table[b] = held;
}

// The sort that decides the table order. Its exact steps matter: ties are broken by the
// positions entries hold while being sorted, so encoder and decoder must move entries alike.
void HuffmanCoder::sort(int first, int last)
{
    if (last - first + 1 < 2) return;
    int stack_lo[30];
    int stack_hi[30];
    int depth = 0;
    int lo = first;
    int hi = last;

    for (;;) {
        int size = hi - lo + 1;
        if (size <= 8) {
            while (hi > lo) {
                int max = lo;
                for (int p = lo + 1; p <= hi; ++p) {
                    if (compare_entries(p, max) > 0) max = p;
                }
                if (max != hi) swap_entries(max, hi);
                --hi;
            }
        } else {
            int mid = lo + size / 2;
            if (compare_entries(lo, mid) > 0) swap_entries(lo, mid);
            if (compare_entries(lo, hi) > 0) swap_entries(lo, hi);
            if (compare_entries(mid, hi) > 0) swap_entries(mid, hi);

            int left = lo;
            int right = hi;
            for (;;) {
                if (mid > left) {
                    do {
                        ++left;
                    } while (left < mid && compare_entries(left, mid) <= 0);
                }
                if (mid <= left) {
                    do {
                        ++left;
                    } while (left <= hi && compare_entries(left, mid) <= 0);
                }
                do {
                    --right;
                } while (right > mid && compare_entries(right, mid) > 0);
                if (right < left) break;
                swap_entries(left, right);
                if (mid == right) mid = left;
            }

            ++right;
            if (mid < right) {
                do {
                    --right;
                } while (right > mid && compare_entries(right, mid) == 0);
            }
            if (mid >= right) {
                do {
                    --right;
                } while (right > lo && compare_entries(right, mid) == 0);
            }

            if (right - lo >= hi - left) {
                if (lo < right) {
                    stack_lo[depth] = lo;
                    stack_hi[depth] = right;
                    ++depth;
                }
                if (left < hi) {
                    lo = left;
                    continue;
                }
            } else {
                if (left < hi) {
                    stack_lo[depth] = left;
                    stack_hi[depth] = hi;
                    ++depth;
                }
                if (lo < right) {
                    hi = right;
                    continue;
                }
            }
        }

        if (depth == 0) return;
        --depth;
        lo = stack_lo[depth];
        hi = stack_hi[depth];
    }
}

// Merges the two lowest-ranked entries into a node, from the end of the used table to the
// front, sorting the shrinking prefix after each merge. Node 0 is the root.
void HuffmanCoder::build_tree()
{
    std::memset(nodes, 0, sizeof nodes);
    if (count < 2) return;
    for (int i = count - 2; i >= 0; --i) {
        Node& node = nodes[i];
        TableEntry& zero = table[i];
        TableEntry& one = table[i + 1];
        if (zero.node != nullptr) {
            node.child0 = zero.node;
            zero.node->parent = &node;
        } else {
            node.child0 = nullptr;
            node.symbol0 = zero.symbol;
        }
        if (one.node != nullptr) {
            node.child1 = one.node;
            one.node->parent = &node;
        } else {
            node.child1 = nullptr;
            node.symbol1 = one.symbol;
        }
        if (i > 0) {
            zero.frequency = zero.frequency + one.frequency;
            zero.node = &node;
            one.frequency = 0;
            sort(0, i);
        }
    }
}

// Each leaf's code is its path from the root: the branch at the root is the highest bit.
void HuffmanCoder::assign_codes()
{
    std::memset(codes, 0, sizeof codes);
    if (count == 1) {
        codes[table[0].symbol].length = 1;
        codes[table[0].symbol].code = 0;
        return;
    }
    for (int i = count - 2; i >= 0; --i) {
        for (int branch = 0; branch < 2; ++branch) {
            const Node* leaf_parent = &nodes[i];
            if ((branch == 0 ? leaf_parent->child0 : leaf_parent->child1) != nullptr) continue;
            unsigned char symbol = branch == 0 ? leaf_parent->symbol0 : leaf_parent->symbol1;
            std::uint32_t length = 1;
            std::uint64_t code = static_cast<std::uint64_t>(branch);
            const Node* child = leaf_parent;
            for (const Node* up = leaf_parent->parent; up != nullptr; up = up->parent) {
                if (up->child1 == child && length < 64) code |= std::uint64_t{1} << length;
                ++length;
                child = up;
            }
            codes[symbol].length = length;
            codes[symbol].code = code;
        }
    }
}

void HuffmanCoder::encode(unsigned char* out, std::uint32_t* out_size, const unsigned char* in,
                          std::uint32_t in_size)
{
    for (int k = 0; k < 256; ++k) {
        table[k].frequency = 0;
        table[k].symbol = static_cast<unsigned char>(k);
        table[k].node = nullptr;
    }
    for (std::uint32_t i = 0; i < in_size; ++i) ++table[in[i]].frequency;
    count = 0;
    for (int k = 0; k < 256; ++k) {
        if (table[k].frequency > 0) ++count;
    }
    sort(0, 255);

    std::memcpy(out, MAGIC, 4);
    write_le32(out + 4, static_cast<std::uint32_t>(count));
    write_le32(out + 8, in_size);
    write_le32(out + 12, 0);
    unsigned char* at = out + HEADER_SIZE;
    for (int k = 0; k < count; ++k) {
        write_le32(at, table[k].frequency);
        at[4] = table[k].symbol;
        at += ENTRY_SIZE;
    }

    build_tree();
    assign_codes();

    // Bits go out most significant first. They gather in a 64-bit accumulator (its low
    // pending_bits bits are waiting, oldest highest) and leave it four bytes at a time, which
    // gives the same bytes as writing one bit at a time.
    std::uint64_t pending = 0;
    int pending_bits = 0; // below 32 between pieces
    auto put = [&](std::uint64_t bits_value, std::uint32_t length) {
        pending = pending << length | bits_value;
        pending_bits += static_cast<int>(length);
        if (pending_bits >= 32) {
            pending_bits -= 32;
            std::uint32_t word = static_cast<std::uint32_t>(pending >> pending_bits);
            write_be32(at, word);
            at += 4;
        }
    };
    for (std::uint32_t i = 0; i < in_size; ++i) {
        const Code& code = codes[in[i]];
        if (code.length <= 32) {
            put(code.code, code.length);
        } else {
            // A code longer than 32 bits goes out in two pieces, its high bits first.
            put(code.code >> 32, code.length - 32);
            put(code.code & 0xffffffffu, 32);
        }
    }
    while (pending_bits >= 8) {
        pending_bits -= 8;
        *at++ = static_cast<unsigned char>(pending >> pending_bits);
    }
    // The current byte holds the remaining bits, padded with zeros; it always exists.
    *at = static_cast<unsigned char>(pending_bits > 0 ? pending << (8 - pending_bits) : 0);

    std::uint32_t total = static_cast<std::uint32_t>(at - out) + 1;
    write_le32(out + 12, total);
    *out_size = total;
}

std::uint32_t HuffmanCoder::get_decoded_size(const unsigned char* stream)
{
    return read_le32(stream + 8);
}

bool HuffmanCoder::check_stream(const unsigned char* stream, std::size_t stream_size,
                                std::string* problem)
{
    std::ostringstream text;
    if (stream_size < HEADER_SIZE) {
        text << "Data stream of " << stream_size << " bytes is shorter than its header";
    } else if (std::memcmp(stream, MAGIC, 4) != 0) {
        text << "Unrecognized data stream header: "
             << std::string(reinterpret_cast<const char*>(stream), strnlen(reinterpret_cast<const char*>(stream), 4));
    } else {
        std::uint32_t symbols = read_le32(stream + 4);
        std::uint32_t size = read_le32(stream + 8);
        if (symbols > 256) {
            text << "Symbol count " << symbols << " is above 256";
        } else if (HEADER_SIZE + ENTRY_SIZE * symbols > stream_size) {
            text << "Symbol table of " << symbols << " entries runs past the end of the data";
        } else {
            std::uint64_t code_bits =
                static_cast<std::uint64_t>(stream_size - HEADER_SIZE - ENTRY_SIZE * symbols) * 8;
            if (size > 0 && symbols == 0) {
                text << "Decoded size " << size << " given without any symbols";
            } else if (size > code_bits) {
                text << "Decoded size " << size << " is larger than the " << code_bits
                     << " code bits can give";
            } else {
                return true;
            }
        }
    }
    if (problem != nullptr) *problem = text.str();
    return false;
}

bool HuffmanCoder::read_table(const unsigned char* stream, std::size_t stream_size)
{
    if (!check_stream(stream, stream_size, nullptr)) return false;
    count = static_cast<int>(read_le32(stream + 4));
    decoded_size = read_le32(stream + 8);
    std::memset(table, 0, sizeof table);
    const unsigned char* at = stream + HEADER_SIZE;
    for (int k = 0; k < count; ++k) {
        table[k].frequency = read_le32(at);
        table[k].symbol = at[4];
        table[k].node = nullptr;
        at += ENTRY_SIZE;
    }
    bits = at;
    bit_count = static_cast<std::uint64_t>(stream + stream_size - at) * 8;
    bit_pos = 0;
    build_tree();
    return true;
}

// The next bit, from bit 7 of each byte down to bit 0; -1 when the stream has no more bits.
int HuffmanCoder::read_bit()
{
    if (bit_pos >= bit_count) return -1;
    int bit = bits[bit_pos >> 3] >> (7 - (bit_pos & 7)) & 1;
    ++bit_pos;
    return bit;
}

bool HuffmanCoder::decode_symbol_at(const Node* node, unsigned char* symbol)
{
    for (;;) {
        int bit = read_bit();
        if (bit < 0) return false;
        const Node* next = bit ? node->child1 : node->child0;
        if (next == nullptr) {
            *symbol = bit ? node->symbol1 : node->symbol0;
            return true;
        }
        node = next;
    }
}

bool HuffmanCoder::decode_symbol(unsigned char* symbol)
{
    return decode_symbol_at(&nodes[0], symbol);
}

bool HuffmanCoder::decode_bitwise(unsigned char* out, std::uint32_t* out_size,
                                  const unsigned char* stream, std::size_t stream_size)
{
    *out_size = 0;
    if (!read_table(stream, stream_size)) return false;
    if (count == 0) return decoded_size == 0;
    for (std::uint32_t i = 0; i < decoded_size; ++i) {
        if (count == 1) {
            if (read_bit() < 0) return false;
            out[i] = table[0].symbol;
        } else if (!decode_symbol(&out[i])) {
            return false;
        }
        *out_size = i + 1;
    }
    return true;
}

// The walk from start along the prefix_bits bits of prefix (highest first): the leaf it reaches
// with its depth, or (length 0) the node where it stands after all of those bits.
HuffmanCoder::PeekEntry HuffmanCoder::walk_prefix(const Node* start, int prefix,
                                                  int prefix_bits) const
{
    const Node* node = start;
    for (int depth = 1; depth <= prefix_bits; ++depth) {
        int bit = prefix >> (prefix_bits - depth) & 1;
        const Node* next = bit ? node->child1 : node->child0;
        if (next == nullptr) {
            return PeekEntry{bit ? node->symbol1 : node->symbol0, static_cast<std::uint8_t>(depth)};
        }
        node = next;
    }
    return PeekEntry{static_cast<std::uint8_t>(node - nodes), 0};
}

// For every PEEK_BITS-bit prefix, the leaf reached within it; where none is, a second-level
// table for the next SUB_BITS bits while there is room for one, else the node to walk on from.
void HuffmanCoder::build_peek_table()
{
    int sub_tables = 0;
    for (int prefix = 0; prefix < (1 << PEEK_BITS); ++prefix) {
        PeekEntry entry = walk_prefix(&nodes[0], prefix, PEEK_BITS);
        if (entry.length == 0 && sub_tables < SUB_TABLES) {
            const Node* start = &nodes[entry.value];
            PeekEntry* sub = &sub_peek[sub_tables << SUB_BITS];
            for (int suffix = 0; suffix < (1 << SUB_BITS); ++suffix) {
                PeekEntry leaf = walk_prefix(start, suffix, SUB_BITS);
                if (leaf.length != 0) leaf.length = static_cast<std::uint8_t>(leaf.length + PEEK_BITS);
                sub[suffix] = leaf;
            }
            entry = PeekEntry{static_cast<std::uint8_t>(sub_tables), LINK};
            ++sub_tables;
        }
        peek[prefix] = entry;
    }
}

// The short code length that takes the largest share of the code space, with that share: the
// number of first-level entries that lead to a code of that length. A Huffman code gives a symbol
// of frequency f a code of about -log2(f) bits, so the share follows how often codes of that
// length come up in the data.
int HuffmanCoder::dominant_length(int* share) const
{
    int entries[PEEK_BITS + 1] = {};
    for (const PeekEntry& entry : peek) {
        if (entry.length >= 1 && entry.length <= PEEK_BITS) ++entries[entry.length];
    }
    int best = 1;
    for (int length = 2; length <= PEEK_BITS; ++length) {
        if (entries[length] > entries[best]) best = length;
    }
    *share = entries[best];
    return best;
}

void HuffmanCoder::build_run_table(unsigned run_length)
{
    for (int prefix = 0; prefix < (1 << PEEK_BITS); ++prefix) {
        const PeekEntry entry = peek[prefix];
        std::uint32_t word = entry.value;
        word |= is_short_length(entry.length, PEEK_BITS) ? std::uint32_t{entry.length} << 8 : RUN_LONG;
        if (entry.length == run_length) word |= 0xffff0000u;
        run_peek[prefix] = word;
    }
}

// The bits ahead wait in a 64-bit buffer, most significant first; its valid bits always end on
// a byte boundary at next, so a refill ORs in the next eight bytes below them and tops it up to
// at least 56 bits. The load's address comes from the refill before, so it does not wait for the
// codes just read. A refill right after another changes nothing.
struct HuffmanCoder::BitWindow {
    std::uint64_t bits = 0;
    unsigned valid = 0;
    const unsigned char* next = nullptr;

    // Only while next + 8 <= the end of the code bits.
    void refill()
    {
        std::uint64_t word;
        std::memcpy(&word, next, 8);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        word = __builtin_bswap64(word);
#endif
        bits |= word >> valid;
        next += (63 - valid) >> 3;
        valid |= 56;
    }
    void consume(unsigned count)
    {
        bits <<= count;
        valid -= count;
    }
};

// Decodes while most codes have RUN_LENGTH bits (nearly incompressible data: almost every code
// is 8 bits long). The run table's entries of the next four codes are read at once, as if the
// first three had that length: the codes up to the first one of another length are right, and that one
// is right as well. Four loads that do not wait on each other take little longer than one.
// Returns the new output position when fewer than four bytes are left to decode, the window
// cannot be refilled, or a code longer than PEEK_BITS may be among the four.
template <unsigned RUN_LENGTH>
std::uint32_t HuffmanCoder::decode_runs(BitWindow& window, unsigned char* out, std::uint32_t i,
                                        const unsigned char* bits_end) const
{
    static_assert(PEEK_BITS + 3 * RUN_LENGTH <= 56, "four codes must fit in one refill");
    const std::uint32_t size = decoded_size;
    BitWindow ahead = window;
    while (size - i >= 4 && ahead.next + 8 <= bits_end) {
        ahead.refill();
        const std::uint64_t ahead_bits = ahead.bits;
        const std::uint32_t first = run_peek[ahead_bits >> (64 - PEEK_BITS)];
        const std::uint32_t second = run_peek[ahead_bits << RUN_LENGTH >> (64 - PEEK_BITS)];
        const std::uint32_t third = run_peek[ahead_bits << (2 * RUN_LENGTH) >> (64 - PEEK_BITS)];
        const std::uint32_t fourth = run_peek[ahead_bits << (3 * RUN_LENGTH) >> (64 - PEEK_BITS)];
        if (((first | second | third | fourth) & RUN_LONG) != 0) break;
        // Room for four is there: the bytes past the codes found are written again later.
        out[i] = static_cast<unsigned char>(first);
        out[i + 1] = static_cast<unsigned char>(second);
        out[i + 2] = static_cast<unsigned char>(third);
        out[i + 3] = static_cast<unsigned char>(fourth);
        // All-ones masks while the codes so far have the run length. Masks rather than branches,
        // which would guess wrong at the end of every run.
        const std::uint32_t after_first = run_mask(first);
        const std::uint32_t after_second = after_first & run_mask(second);
        const std::uint32_t after_third = after_second & run_mask(third);
        i += 1 + (after_first & 1u) + (after_second & 1u) + (after_third & 1u);
        ahead.consume(code_length(first) + code_length(after_first & second) +
                      code_length(after_second & third) + code_length(after_third & fourth));
    }
    window = ahead;
    return i;
}

bool HuffmanCoder::decode(unsigned char* out, std::uint32_t* out_size,
                          const unsigned char* stream, std::size_t stream_size)
{
    *out_size = 0;
    if (!read_table(stream, stream_size)) return false;
    if (count == 0) return decoded_size == 0;
    if (count == 1) {
        if (decoded_size > bit_count) return false;
        // An empty result may come with no room at all (out null).
        if (decoded_size > 0) std::memset(out, table[0].symbol, decoded_size);
        bit_pos = decoded_size;
        *out_size = decoded_size;
        return true;
    }

    build_peek_table();
    // Where one code length holds at least half of the code space, runs of codes of that length
    // are decoded four table reads at a time (one loop for each length, so that its shifts are
    // constants); the entries are read one after the other elsewhere.
    using RunDecoder = std::uint32_t (HuffmanCoder::*)(BitWindow&, unsigned char*, std::uint32_t,
                                                      const unsigned char*) const;
    static const RunDecoder run_decoders[PEEK_BITS] = {
        &HuffmanCoder::decode_runs<1>, &HuffmanCoder::decode_runs<2>, &HuffmanCoder::decode_runs<3>,
        &HuffmanCoder::decode_runs<4>, &HuffmanCoder::decode_runs<5>, &HuffmanCoder::decode_runs<6>,
        &HuffmanCoder::decode_runs<7>, &HuffmanCoder::decode_runs<8>, &HuffmanCoder::decode_runs<9>,
        &HuffmanCoder::decode_runs<10>, &HuffmanCoder::decode_runs<11>, &HuffmanCoder::decode_runs<12>,
    };
    int share = 0;
    const int run_length = dominant_length(&share);
    const RunDecoder decode_run = share * 2 >= (1 << PEEK_BITS) ? run_decoders[run_length - 1] : nullptr;
    if (decode_run != nullptr) build_run_table(static_cast<unsigned>(run_length));

    std::uint32_t i = 0;
    // A refill leaves enough bits for four codes of up to PEEK_BITS bits, or three of them and
    // one code found in a second-level table, with no further bounds check.
    static_assert(3 * PEEK_BITS + PEEK_BITS + SUB_BITS <= 56, "the codes of one refill must fit");
    const unsigned char* const bits_end = bits + (bit_count >> 3);
    BitWindow window;
    window.next = bits_end;
    bool buffered = false;
    auto start_buffer = [&] {
        buffered = true;
        window.next = bits + (bit_pos >> 3) + 1;
        window.valid = 8 - static_cast<unsigned>(bit_pos & 7);
        window.bits = static_cast<std::uint64_t>(static_cast<unsigned char>(bits[bit_pos >> 3] << (bit_pos & 7))) << 56;
    };
    if ((bit_pos >> 3) + 9 <= (bit_count >> 3)) start_buffer();
    while (decoded_size - i >= 4 && window.next + 8 <= bits_end) {
        if (decode_run != nullptr) {
            i = (this->*decode_run)(window, out, i, bits_end);
            if (!(decoded_size - i >= 4 && window.next + 8 <= bits_end)) break;
        }
        window.refill();
        PeekEntry entry;
        // One short code out of the window; false where the next code is longer than PEEK_BITS.
        auto take_short = [&]() -> bool {
            entry = peek[window.bits >> (64 - PEEK_BITS)];
            if (!is_short_length(entry.length, PEEK_BITS)) return false;
            out[i++] = entry.value;
            window.consume(entry.length);
            return true;
        };
        if (take_short() && take_short() && take_short() && take_short()) continue;
        if (entry.length == LINK) {
            const PeekEntry leaf =
                sub_peek[static_cast<std::size_t>(entry.value) << SUB_BITS |
                         static_cast<std::size_t>(window.bits << PEEK_BITS >> (64 - SUB_BITS))];
            if (leaf.length != 0) {
                out[i++] = leaf.value;
                window.consume(leaf.length);
                continue;
            }
            entry = leaf;
            window.valid -= PEEK_BITS + SUB_BITS;
        } else {
            window.valid -= PEEK_BITS;
        }
        // A code longer still: walk on from its node one bit at a time, then start afresh.
        bit_pos = static_cast<std::uint64_t>(window.next - bits) * 8 - window.valid;
        if (!decode_symbol_at(&nodes[entry.value], &out[i])) {
            *out_size = i;
            return false;
        }
        ++i;
        buffered = false;
        if ((bit_pos >> 3) + 9 > (bit_count >> 3)) break;
        start_buffer();
    }
    if (buffered) bit_pos = static_cast<std::uint64_t>(window.next - bits) * 8 - window.valid;
    for (; i < decoded_size; ++i) {
        if (!decode_symbol(&out[i])) {
            *out_size = i;
            return false;
        }
    }
    *out_size = decoded_size;
    return true;
}
