// BMP reader: uncompressed 24-bit bottom-up pictures, decoded into a pixel buffer and handed
// to the texture as a bottom-up RGBA block.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/runtime/byte_order.h"
#include "platform/win32/messagebox.h"
#include "util/data/datafile.h"
#include "util/texture/pixelbuffer.h"
#include "util/texture/texture.h"

namespace {

const char* const SOURCE = "src\\util\\texture\\bmp_loader";

std::int32_t s32_at(const unsigned char* p) { return static_cast<std::int32_t>(read_le32(p)); }

const int BMP_OK = 0;
const int BMP_CANNOT_OPEN = 1;
const int BMP_UNSUPPORTED = 2;
const int BMP_SEEK_FAILED = 3;
const int BMP_ENDED_EARLY = 4;

} // namespace

int PixelBuffer::read_bmp(const char* file)
{
    FILE* stream = DataFile::open_file(file, "rb", false);
    if (stream == nullptr) return BMP_CANNOT_OPEN;

    auto finish = [stream](int result) {
        std::fclose(stream);
        return result;
    };

    unsigned char file_header[14];
    unsigned char info_header[44];
    if (std::fread(file_header, 1, sizeof file_header, stream) != sizeof file_header) {
        return finish(BMP_ENDED_EARLY);
    }
    // The information header proper is 40 bytes; the 4 after it are not used.
    if (std::fread(info_header, 1, sizeof info_header, stream) < 40) return finish(BMP_ENDED_EARLY);

    const std::uint32_t bit_count = read_le16(info_header + 14);
    const std::uint32_t compression = read_le32(info_header + 16);
    const std::uint32_t colours_used = read_le32(info_header + 32);
    const std::uint32_t colours_important = read_le32(info_header + 36);
    if (bit_count != 24 || compression != 0 || (colours_used != 0 && colours_important != 0)) {
        return finish(BMP_UNSUPPORTED);
    }

    // A top-down picture (negative height) and sides beyond what a texture can hold are not
    // taken.
    const std::int32_t w = s32_at(info_header + 4);
    const std::int32_t h = s32_at(info_header + 8);
    const std::int64_t limit = Texture::max_image_side();
    if (w <= 0 || h <= 0 || w > limit || h > limit) return finish(BMP_UNSUPPORTED);

    const std::int64_t pixel_bytes = static_cast<std::int64_t>(w) * h * 3;
    const std::int64_t image_size = read_le32(info_header + 20);
    std::int64_t padding;
    if (image_size == 0) {
        // Allowed for uncompressed pictures: rows are then padded to 4 bytes, as always.
        padding = (4 - (static_cast<std::int64_t>(w) * 3) % 4) % 4;
    } else {
        padding = (image_size - pixel_bytes) / h;
        if (padding < 0) return finish(BMP_UNSUPPORTED);
    }

    // A file too short for its rows ends early; it is found before the rows are built.
    const std::int64_t pixel_offset = read_le32(file_header + 10);
    if (std::fseek(stream, 0, SEEK_END) != 0) return finish(BMP_SEEK_FAILED);
    const std::int64_t file_size = std::ftell(stream);
    if (file_size - pixel_offset < (static_cast<std::int64_t>(w) * 3 + padding) * (h - 1) + w * 3) {
        return finish(BMP_ENDED_EARLY);
    }

    if (!set_size(w, h)) return finish(BMP_UNSUPPORTED);

    if (std::fseek(stream, static_cast<long>(pixel_offset), SEEK_SET) != 0) {
        return finish(BMP_SEEK_FAILED);
    }

    std::vector<unsigned char> row_bytes(static_cast<size_t>(w) * 3);
    for (int row = h - 1; row >= 0; --row) {
        if (std::fread(row_bytes.data(), 1, row_bytes.size(), stream) != row_bytes.size()) {
            return finish(BMP_ENDED_EARLY);
        }
        const unsigned char* p = row_bytes.data();
        for (int col = 0; col < w; ++col, p += 3) set_pixel(row, col, p[2], p[1], p[0]);
        if (padding > 0 && std::fseek(stream, static_cast<long>(padding), SEEK_CUR) != 0) {
            return finish(BMP_SEEK_FAILED);
        }
    }
    return finish(BMP_OK);
}

bool Texture::load_bmp(TextureInfo* texture, const char* file)
{
    PixelBuffer* buffer = new PixelBuffer(PixelBuffer::TYPE_RGB);
    if (buffer->read_bmp(file) != BMP_OK) {
        delete buffer;
        return false;
    }
    bool handed_over = buffer->hand_over(texture, SOURCE);
    delete buffer;
    return handed_over;
}
