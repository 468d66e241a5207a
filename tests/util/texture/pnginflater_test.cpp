#include "util/texture/pnginflater.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

#include "util/texture/image_fixtures.h"
#include "util/texture/pngdecoder.h"

using fixtures::Bytes;

namespace {

// Collects the inflated bytes; optionally refuses after a number of them.
class Collector : public JhGenericPngDecoder {
public:
    Bytes out;
    size_t limit = SIZE_MAX;
    int output_block(const unsigned char* bytes, size_t count) override
    {
        for (size_t i = 0; i < count; ++i) {
            if (out.size() >= limit) return 0;
            out.push_back(bytes[i]);
        }
        return 1;
    }
};

int inflate_into(Collector& c, const Bytes& stream)
{
    PngInflater inflater(&c);
    return inflater.inflate(stream.size(), stream.data());
}

Bytes random_bytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    Bytes b(n);
    for (unsigned char& v : b) v = static_cast<unsigned char>(gen());
    return b;
}

// Text-like data with near and far repeats, long runs and short-period patterns.
Bytes structured_bytes(size_t n)
{
    std::mt19937 gen(7);
    const char* words[] = {"pellorvane ", "texture ", "beat ", "row ", "scene ", "0.125 ", "\n", "glow "};
    Bytes b;
    while (b.size() < n) {
        switch (gen() % 6) {
        case 0: b.insert(b.end(), 200 + gen() % 2000, static_cast<unsigned char>(gen())); break;
        case 1:
            for (int i = 0, p = 1 + gen() % 7; i < 300; ++i) b.push_back(static_cast<unsigned char>('a' + i % p));
            break;
        case 2:
            if (b.size() > 40000) {
                size_t from = b.size() - 1 - gen() % 32000;
                for (size_t i = 0; i < 500; ++i) b.push_back(b[from + i]);
            }
            break;
        default:
            for (int i = 0; i < 50; ++i) {
                const char* w = words[gen() % 8];
                b.insert(b.end(), w, w + std::char_traits<char>::length(w));
            }
        }
    }
    b.resize(n);
    return b;
}

// Writes bits least significant first, Huffman codes most significant first.
struct BitWriter {
    Bytes bytes;
    int bit = 8;
    BitWriter()
    {
        bytes.push_back(0x78); // zlib header: deflate, 32 KB window
        bytes.push_back(0x01);
    }
    void put(unsigned value, int count)
    {
        for (int i = 0; i < count; ++i) {
            if (bit == 8) {
                bytes.push_back(0);
                bit = 0;
            }
            if ((value >> i) & 1) bytes.back() |= static_cast<unsigned char>(1 << bit);
            ++bit;
        }
    }
    void code(unsigned code, int length)
    {
        for (int i = length - 1; i >= 0; --i) put((code >> i) & 1, 1);
    }
};

// A dynamic block header (257 literal and 1 distance code) whose code-length code gives
// length 1 to the two symbols named; the rest is up to the caller.
BitWriter dynamic_header(int first, int second)
{
    BitWriter w;
    w.put(1, 1);  // final
    w.put(2, 2);  // dynamic
    w.put(0, 5);  // 257 literal/length codes
    w.put(0, 5);  // 1 distance code
    w.put(15, 4); // 19 code-length code lengths
    const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    for (int s : order) w.put(s == first || s == second ? 1 : 0, 3);
    return w;
}

} // namespace

TEST(PngInflater, MatchesZlibByteForByte)
{
    const Bytes structured = structured_bytes(3 << 20);
    const Bytes random = random_bytes(1 << 20, 99);
    struct Case {
        const Bytes* data;
        int level, strategy, window_bits;
    };
    const Case cases[] = {
        {&structured, 0, Z_DEFAULT_STRATEGY, 15}, {&structured, 1, Z_DEFAULT_STRATEGY, 15},
        {&structured, 6, Z_DEFAULT_STRATEGY, 15}, {&structured, 9, Z_DEFAULT_STRATEGY, 15},
        {&structured, 6, Z_FILTERED, 15},         {&structured, 6, Z_HUFFMAN_ONLY, 15},
        {&structured, 6, Z_RLE, 15},              {&structured, 6, Z_FIXED, 15},
        {&structured, 6, Z_DEFAULT_STRATEGY, 9},  {&structured, 9, Z_DEFAULT_STRATEGY, 12},
        {&random, 0, Z_DEFAULT_STRATEGY, 15},     {&random, 6, Z_DEFAULT_STRATEGY, 15},
        {&random, 9, Z_FIXED, 15},
    };
    for (const Case& c : cases) {
        Collector collector;
        EXPECT_EQ(inflate_into(collector, fixtures::zlib_stream(*c.data, c.level, c.strategy, c.window_bits)), 1);
        EXPECT_TRUE(collector.out == *c.data) << "level " << c.level << " strategy " << c.strategy
                                              << " window " << c.window_bits << ": " << collector.out.size()
                                              << " of " << c.data->size() << " bytes";
    }
}

TEST(PngInflater, CutStreamsFailWithAPrefixOfTheData)
{
    const Bytes data = structured_bytes(200000);
    for (int level : {0, 6}) {
        const Bytes stream = fixtures::zlib_stream(data, level);
        for (size_t cut : {size_t(0), size_t(1), size_t(2), size_t(3), stream.size() / 3, stream.size() - 5}) {
            Collector collector;
            EXPECT_EQ(inflate_into(collector, Bytes(stream.begin(), stream.begin() + cut)), 0) << cut;
            ASSERT_LE(collector.out.size(), data.size());
            EXPECT_TRUE(std::equal(collector.out.begin(), collector.out.end(), data.begin())) << cut;
        }
        // The trailing checksum must be there and match, though every byte reached the output.
        Bytes wrong_checksum = stream;
        wrong_checksum[stream.size() - 4] ^= 0x40;
        for (const Bytes& damaged : {Bytes(stream.begin(), stream.end() - 4), Bytes(stream.begin(), stream.end() - 1),
                                     wrong_checksum}) {
            Collector collector;
            EXPECT_EQ(inflate_into(collector, damaged), 0) << level;
            EXPECT_TRUE(collector.out == data) << level;
        }
    }
}

