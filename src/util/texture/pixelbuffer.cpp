#include "util/texture/pixelbuffer.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/win32/messagebox.h"

int max3i(int a, int b, int c)
{
    int m = a > b ? a : b;
    return m > c ? m : c;
}

int min3i(int a, int b, int c)
{
    int m = a < b ? a : b;
    return m < c ? m : c;
}

PixelBuffer::PixelBuffer(int pixel_type)
    : width(0), height(0), type(pixel_type), rgb_rows(nullptr), grey_rows(nullptr)
{
}

PixelBuffer::~PixelBuffer() { clear(); }

void PixelBuffer::allocate(int cell_type)
{
    if (width == 0 || height == 0) return;
    const size_t cells = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (cell_type == TYPE_RGB) {
        RgbCell* block = new (std::nothrow) RgbCell[cells];
        RgbCell** rows = new (std::nothrow) RgbCell*[height];
        if (block == nullptr || rows == nullptr) {
            delete[] block;
            delete[] rows;
            return;
        }
        for (int r = 0; r < height; ++r) rows[r] = block + static_cast<size_t>(r) * static_cast<size_t>(width);
        rgb_rows = rows;
    } else if (cell_type == TYPE_GREY) {
        int* block = new (std::nothrow) int[cells];
        int** rows = new (std::nothrow) int*[height];
        if (block == nullptr || rows == nullptr) {
            delete[] block;
            delete[] rows;
            return;
        }
        for (int r = 0; r < height; ++r) rows[r] = block + static_cast<size_t>(r) * static_cast<size_t>(width);
        grey_rows = rows;
    }
}

void PixelBuffer::free_rows(int cell_type)
{
    if (cell_type == TYPE_RGB && rgb_rows != nullptr) {
        delete[] rgb_rows[0];
        delete[] rgb_rows;
        rgb_rows = nullptr;
    } else if (cell_type == TYPE_GREY && grey_rows != nullptr) {
        delete[] grey_rows[0];
        delete[] grey_rows;
        grey_rows = nullptr;
    }
}

bool PixelBuffer::set_size(int new_width, int new_height)
{
    clear();
    width = new_width > 0 && new_height > 0 ? new_width : 0;
    height = new_width > 0 && new_height > 0 ? new_height : 0;
    if (width == 0) return true;
    allocate(type);
    bool ok = type == TYPE_RGB ? rgb_rows != nullptr : grey_rows != nullptr;
    if (!ok) {
        width = 0;
        height = 0;
    }
    return ok;
}

void PixelBuffer::set_pixel(int row, int col, int r, int g, int b)
{
    if (row < 0 || col < 0 || row >= height || col >= width) return;
    if (type == TYPE_RGB) {
        RgbCell& cell = rgb_rows[row][col];
        cell.r = r;
        cell.g = g;
        cell.b = b;
    } else if (type == TYPE_GREY) {
        grey_rows[row][col] = (max3i(r, g, b) + min3i(r, g, b)) / 2;
    }
}

unsigned char* PixelBuffer::to_rgba() const
{
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    unsigned char* out = static_cast<unsigned char*>(std::malloc(bytes > 0 ? bytes : 1));
    if (out == nullptr) return nullptr;
    for (int i = 0; i < height; ++i) {
        unsigned char* dest = out + static_cast<size_t>(height - 1 - i) * static_cast<size_t>(width) * 4;
        for (int c = 0; c < width; ++c) {
            int r, g, b;
            if (type == TYPE_RGB) {
                const RgbCell& cell = rgb_rows[i][c];
                r = cell.r;
                g = cell.g;
                b = cell.b;
            } else {
                r = g = b = grey_rows[i][c];
            }
            dest[0] = static_cast<unsigned char>(r);
            dest[1] = static_cast<unsigned char>(g);
            dest[2] = static_cast<unsigned char>(b);
            dest[3] = 255;
            dest += 4;
        }
    }
    return out;
}

bool PixelBuffer::hand_over(Texture::TextureInfo* texture, const char* source) const
{
    texture->width = static_cast<unsigned int>(width);
    texture->height = static_cast<unsigned int>(height);
    texture->bpp = 32;
    if (texture->width == 0 || texture->height == 0) {
        char caption[256];
        std::snprintf(caption, sizeof caption, "ERROR at %s:%i", source, 21);
        MessageBoxA(nullptr, "Invalid texture information", caption, MB_OK);
        texture->imageData = nullptr;
        return false;
    }
    texture->format = GL_RGBA;
    texture->imageData = to_rgba();
    return texture->imageData != nullptr;
}
