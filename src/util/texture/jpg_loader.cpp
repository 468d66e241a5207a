// JPEG reader over libjpeg, decoded into a pixel buffer and handed to the texture as a
// bottom-up RGBA block.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/win32/messagebox.h"
#include "util/data/datafile.h"
#include "util/texture/pixelbuffer.h"
#include "util/texture/texture.h"

namespace {

const char* const SOURCE = "src\\util\\texture\\jpg_loader";

// The library's default error handler ends the process; ours prints the library's message
// and returns to the reader, so that a corrupt picture fails the load instead.
struct JpegErrorManager {
    jpeg_error_mgr standard;
    void (*library_emit_message)(j_common_ptr, int);
    std::jmp_buf resume;
};

void return_to_reader(j_common_ptr info)
{
    (*info->err->output_message)(info);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->resume, 1);
}

// The warnings by which the library reports a file cut short or damaged data. It goes on
// after them with made-up data (grey rows, a fake end of file), so they fail the read.
bool is_damage_warning(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_EXTRANEOUS_DATA:
        return true;
    default:
        return false;
    }
}

// Warnings come with a level of -1; every other message keeps the library's handling.
void refuse_damaged_data(j_common_ptr info, int level)
{
    if (level < 0 && is_damage_warning(info->err->msg_code)) return_to_reader(info);
    (*reinterpret_cast<JpegErrorManager*>(info->err)->library_emit_message)(info, level);
}

// Decodes the whole picture into one block of scanlines; the block is malloc'd and NULL when
// the decode failed. Kept free of C++ objects, since a library error jumps out of it.
unsigned char* decode_jpeg(FILE* stream, bool grey, unsigned int* out_width,
                           unsigned int* out_height, unsigned int* out_components)
{
    jpeg_decompress_struct info;
    JpegErrorManager error;
    unsigned char* volatile block = nullptr;

    info.err = jpeg_std_error(&error.standard);
    error.standard.error_exit = return_to_reader;
    error.library_emit_message = error.standard.emit_message;
    error.standard.emit_message = refuse_damaged_data;
    if (setjmp(error.resume) != 0) {
        jpeg_destroy_decompress(&info);
        std::free(block);
        return nullptr;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, stream);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    const unsigned int limit = Texture::max_image_side();
    if (info.image_width > limit || info.image_height > limit) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    jpeg_start_decompress(&info);

    const size_t stride = static_cast<size_t>(info.output_width) * static_cast<size_t>(info.output_components);
    block = static_cast<unsigned char*>(std::malloc(stride * info.output_height + 1));
    if (block == nullptr) {
        jpeg_destroy_decompress(&info);
        return nullptr;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = block + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    *out_width = info.output_width;
    *out_height = info.output_height;
    *out_components = static_cast<unsigned int>(info.output_components);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return block;
}

} // namespace

bool PixelBuffer::read_jpeg(const char* file)
{
    FILE* stream = DataFile::open_file(file, "rb", false);
    if (stream == nullptr) return false;
    unsigned int w = 0, h = 0, components = 0;
    unsigned char* block = decode_jpeg(stream, type == TYPE_GREY, &w, &h, &components);
    std::fclose(stream);
    if (block == nullptr) return false;
    if (!set_size(static_cast<int>(w), static_cast<int>(h))) {
        std::free(block);
        return false;
    }
    for (unsigned int r = 0; r < h; ++r) {
        const unsigned char* line = block + static_cast<size_t>(r) * w * components;
        for (unsigned int c = 0; c < w; ++c) {
            if (type == TYPE_GREY) {
                int g = line[c * components];
                set_pixel(static_cast<int>(r), static_cast<int>(c), g, g, g);
            } else {
                const unsigned char* p = line + static_cast<size_t>(c) * components;
                set_pixel(static_cast<int>(r), static_cast<int>(c), p[0], p[1], p[2]);
            }
        }
    }
    std::free(block);
    return true;
}

bool Texture::load_jpg(TextureInfo* texture, const char* file)
{
    PixelBuffer* buffer = new PixelBuffer(PixelBuffer::TYPE_RGB);
    if (!buffer->read_jpeg(file)) {
        delete buffer;
        return false;
    }
    bool handed_over = buffer->hand_over(texture, SOURCE);
    delete buffer;
    return handed_over;
}
