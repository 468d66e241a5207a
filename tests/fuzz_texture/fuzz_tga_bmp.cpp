// libFuzzer target for the TGA and BMP readers: the first byte chooses the reader, the rest
// is the file it reads.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/win32/messagebox.h"
#include "util/data/datafile.h"
#include "util/texture/texture.h"

namespace {
const std::uint8_t* g_data = nullptr;
size_t g_size = 0;
} // namespace

// The readers' files come from the input; boxes and the texture limit need no window.
FILE* DataFile::open_file(const char*, const char*, bool)
{
    if (g_size == 0) return nullptr;
    return fmemopen(const_cast<std::uint8_t*>(g_data), g_size, "rb");
}
int MessageBoxA(HWND, const char*, const char*, UINT) { return IDOK; }
unsigned int Texture::max_image_side() { return 1024; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    g_data = data + 1;
    g_size = size - 1;
    Texture::TextureInfo info = {nullptr, 0, 0, 0, 0};
    const bool loaded = data[0] & 1 ? Texture::load_bmp(&info, "fuzz.bmp") : Texture::load_tga(&info, "fuzz.tga");
    if (loaded) {
        // Every byte the reader claims to have filled must be there.
        const size_t bytes = static_cast<size_t>(info.width) * info.height * (info.bpp / 8);
        volatile unsigned sum = 0;
        for (size_t i = 0; i < bytes; ++i) sum = sum + info.imageData[i];
    }
    std::free(info.imageData);
    return 0;
}
