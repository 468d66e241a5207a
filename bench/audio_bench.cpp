// Decode speed of a three-minute 44.1 kHz stereo MP3 and OGG, and the cost of the calls made
// every frame: BASS_ChannelGetPosition and a 2048-point spectrum.
//
//   build/bench/audio_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bass/bass.h"
#include "platform/bass/pcm_audio.h"
#include "support/audio_fixture.h"

namespace {

const double TRACK_SECONDS = 180.0;

// Three minutes of a chord with a slow tremolo and a little noise, so the encoders have work.
const TestSignal& track()
{
    static TestSignal signal = [] {
        std::size_t frames = static_cast<std::size_t>(TRACK_SECONDS * 44100);
        TestSignal s = make_sine_signal(frames, 44100, {220.0, 330.0}, {0.3, 0.3});
        TestSignal upper = make_sine_signal(frames, 44100, {554.37, 659.25}, {0.2, 0.2});
        std::uint32_t noise = 1;
        const double pi = std::acos(-1.0);
        for (std::size_t i = 0; i < s.samples.size(); ++i) {
            noise = noise * 1664525u + 1013904223u;
            double tremolo = 0.75 + 0.25 * std::sin(2.0 * pi * 0.5 * (i / 2) / 44100.0);
            double value = (s.samples[i] + upper.samples[i]) * tremolo +
                           static_cast<std::int32_t>(noise >> 20) - 2048;
            s.samples[i] = static_cast<std::int16_t>(value);
        }
        return s;
    }();
    return signal;
}

const std::string& mp3_track()
{
    static std::string bytes = encode_mp3(track(), 192);
    return bytes;
}

const std::string& ogg_track()
{
    static std::string bytes = encode_ogg(track(), 0.6f);
    return bytes;
}

void decode(benchmark::State& state, const std::string& bytes)
{
    for (auto _ : state) {
        std::shared_ptr<const PcmAudio> audio = decode_audio(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(audio);
        if (!audio)
            state.SkipWithError("decoding failed");
    }
    state.counters["times_real_time"] = benchmark::Counter(
        TRACK_SECONDS * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_DecodeMp3ThreeMinutes(benchmark::State& state) { decode(state, mp3_track()); }
void BM_DecodeOggThreeMinutes(benchmark::State& state) { decode(state, ogg_track()); }

void BM_ChannelGetPosition(benchmark::State& state)
{
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    const std::string& bytes = ogg_track();
    HSTREAM stream = BASS_StreamCreateFile(TRUE, bytes.data(), 0, bytes.size(), 0);
    BASS_ChannelPlay(stream, FALSE);
    for (auto _ : state)
        benchmark::DoNotOptimize(BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
    BASS_Free();
}

// As the music reads it: the decode stream set to a position, then the spectrum.
void BM_Fft2048(benchmark::State& state)
{
    BASS_Init(0, 44100, 0, nullptr, nullptr);
    const std::string& bytes = ogg_track();
    HSTREAM decode = BASS_StreamCreateFile(TRUE, bytes.data(), 0, bytes.size(), BASS_STREAM_DECODE);
    std::vector<float> bins(1024);
    QWORD position = 0;
    for (auto _ : state) {
        BASS_ChannelSetPosition(decode, position, BASS_POS_BYTE);
        benchmark::DoNotOptimize(BASS_ChannelGetData(decode, bins.data(), BASS_DATA_FFT2048));
        position = (position + 7056) % (176400 * 170);
    }
    BASS_Free();
}

} // namespace

BENCHMARK(BM_DecodeMp3ThreeMinutes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOggThreeMinutes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChannelGetPosition);
BENCHMARK(BM_Fft2048)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