// The checksum covers every byte: one changed inside a stored block, which still inflates,
// fails it.
TEST(PngInflater, ChangedDataFailsTheChecksum)
{
    const Bytes data = structured_bytes(100000);
    Bytes stream = fixtures::zlib_stream(data, 0);
    Collector intact;
    ASSERT_EQ(inflate_into(intact, stream), 1);
    stream[stream.size() / 2] ^= 0x01;
    Collector collector;
    EXPECT_EQ(inflate_into(collector, stream), 0);
    EXPECT_EQ(collector.out.size(), data.size());
    EXPECT_FALSE(collector.out == data);
}

TEST(PngInflater, OutputHookCanStopTheStream)
{
    const Bytes data = structured_bytes(100000);
    Collector collector;
    collector.limit = 1234;
    EXPECT_EQ(inflate_into(collector, fixtures::zlib_stream(data, 6)), 0);
    EXPECT_EQ(collector.out, Bytes(data.begin(), data.begin() + 1234));
}

TEST(PngInflater, MalformedCodesAreRefused)
{
    struct Case {
        const char* name;
        BitWriter stream;
    };
    std::vector<Case> cases;

    BitWriter repeat_first = dynamic_header(0, 16);
    repeat_first.code(1, 1); // 16: repeat the previous length, with none before it
    repeat_first.put(0, 2);
    cases.push_back({"repeat before any length", repeat_first});

    BitWriter long_run = dynamic_header(0, 18);
    for (int i = 0; i < 3; ++i) {
        long_run.code(1, 1); // 18: 11 + 127 zeros, three times is past the 258 lengths
        long_run.put(127, 7);
    }
    cases.push_back({"zero run past the tables", long_run});

    BitWriter oversubscribed;
    oversubscribed.put(1, 1);
    oversubscribed.put(2, 2);
    oversubscribed.put(0, 5);
    oversubscribed.put(0, 5);
    oversubscribed.put(0, 4);
    for (int i = 0; i < 4; ++i) oversubscribed.put(1, 3); // four codes of one bit
    cases.push_back({"over-subscribed code lengths", oversubscribed});

    BitWriter far_distance;
    far_distance.put(1, 1);
    far_distance.put(1, 2);              // fixed codes
    far_distance.code(0x30 + 'A', 8);    // literal
    far_distance.code(1, 7);             // length 4
    far_distance.code(30, 5);            // distance symbol 30 has no distance
    far_distance.code(0, 7);             // end of block
    cases.push_back({"distance symbol 30", far_distance});

    BitWriter reserved;
    reserved.put(1, 1);
    reserved.put(3, 2);
    cases.push_back({"block type 3", reserved});

    BitWriter empty; // the zlib header alone
    cases.push_back({"no block", empty});

    for (Case& c : cases) {
        Collector collector;
        c.stream.bytes.resize(c.stream.bytes.size() + 8, 0); // zero bits after it, as a file might have
        EXPECT_EQ(inflate_into(collector, c.stream.bytes), 0) << c.name;
    }
}

TEST(PngInflater, Adler32MatchesZlibForEveryLengthAndStart)
{
    const Bytes bytes = random_bytes(70000, 5);
    const Bytes ones(70000, 0xFF); // the largest sums
    for (const Bytes* data : {&bytes, &ones}) {
        for (size_t length : {size_t(0), size_t(1), size_t(31), size_t(32), size_t(33), size_t(5552), size_t(8191),
                              size_t(8192), size_t(8193), size_t(8192 * 3 + 45), size_t(70000)}) {
            for (std::uint32_t start : {1u, 0xFFF0FFF0u, 0x1234ABCDu}) {
                const uLong expected = adler32(start, data->data(), static_cast<uInt>(length));
                EXPECT_EQ(PngInflater::update_adler32(start, data->data(), length), expected)
                    << length << " from " << start;
            }
        }
    }
}

TEST(PngInflater, CanonicalCodesFollowTheLengths)
{
    // The example of the deflate format: lengths 3 3 3 3 3 2 4 4 give 010 011 100 101 110 00 1110 1111.
    const unsigned char lengths[8] = {3, 3, 3, 3, 3, 2, 4, 4};
    std::uint16_t codes[8];
    PngInflater::make_codes(lengths, 8, codes);
    const std::uint16_t expected[8] = {2, 3, 4, 5, 6, 0, 14, 15};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(codes[i], expected[i]) << i;
    EXPECT_EQ(PngInflater::decode_length(257, 0), 3);
    EXPECT_EQ(PngInflater::decode_length(265, 1), 12);
    EXPECT_EQ(PngInflater::decode_length(284, 30), 257);
    EXPECT_EQ(PngInflater::decode_length(285, 0), 258);
    EXPECT_EQ(PngInflater::decode_distance(3, 0), 4);
    EXPECT_EQ(PngInflater::decode_distance(4, 1), 6);
    EXPECT_EQ(PngInflater::decode_distance(29, 8191), 32768);
    EXPECT_EQ(PngInflater::extra_distance_bits(29), 13);
}
