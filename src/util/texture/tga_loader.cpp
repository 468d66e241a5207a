// TGA reader: uncompressed (type 2) and run-length (type 10) true-colour pictures of 24 or 32
// bits, passed on in their stored row order.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/runtime/byte_order.h"
#include "platform/win32/messagebox.h"
#include "util/data/datafile.h"
#include "util/texture/texture.h"

namespace {

const char* const SOURCE = "src\\util\\texture\\tga_loader";

const unsigned char UNCOMPRESSED_HEADER[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const unsigned char RLE_HEADER[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

void error_box(const char* text) { MessageBoxA(nullptr, text, "ERROR", MB_OK); }

void invalid_information_box(int line)
{
    char caption[256];
    std::snprintf(caption, sizeof caption, "ERROR at %s:%i", SOURCE, line);
    MessageBoxA(nullptr, "Invalid texture information", caption, MB_OK);
}

// Reads the 6-byte information header and allocates the image; false after its box.
bool read_information(Texture::TextureInfo* texture, FILE* stream, int line, size_t* image_size)
{
    unsigned char header[6];
    if (std::fread(header, 1, sizeof header, stream) != sizeof header) {
        error_box("Could not read info header");
        return false;
    }
    unsigned int width = read_le16(header);
    unsigned int height = read_le16(header + 2);
    unsigned int depth = header[4];
    const unsigned int limit = Texture::max_image_side();
    if (width == 0 || height == 0 || (depth != 24 && depth != 32) || width > limit ||
        height > limit) {
        invalid_information_box(line);
        return false;
    }
    texture->width = width;
    texture->height = height;
    texture->bpp = depth;
    texture->format = depth == 24 ? GL_RGB : GL_RGBA;
    *image_size = static_cast<size_t>(depth / 8) * width * height;
    texture->imageData = static_cast<unsigned char*>(std::malloc(*image_size));
    if (texture->imageData == nullptr) {
        error_box("Could not allocate memory for image");
        return false;
    }
    return true;
}

void drop_image(Texture::TextureInfo* texture)
{
    std::free(texture->imageData);
    texture->imageData = nullptr;
}

} // namespace

bool Texture::load_tga(TextureInfo* texture, const char* file)
{
    FILE* stream = DataFile::open_file(file, "rb", false);
    if (stream == nullptr) {
        error_box("Could not open texture file");
        return false;
    }
    unsigned char header[12];
    if (std::fread(header, 1, sizeof header, stream) != sizeof header) {
        error_box("Could not read file header");
        std::fclose(stream);
        return false;
    }
    bool loaded;
    if (std::memcmp(header, UNCOMPRESSED_HEADER, sizeof header) == 0) {
        loaded = load_tga_uncompressed(texture, stream);
    } else if (std::memcmp(header, RLE_HEADER, sizeof header) == 0) {
        loaded = load_tga_rle(texture, stream);
    } else {
        MessageBoxA(nullptr, "TGA file be type 2 or type 10 ", "Invalid Image", MB_OK);
        loaded = false;
    }
    std::fclose(stream);
    return loaded;
}

bool Texture::load_tga_uncompressed(TextureInfo* texture, FILE* stream)
{
    size_t image_size = 0;
    if (!read_information(texture, stream, 86, &image_size)) {
        drop_image(texture);
        return false;
    }
    if (std::fread(texture->imageData, 1, image_size, stream) != image_size) {
        error_box("Could not read image data");
        drop_image(texture);
        return false;
    }
    const size_t step = texture->bpp / 8;
    unsigned char* data = texture->imageData;
    for (size_t i = 0; i < image_size; i += step) {
        unsigned char blue = data[i];
        data[i] = data[i + 2];
        data[i + 2] = blue;
    }
    return true;
}

bool Texture::load_tga_rle(TextureInfo* texture, FILE* stream)
{
    size_t image_size = 0;
    if (!read_information(texture, stream, 160, &image_size)) {
        drop_image(texture);
        return false;
    }
    const size_t bytes_per_pixel = texture->bpp / 8;
    unsigned char pixel[4];
    size_t written = 0; // bytes of imageData filled so far
    const char* failure = nullptr;
    while (written < image_size && failure == nullptr) {
        int header = std::fgetc(stream);
        if (header == EOF) {
            failure = "Could not read RLE header";
            break;
        }
        const bool run = header >= 128;
        const int count = run ? header - 127 : header + 1;
        if (run && std::fread(pixel, 1, bytes_per_pixel, stream) != bytes_per_pixel) {
            failure = "Could not read from file";
            break;
        }
        for (int i = 0; i < count; ++i) {
            if (!run && std::fread(pixel, 1, bytes_per_pixel, stream) != bytes_per_pixel) {
                failure = "Could not read image data";
                break;
            }
            if (written + bytes_per_pixel > image_size) {
                failure = "Too many pixels read";
                break;
            }
            unsigned char* dest = texture->imageData + written;
            dest[0] = pixel[2];
            dest[1] = pixel[1];
            dest[2] = pixel[0];
            if (bytes_per_pixel == 4) dest[3] = pixel[3];
            written += bytes_per_pixel;
        }
    }
    if (failure != nullptr) {
        error_box(failure);
        drop_image(texture);
        return false;
    }
    return true;
}
