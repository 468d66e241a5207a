#include "support/audio_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <lame/lame.h>
#include <vorbis/vorbisenc.h>

namespace {
[[noreturn]] void encoder_failed(const char* what)
{
    std::fprintf(stderr, "audio fixture: %s\n", what);
    std::abort();
}
} // namespace

TestSignal make_sine_signal(std::size_t frames, int rate, const std::vector<double>& frequencies,
                            const std::vector<double>& amplitudes)
{
    TestSignal signal;
    signal.channels = static_cast<int>(frequencies.size());
    signal.rate = rate;
    signal.samples.resize(frames * signal.channels);
    const double pi = std::acos(-1.0);
    for (std::size_t n = 0; n < frames; ++n) {
        for (int c = 0; c < signal.channels; ++c) {
            double value = amplitudes[c] * std::sin(2.0 * pi * frequencies[c] * n / rate);
            long sample = std::lround(value * 32767.0);
            signal.samples[n * signal.channels + c] = static_cast<std::int16_t>(sample);
        }
    }
    return signal;
}

std::string encode_mp3(const TestSignal& signal, int kbps)
{
    lame_global_flags* lame = lame_init();
    lame_set_num_channels(lame, signal.channels);
    lame_set_in_samplerate(lame, signal.rate);
    lame_set_out_samplerate(lame, signal.rate);
    lame_set_mode(lame, signal.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, 1); // the info frame carries encoder delay and padding
    if (lame_init_params(lame) < 0)
        encoder_failed("lame_init_params failed");

    std::string out;
    std::vector<unsigned char> chunk(1 << 16);
    const std::size_t step = 4096;
    std::vector<short> left(step);
    std::vector<short> right(step);
    for (std::size_t first = 0; first < signal.frames(); first += step) {
        std::size_t count = std::min(step, signal.frames() - first);
        for (std::size_t i = 0; i < count; ++i) {
            left[i] = signal.samples[(first + i) * signal.channels];
            right[i] = signal.samples[(first + i) * signal.channels + (signal.channels - 1)];
        }
        int written = lame_encode_buffer(lame, left.data(), right.data(), static_cast<int>(count),
                                         chunk.data(), static_cast<int>(chunk.size()));
        if (written < 0)
            encoder_failed("lame_encode_buffer failed");
        out.append(reinterpret_cast<char*>(chunk.data()), written);
    }
    int written = lame_encode_flush(lame, chunk.data(), static_cast<int>(chunk.size()));
    out.append(reinterpret_cast<char*>(chunk.data()), written);
    // The info frame goes over the placeholder frame at the start of the file.
    std::size_t tag_size = lame_get_lametag_frame(lame, chunk.data(), chunk.size());
    if (tag_size > 0 && tag_size <= out.size())
        out.replace(0, tag_size, reinterpret_cast<char*>(chunk.data()), tag_size);
    lame_close(lame);
    return out;
}

std::string encode_ogg(const TestSignal& signal, float quality)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, signal.channels, signal.rate, quality) != 0)
        encoder_failed("vorbis_encode_init_vbr failed");
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1234);

    std::string out;
    ogg_page page;
    auto append_page = [&out](const ogg_page& p) {
        out.append(reinterpret_cast<const char*>(p.header), p.header_len);
        out.append(reinterpret_cast<const char*>(p.body), p.body_len);
    };
    ogg_packet header, header_comment, header_code;
    vorbis_analysis_headerout(&dsp, &comment, &header, &header_comment, &header_code);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &header_comment);
    ogg_stream_packetin(&stream, &header_code);
    while (ogg_stream_flush(&stream, &page) != 0)
        append_page(page);

    const std::size_t step = 4096;
    std::size_t first = 0;
    bool finished = false;
    while (!finished) {
        std::size_t count = std::min(step, signal.frames() - first);
        if (count == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (std::size_t i = 0; i < count; ++i)
                for (int c = 0; c < signal.channels; ++c)
                    buffer[c][i] = signal.samples[(first + i) * signal.channels + c] / 32768.0f;
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            first += count;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    append_page(page);
                    if (ogg_page_eos(&page))
                        finished = true;
                }
            }
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}
