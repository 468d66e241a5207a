// Picture decoding speed: the PNG decoder in megapixels per second against libpng decoding the
// same files to RGBA, and the inflater in MB per second against zlib's inflate on the same
// streams. Each figure is the best of several runs. Usage: texture_bench [seconds per figure]
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "util/texture/image_fixtures.h"
#include "util/texture/pnginflater.h"
#include "util/texture/rawpngdecoder.h"

using fixtures::Bytes;

namespace {

double g_seconds = 1.0;

// Best time of one call, repeated for about g_seconds.
double best_time(const std::function<void()>& work)
{
    double best = 1e9;
    auto start = std::chrono::steady_clock::now();
    int runs = 0;
    while (runs < 3 || std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < g_seconds) {
        auto t0 = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        ++runs;
    }
    return best;
}

// A picture written by libpng with its own filter choices, as image tools write them.
Bytes libpng_encode(int width, int height, int format, const Bytes& pixels)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = static_cast<png_uint_32>(format);
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    Bytes out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr);
    out.resize(size);
    return out;
}

struct Sample {
    std::string name;
    Bytes file;
};

std::vector<Sample> pictures()
{
    std::vector<Sample> samples;
    std::mt19937 gen(5);
    // A photograph-like 1920 x 1080 RGB picture: smooth light with grain.
    {
        const int w = 1920, h = 1080;
        Bytes px;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double light = 0.5 + 0.5 * std::sin(x * 0.004 + std::cos(y * 0.006) * 2.0);
                int grain = static_cast<int>(gen() % 17) - 8;
                px.push_back(static_cast<unsigned char>(std::clamp(static_cast<int>(200 * light) + grain, 0, 255)));
                px.push_back(static_cast<unsigned char>(std::clamp(static_cast<int>(120 + 90 * light * (y / double(h))) + grain, 0, 255)));
                px.push_back(static_cast<unsigned char>(std::clamp(static_cast<int>(60 + 150 * (1 - light)) + grain, 0, 255)));
            }
        }
        samples.push_back({"photo 1920x1080 RGB", libpng_encode(w, h, PNG_FORMAT_RGB, px)});
    }
    // A 1024 x 1024 RGBA sprite sheet: flat shapes with soft alpha edges.
    {
        const int w = 1024, h = 1024;
        Bytes px;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                int cx = x % 128 - 64, cy = y % 128 - 64;
                double d = std::sqrt(double(cx * cx + cy * cy));
                int a = std::clamp(static_cast<int>((50 - d) * 32), 0, 255);
                px.insert(px.end(), {static_cast<unsigned char>(x / 4), static_cast<unsigned char>(y / 4),
                                     static_cast<unsigned char>((x ^ y) & 0xC0), static_cast<unsigned char>(a)});
            }
        }
        samples.push_back({"sprites 1024x1024 RGBA", libpng_encode(w, h, PNG_FORMAT_RGBA, px)});
    }
    // The build's own pictures, when the generators have drawn them.
    for (const char* name : {"data/common/images/tarnholm_logo_16_9.png", "data/common/images/asciichart.png"}) {
        std::ifstream in(std::string(PELLORVANE_BINARY_DIR) + "/" + name, std::ios::binary);
        if (!in) continue;
        Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        samples.push_back({name, file});
    }
    return samples;
}

class Sink : public JhGenericPngDecoder {
public:
    size_t bytes = 0;
    int output_block(const unsigned char*, size_t count) override
    {
        bytes += count;
        return 1;
    }
};

// The concatenated IDAT contents of a PNG file.
Bytes image_stream(const Bytes& file)
{
    Bytes stream;
    for (size_t at = 8; at + 12 <= file.size();) {
        size_t length = png_get_uint_32(file.data() + at);
        if (std::equal(file.begin() + at + 4, file.begin() + at + 8, "IDAT")) {
            stream.insert(stream.end(), file.begin() + at + 8, file.begin() + at + 8 + length);
        }
        at += 12 + length;
    }
    return stream;
}

size_t zlib_inflate(const Bytes& stream)
{
    static unsigned char out[1 << 16];
    z_stream z = {};
    inflateInit(&z);
    z.next_in = const_cast<unsigned char*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    size_t total = 0;
    int result;
    do {
        z.next_out = out;
        z.avail_out = sizeof out;
        result = inflate(&z, Z_NO_FLUSH);
        total += sizeof out - z.avail_out;
    } while (result == Z_OK);
    inflateEnd(&z);
    return total;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) g_seconds = std::atof(argv[1]);
    std::printf("PNG decoding (megapixels per second, best of repeated runs)\n");
    std::printf("%-44s %10s %10s %8s\n", "picture", "ours", "libpng", "speed x");
    std::vector<Bytes> streams;
    std::vector<std::string> stream_names;
    for (const Sample& s : pictures()) {
        double pixels = 0;
        double ours = best_time([&] {
            FILE* f = fmemopen(const_cast<unsigned char*>(s.file.data()), s.file.size(), "rb");
            JhRawPngDecoder decoder;
            decoder.decode_stream(f);
            decoder.flip();
            std::fclose(f);
            pixels = double(decoder.width) * decoder.height;
        });
        Bytes out;
        double theirs = best_time([&] {
            png_image image = {};
            image.version = PNG_IMAGE_VERSION;
            png_image_begin_read_from_memory(&image, s.file.data(), s.file.size());
            image.format = PNG_FORMAT_RGBA;
            out.resize(PNG_IMAGE_SIZE(image));
            png_image_finish_read(&image, nullptr, out.data(), 0, nullptr);
        });
        std::printf("%-44s %10.1f %10.1f %8.2f\n", s.name.c_str(), pixels / ours / 1e6, pixels / theirs / 1e6,
                    theirs / ours);
        streams.push_back(image_stream(s.file));
        stream_names.push_back(s.name + " IDAT");
    }

    // Structured and random data at the usual levels.
    Bytes text;
    std::mt19937 gen(3);
    const char* words[] = {"pellorvane ", "texture ", "beat ", "row ", "scene ", "0.125 ", "\n", "glow "};
    while (text.size() < (8u << 20)) {
        const char* w = words[gen() % 8];
        text.insert(text.end(), w, w + std::char_traits<char>::length(w));
    }
    streams.push_back(fixtures::zlib_stream(text, 6));
    stream_names.push_back("8 MB text, level 6");
    streams.push_back(fixtures::zlib_stream(text, 1));
    stream_names.push_back("8 MB text, level 1");
    Bytes noise(4u << 20);
    for (unsigned char& b : noise) b = static_cast<unsigned char>(gen());
    streams.push_back(fixtures::zlib_stream(noise, 6));
    stream_names.push_back("4 MB random, level 6 (stored)");

    std::printf("\nInflating (MB of output per second, best of repeated runs)\n");
    std::printf("%-44s %10s %10s %8s\n", "stream", "ours", "zlib", "time x");
    for (size_t i = 0; i < streams.size(); ++i) {
        size_t bytes = zlib_inflate(streams[i]);
        double ours = best_time([&] {
            Sink sink;
            PngInflater inflater(&sink);
            inflater.inflate(streams[i].size(), streams[i].data());
        });
        double theirs = best_time([&] { zlib_inflate(streams[i]); });
        std::printf("%-44s %10.1f %10.1f %8.2f\n", stream_names[i].c_str(), bytes / ours / 1e6, bytes / theirs / 1e6,
                    ours / theirs);
    }
    return 0;
}
