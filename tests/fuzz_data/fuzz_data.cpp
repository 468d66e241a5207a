// Fuzz target for the packed data file: the whole-file parse with its chunk walk, both Huffman
// decoders on the bytes taken as a bare stream, and an encode/decode round trip of the bytes.
// Any read outside a buffer shows up through AddressSanitizer; a disagreement traps.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "util/data/datapack.h"
#include "util/data/huffman.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<DataEntry*> entries;
    DataError error;
    if (DataPack::unpack(data, size, "fuzz.qxv", entries, &error)) {
        for (DataEntry* entry : entries) {
            std::free(entry->data);
            delete entry;
        }
    } else if (error.message.empty()) {
        __builtin_trap();
    }

    if (HuffmanCoder::check_stream(data, size, nullptr)) {
        std::uint32_t expected = HuffmanCoder::get_decoded_size(data);
        // At least one byte of room, as the player gives: an empty vector has no buffer.
        std::vector<unsigned char> fast(expected + 1), walked(expected + 1);
        std::uint32_t fast_size = 0, walked_size = 0;
        HuffmanCoder first, second;
        bool fast_ok = first.decode(fast.data(), &fast_size, data, size);
        bool walked_ok = second.decode_bitwise(walked.data(), &walked_size, data, size);
        if (fast_ok != walked_ok || fast_size != walked_size ||
            (fast_size > 0 && std::memcmp(fast.data(), walked.data(), fast_size) != 0)) {
            __builtin_trap();
        }
    }

    std::vector<unsigned char> stream(HuffmanCoder::max_encoded_size(size));
    std::uint32_t stream_size = 0;
    HuffmanCoder encoder;
    encoder.encode(stream.data(), &stream_size, data, static_cast<std::uint32_t>(size));
    std::vector<unsigned char> back(size + 1);
    std::uint32_t back_size = 0;
    HuffmanCoder decoder;
    if (!decoder.decode(back.data(), &back_size, stream.data(), stream_size) || back_size != size ||
        (size > 0 && std::memcmp(back.data(), data, size) != 0)) {
        __builtin_trap();
    }
    return 0;
}
