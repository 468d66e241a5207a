#include "util/data/huffman.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytes_of(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes encode(const Bytes& input)
{
    Bytes out(HuffmanCoder::max_encoded_size(input.size()));
    std::uint32_t size = 0;
    HuffmanCoder coder;
    coder.encode(out.data(), &size, input.data(), static_cast<std::uint32_t>(input.size()));
    out.resize(size);
    return out;
}

// Decodes with both decoders, which must agree byte for byte.
Bytes decode(const Bytes& stream)
{
    std::string problem;
    EXPECT_TRUE(HuffmanCoder::check_stream(stream.data(), stream.size(), &problem)) << problem;
    std::uint32_t expected = HuffmanCoder::get_decoded_size(stream.data());
    Bytes fast(expected), walked(expected);
    std::uint32_t fast_size = 0, walked_size = 0;
    HuffmanCoder first, second;
    EXPECT_TRUE(first.decode(fast.data(), &fast_size, stream.data(), stream.size()));
    EXPECT_TRUE(second.decode_bitwise(walked.data(), &walked_size, stream.data(), stream.size()));
    EXPECT_EQ(fast_size, expected);
    EXPECT_EQ(walked_size, expected);
    EXPECT_EQ(fast, walked);
    return fast;
}

Bytes hex(std::initializer_list<int> values)
{
    Bytes bytes;
    for (int v : values) bytes.push_back(static_cast<unsigned char>(v));
    return bytes;
}

} // namespace

TEST(HuffmanCoder, EmptyInputIsSeventeenBytes)
{
    Bytes stream = encode({});
    EXPECT_EQ(stream, hex({'H', 'U', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0, 17, 0, 0, 0, 0}));
    EXPECT_TRUE(decode(stream).empty());
}

TEST(HuffmanCoder, AbcGivesTheKnownStream)
{
    Bytes stream = encode(bytes_of("abc"));
    EXPECT_EQ(stream, hex({0x48, 0x55, 0x46, 0x46, 3, 0, 0, 0, 3, 0, 0, 0, 0x20, 0, 0, 0,
                           1, 0, 0, 0, 0x63, 1, 0, 0, 0, 0x61, 1, 0, 0, 0, 0x62, 0x18}));
    EXPECT_EQ(decode(stream), bytes_of("abc"));
}

TEST(HuffmanCoder, AbracadabraTableCodesAndBits)
{
    Bytes stream = encode(bytes_of("abracadabra"));
    ASSERT_EQ(stream.size(), 44u);
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 16),
              hex({'H', 'U', 'F', 'F', 5, 0, 0, 0, 11, 0, 0, 0, 44, 0, 0, 0}));
    EXPECT_EQ(Bytes(stream.begin() + 16, stream.begin() + 41),
              hex({5, 0, 0, 0, 'a', 2, 0, 0, 0, 'r', 2, 0, 0, 0, 'b', 1, 0, 0, 0, 'd',
                   1, 0, 0, 0, 'c'}));
    // a = 1, b = 01, r = 001, c = 0001, d = 0000: 23 bits.
    EXPECT_EQ(Bytes(stream.begin() + 41, stream.end()), hex({0xa6, 0x30, 0xa6}));
    EXPECT_EQ(decode(stream), bytes_of("abracadabra"));
}

TEST(HuffmanCoder, OneRepeatedByteCostsOneZeroBitEach)
{
    for (std::size_t length : {1u, 7u, 8u, 9u, 1000u}) {
        Bytes input(length, 0x5a);
        Bytes stream = encode(input);
        ASSERT_EQ(stream.size(), 16 + 5 + length / 8 + 1) << length;
        EXPECT_EQ(stream[4], 1);
        EXPECT_EQ(stream[16], static_cast<unsigned char>(length));
        EXPECT_EQ(stream[20], 0x5a);
        for (std::size_t i = 21; i < stream.size(); ++i) EXPECT_EQ(stream[i], 0) << length;
        EXPECT_EQ(decode(stream), input);
    }
}

TEST(HuffmanCoder, BitsFillingTheLastByteStillEndWithAZeroByte)
{
    // Two symbols of one bit each: 16 bits fill two bytes, then one more zero byte follows.
    Bytes input = bytes_of("aaaabbbbaaaabbbb");
    Bytes stream = encode(input);
    ASSERT_EQ(stream.size(), 16u + 10u + 3u);
    EXPECT_EQ(stream[12], 29);
    EXPECT_EQ(stream.back(), 0);
    EXPECT_EQ(decode(stream), input);
}

