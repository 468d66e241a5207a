// Throughput of the Huffman coder against zlib's deflate and inflate at the default level, on
// the same payload: a few MB of mixed bytes like a packed data file holds (compressed pictures
// and music, raw pixels, 16-bit audio, source text), or the bytes of a file given as argument.
//
//   huffman_bench [FILE]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>

#include "util/data/huffman.h"

namespace {

using Bytes = std::vector<unsigned char>;

void append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

// Already-compressed content (PNG pictures, MP3 music) looks like noise to a byte coder.
Bytes compressed_like(std::size_t size, std::mt19937& random)
{
    Bytes noise(size);
    for (unsigned char& b : noise) b = static_cast<unsigned char>(random());
    return noise;
}

Bytes raw_pixels(int width, int height, std::mt19937& random)
{
    Bytes pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int grain = static_cast<int>(random() % 9) - 4;
            pixels.push_back(static_cast<unsigned char>((x * 255 / width + grain) & 0xff));
            pixels.push_back(static_cast<unsigned char>((y * 255 / height + grain) & 0xff));
            pixels.push_back(static_cast<unsigned char>(((x ^ y) & 0x3f) + 96));
        }
    }
    return pixels;
}

Bytes pcm_audio(std::size_t frames, std::mt19937& random)
{
    Bytes pcm;
    std::normal_distribution<double> hiss(0.0, 300.0);
    for (std::size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / 44100.0;
        double value = 9000.0 * std::sin(2 * M_PI * 110.0 * t) +
                       4000.0 * std::sin(2 * M_PI * 440.0 * t) * std::exp(-std::fmod(t, 0.41) * 6.0) +
                       hiss(random);
        int sample = static_cast<int>(value);
        for (int channel = 0; channel < 2; ++channel) {
            pcm.push_back(static_cast<unsigned char>(sample & 0xff));
            pcm.push_back(static_cast<unsigned char>((sample >> 8) & 0xff));
        }
    }
    return pcm;
}

// The project's own sources stand in for shaders, XML and track text.
Bytes source_text(std::size_t size)
{
    Bytes text;
    std::filesystem::path root(PELLORVANE_SOURCE_DIR);
    for (const char* folder : {"src", "data", "tests"}) {
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(root / folder, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            if (!it->is_regular_file()) continue;
            std::string extension = it->path().extension().string();
            if (extension != ".cpp" && extension != ".h" && extension != ".xml" &&
                extension != ".frag" && extension != ".vert" && extension != ".txt") {
                continue;
            }
            std::ifstream in(it->path(), std::ios::binary);
            append(text, Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
            if (text.size() >= size) {
                text.resize(size);
                return text;
            }
        }
    }
    while (!text.empty() && text.size() < size) append(text, Bytes(text.begin(), text.end()));
    text.resize(size);
    return text;
}

Bytes mixed_payload()
{
    std::mt19937 random(2026);
    Bytes payload;
    append(payload, compressed_like(1536 * 1024, random));
    append(payload, raw_pixels(512, 512, random));
    append(payload, pcm_audio(256 * 1024, random));
    append(payload, source_text(768 * 1024));
    return payload;
}

// Runs the work until at least a second has passed; the best time of one run in seconds.
double best_seconds(const std::function<void()>& work)
{
    using Clock = std::chrono::steady_clock;
    double best = 1e30;
    Clock::time_point start = Clock::now();
    int runs = 0;
    while (runs < 3 || std::chrono::duration<double>(Clock::now() - start).count() < 1.0) {
        Clock::time_point t0 = Clock::now();
        work();
        double took = std::chrono::duration<double>(Clock::now() - t0).count();
        if (took < best) best = took;
        ++runs;
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    Bytes payload;
    if (argc > 1) {
        std::ifstream in(argv[1], std::ios::binary);
        payload.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        payload = mixed_payload();
    }
    if (payload.empty()) {
        std::fprintf(stderr, "empty payload\n");
        return 1;
    }
    const double megabytes = static_cast<double>(payload.size()) / 1048576.0;
    const std::uint32_t size = static_cast<std::uint32_t>(payload.size());

    Bytes stream(HuffmanCoder::max_encoded_size(payload.size()));
    std::uint32_t stream_size = 0;
    double encode = best_seconds([&] {
        HuffmanCoder coder;
        coder.encode(stream.data(), &stream_size, payload.data(), size);
    });
    Bytes decoded(payload.size());
    std::uint32_t decoded_size = 0;
    double decode = best_seconds([&] {
        HuffmanCoder coder;
        coder.decode(decoded.data(), &decoded_size, stream.data(), stream_size);
    });
    bool fast_ok = decoded == payload;
    double decode_bitwise = best_seconds([&] {
        HuffmanCoder coder;
        coder.decode_bitwise(decoded.data(), &decoded_size, stream.data(), stream_size);
    });
    bool walk_ok = decoded == payload;

    uLongf deflated_size = compressBound(payload.size());
    Bytes deflated(deflated_size);
    double deflate = best_seconds([&] {
        deflated_size = compressBound(payload.size());
        compress2(deflated.data(), &deflated_size, payload.data(), payload.size(),
                  Z_DEFAULT_COMPRESSION);
    });
    uLongf inflated_size = payload.size();
    double inflate = best_seconds([&] {
        inflated_size = payload.size();
        uncompress(decoded.data(), &inflated_size, deflated.data(), deflated_size);
    });
    bool zlib_ok = decoded == payload;

    std::printf("payload: %.2f MB%s\n", megabytes, argc > 1 ? "" : " (mixed: compressed, pixels, audio, text)");
    std::printf("%-22s %10s %10s %8s\n", "", "MB/s", "bytes", "ratio");
    std::printf("%-22s %10.1f %10u %8.4f\n", "huffman encode", megabytes / encode, stream_size,
                static_cast<double>(stream_size) / payload.size());
    std::printf("%-22s %10.1f %10s %8s %s\n", "huffman decode", megabytes / decode, "", "",
                fast_ok ? "ok" : "MISMATCH");
    std::printf("%-22s %10.1f %10s %8s %s\n", "huffman decode (walk)", megabytes / decode_bitwise, "",
                "", walk_ok ? "ok" : "MISMATCH");
    std::printf("%-22s %10.1f %10lu %8.4f\n", "zlib deflate (level 6)", megabytes / deflate,
                static_cast<unsigned long>(deflated_size), static_cast<double>(deflated_size) / payload.size());
    std::printf("%-22s %10.1f %10s %8s %s\n", "zlib inflate", megabytes / inflate, "", "",
                zlib_ok ? "ok" : "MISMATCH");
    return fast_ok && walk_ok && zlib_ok ? 0 : 1;
}
