// Fuzz target for the JPEG reader: the input is a picture file, read the way the player reads
// it, as a stream the data layer opens.
#include <cstdint>
#include <cstdlib>

#include "fuzz_support/fuzz_harness.h"
#include "util/texture/texture.h"

// Without a GL context the pictures are held to this side.
unsigned int Texture::max_image_side() { return 1024; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz_disk_file("pictures/fuzz.jpg", data, size);
    Texture::TextureInfo info = {nullptr, 0, 0, 0, 0};
    fuzz_run([&] {
        if (Texture::load_jpg(&info, path.c_str())) {
            // Every byte the reader claims to have filled must be there.
            const std::size_t bytes = static_cast<std::size_t>(info.width) * info.height * (info.bpp / 8);
            volatile unsigned sum = 0;
            for (std::size_t i = 0; i < bytes; ++i) sum = sum + info.imageData[i];
        }
    });
    std::free(info.imageData);
    return 0;
}