TEST(HuffmanCoder, EqualFrequenciesFollowTheSortAndRepeatExactly)
{
    // Equal frequencies are ordered by the positions the sort moves them through.
    Bytes stream = encode(bytes_of("ba"));
    EXPECT_EQ(Bytes(stream.begin() + 16, stream.begin() + 26),
              hex({1, 0, 0, 0, 'b', 1, 0, 0, 0, 'a'}));
    Bytes input = bytes_of("zyxwvutsrqponmlkjihgfedcba0123456789");
    EXPECT_EQ(encode(input), encode(input));
    EXPECT_EQ(decode(encode(input)), input);
}

TEST(HuffmanCoder, RoundTripsOfRandomAndStructuredBuffers)
{
    std::mt19937 random(12345);
    std::vector<Bytes> inputs;
    Bytes uniform(1024 * 1024);
    for (unsigned char& b : uniform) b = static_cast<unsigned char>(random());
    inputs.push_back(uniform);
    Bytes skewed(1 << 19);
    std::geometric_distribution<int> geometric(0.3);
    for (unsigned char& b : skewed) b = static_cast<unsigned char>(std::min(geometric(random), 255));
    inputs.push_back(skewed);
    // Fibonacci frequencies give the deepest trees a byte count allows.
    Bytes deep;
    std::size_t a = 1, b = 1;
    for (int symbol = 0; symbol < 24; ++symbol) {
        deep.insert(deep.end(), a, static_cast<unsigned char>(symbol));
        std::size_t next = a + b;
        a = b;
        b = next;
    }
    std::shuffle(deep.begin(), deep.end(), random);
    inputs.push_back(deep);
    // Five frequent symbols above 251 rare ones: the rare codes are 12 and 13 bits long, under
    // more 12-bit prefixes than there are second-level tables, so some go on by the walk.
    Bytes wide;
    for (int symbol = 0; symbol < 251; ++symbol) wide.push_back(static_cast<unsigned char>(symbol));
    for (int k = 0; k < 5; ++k) wide.insert(wide.end(), std::size_t{300} << k, static_cast<unsigned char>(251 + k));
    std::shuffle(wide.begin(), wide.end(), random);
    inputs.push_back(wide);
    // Mostly 8-bit codes, as in nearly incompressible data, with 7- and 9-bit codes among them
    // and rare codes of 13 bits and more: every kind of code ends a run of 8-bit codes.
    Bytes mostly_eight;
    for (int symbol = 0; symbol < 240; ++symbol) {
        std::size_t copies = symbol < 8 ? 1600 : symbol >= 232 ? 400 : 800;
        mostly_eight.insert(mostly_eight.end(), copies, static_cast<unsigned char>(symbol));
    }
    for (int symbol = 240; symbol < 256; ++symbol) {
        mostly_eight.insert(mostly_eight.end(), static_cast<std::size_t>(symbol - 239), static_cast<unsigned char>(symbol));
    }
    std::shuffle(mostly_eight.begin(), mostly_eight.end(), random);
    inputs.push_back(mostly_eight);
    Bytes ramp(70000);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<unsigned char>(i * i >> 7);
    inputs.push_back(ramp);
    inputs.push_back(bytes_of("\x00\xff"));

    for (const Bytes& input : inputs) {
        Bytes stream = encode(input);
        EXPECT_LE(stream.size(), HuffmanCoder::max_encoded_size(input.size()));
        EXPECT_EQ(decode(stream), input) << input.size();
    }
}

TEST(HuffmanCoder, CodesLongerThan32BitsRoundTrip)
{
    // Fibonacci frequencies of 34 symbols make a chain: the rarest codes are 33 bits long.
    Bytes input;
    std::size_t a = 1, b = 1;
    for (int symbol = 0; symbol < 34; ++symbol) {
        input.insert(input.end(), a, static_cast<unsigned char>(symbol));
        std::size_t next = a + b;
        a = b;
        b = next;
    }
    // The rarest symbols sit at the start, before and after runs of the others.
    std::rotate(input.begin(), input.begin() + 1, input.begin() + 40);
    Bytes stream = encode(input);
    Bytes out(input.size());
    std::uint32_t size = 0;
    HuffmanCoder coder;
    ASSERT_TRUE(coder.decode(out.data(), &size, stream.data(), stream.size()));
    EXPECT_TRUE(out == input);
}

