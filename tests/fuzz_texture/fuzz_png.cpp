// libFuzzer target for the PNG decoder: the first byte chooses between a whole PNG file and a
// bare zlib stream for the inflater; the rest is the input.
#include <cstdint>
#include <cstdio>

#include "util/data/datafile.h"
#include "util/texture/pnginflater.h"
#include "util/texture/rawpngdecoder.h"
#include "util/texture/texture.h"

// Without a GL context the pictures are held to this side; files come from memory only.
unsigned int Texture::max_image_side() { return 1024; }
FILE* DataFile::open_file(const char*, const char*, bool) { return nullptr; }

namespace {
class Sink : public JhGenericPngDecoder {
public:
    size_t total = 0;
    int output_block(const unsigned char* bytes, size_t count) override
    {
        for (size_t i = 0; i < count; ++i) total += bytes[i];
        return 1;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    if (mode & 1) {
        Sink sink;
        PngInflater inflater(&sink);
        inflater.inflate(size, data);
        return 0;
    }
    FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (stream == nullptr) return 0;
    JhRawPngDecoder decoder;
    decoder.decode_stream(stream);
    decoder.flip();
    std::fclose(stream);
    return 0;
}
