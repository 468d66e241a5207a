#include "image_writer.h"

#include <cstdio>
#include <csetjmp>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "file_io.h"

namespace pictures {

namespace {

class OutputFile {
public:
    explicit OutputFile(const std::string& path) : file(std::fopen(path.c_str(), "wb")) {}
    ~OutputFile()
    {
        if (file)
            std::fclose(file);
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    FILE* get() const { return file; }
    bool close()
    {
        bool ok = std::fclose(file) == 0;
        file = nullptr;
        return ok;
    }

private:
    FILE* file;
};

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jpeg_fail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

} // namespace

bool write_png(const Canvas& canvas, const std::string& path, std::string& error)
{
    if (!gen::make_parent_dirs(path, error))
        return false;
    OutputFile out(path);
    if (!out.get()) {
        error = "cannot create " + path;
        return false;
    }
    std::vector<uint8_t> pixels = canvas.rgba8();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        error = "libpng did not start";
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(canvas.height()));
    for (int y = 0; y < canvas.height(); ++y)
        rows[static_cast<size_t>(y)] = pixels.data() + static_cast<size_t>(y) * canvas.width() * 4;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "cannot write " + path;
        return false;
    }
    png_init_io(png, out.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width()),
                 static_cast<png_uint_32>(canvas.height()), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (!out.close()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool write_jpeg(const Canvas& canvas, const std::string& path, int quality, std::string& error)
{
    if (!gen::make_parent_dirs(path, error))
        return false;
    OutputFile out(path);
    if (!out.get()) {
        error = "cannot create " + path;
        return false;
    }
    std::vector<uint8_t> pixels = canvas.rgb8();
    jpeg_compress_struct info;
    JpegError failure;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = jpeg_fail;
    if (setjmp(failure.jump)) {
        jpeg_destroy_compress(&info);
        error = "cannot write " + path;
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out.get());
    info.image_width = static_cast<JDIMENSION>(canvas.width());
    info.image_height = static_cast<JDIMENSION>(canvas.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = pixels.data() + static_cast<size_t>(info.next_scanline) * canvas.width() * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (!out.close()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace pictures