TEST(HuffmanCoder, DamagedStreamsAreRefusedOrRunOutSafely)
{
    Bytes good = encode(bytes_of("abracadabra"));
    Bytes many = good;
    many[5] = 1; // 5 + 256 symbols
    Bytes no_symbols = encode({});
    no_symbols[8] = 1;
    struct Case {
        Bytes stream;
        const char* problem;
    } cases[] = {
        {Bytes(good.begin(), good.begin() + 15), "Data stream of 15 bytes is shorter than its header"},
        {hex({'H', 'U', 'G', 'E', 0, 0, 0, 0, 0, 0, 0, 0, 17, 0, 0, 0, 0}),
         "Unrecognized data stream header: HUGE"},
        {many, "Symbol count 261 is above 256"},
        {Bytes(good.begin(), good.begin() + 40), "Symbol table of 5 entries runs past the end of the data"},
        {Bytes(good.begin(), good.begin() + 42), "Decoded size 11 is larger than the 8 code bits can give"},
        {no_symbols, "Decoded size 1 given without any symbols"},
    };
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_FALSE(HuffmanCoder::check_stream(c.stream.data(), c.stream.size(), &problem));
        EXPECT_EQ(problem, c.problem);
        Bytes out(64);
        std::uint32_t size = 99;
        HuffmanCoder coder;
        EXPECT_FALSE(coder.decode(out.data(), &size, c.stream.data(), c.stream.size()));
    }

    // Enough bits for the count, too few for the codes: both decoders stop at the end.
    Bytes short_bits(good.begin(), good.begin() + 43);
    ASSERT_TRUE(HuffmanCoder::check_stream(short_bits.data(), short_bits.size(), nullptr));
    Bytes out(11);
    std::uint32_t fast_size = 0, walked_size = 0;
    HuffmanCoder first, second;
    EXPECT_FALSE(first.decode(out.data(), &fast_size, short_bits.data(), short_bits.size()));
    EXPECT_FALSE(second.decode_bitwise(out.data(), &walked_size, short_bits.data(), short_bits.size()));
    EXPECT_EQ(fast_size, walked_size);
    EXPECT_LT(fast_size, 11u);

    // Nearly incompressible data cut off halfway through its code bits: the decoders stop at
    // the same byte with the same bytes before it.
    std::mt19937 random(7);
    Bytes noise(4096);
    for (unsigned char& b : noise) b = static_cast<unsigned char>(random());
    Bytes cut = encode(noise);
    cut.resize(cut.size() - noise.size() / 2);
    ASSERT_TRUE(HuffmanCoder::check_stream(cut.data(), cut.size(), nullptr));
    Bytes fast(noise.size()), walked(noise.size());
    EXPECT_FALSE(first.decode(fast.data(), &fast_size, cut.data(), cut.size()));
    EXPECT_FALSE(second.decode_bitwise(walked.data(), &walked_size, cut.data(), cut.size()));
    EXPECT_EQ(fast_size, walked_size);
    EXPECT_LT(fast_size, noise.size());
    EXPECT_TRUE(std::equal(fast.begin(), fast.begin() + fast_size, noise.begin()));
    EXPECT_TRUE(std::equal(walked.begin(), walked.begin() + walked_size, noise.begin()));
}

TEST(HuffmanCoder, EmptyResultsNeedNoRoom)
{
    // A one-symbol table that decodes to nothing, and the empty stream: both decoders accept
    // them without touching the output, which may be null.
    Bytes one_symbol = encode(bytes_of("zzz"));
    one_symbol[8] = 0;
    for (const Bytes& stream : {one_symbol, encode({})}) {
        ASSERT_TRUE(HuffmanCoder::check_stream(stream.data(), stream.size(), nullptr));
        std::uint32_t fast_size = 99, walked_size = 99;
        HuffmanCoder first, second;
        EXPECT_TRUE(first.decode(nullptr, &fast_size, stream.data(), stream.size()));
        EXPECT_TRUE(second.decode_bitwise(nullptr, &walked_size, stream.data(), stream.size()));
        EXPECT_EQ(fast_size, 0u);
        EXPECT_EQ(walked_size, 0u);
    }
}
