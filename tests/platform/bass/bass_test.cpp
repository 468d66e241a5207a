#include "platform/bass/bass.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>
#include <string>
#include <thread>
#include <vector>

#include "platform/bass/spectrum.h"
#include "support/audio_fixture.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

// Two seconds: 440 Hz at half scale on the left, 1000 Hz at a quarter on the right.
const TestSignal& stereo_signal()
{
    static TestSignal signal = make_sine_signal(88200, 44100, {440.0, 1000.0}, {0.5, 0.25});
    return signal;
}

class BassTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr)); }
    void TearDown() override { BASS_Free(); }

    HSTREAM stream_of(const std::string& bytes, DWORD flags)
    {
        return BASS_StreamCreateFile(TRUE, bytes.data(), 0, bytes.size(), flags);
    }
};

double rms_difference(const float* decoded, const std::vector<std::int16_t>& expected)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        double d = decoded[i] - expected[i] / 32768.0;
        sum += d * d;
    }
    return std::sqrt(sum / expected.size());
}

double now_seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

TEST_F(BassTest, DecodesMp3GaplessAndOggToTheExactLengthAndSignal)
{
    const TestSignal& signal = stereo_signal();
    for (const std::string& bytes : {encode_mp3(signal), encode_ogg(signal)}) {
        HSTREAM decode = stream_of(bytes, BASS_STREAM_DECODE | BASS_ASYNCFILE);
        ASSERT_NE(decode, 0u);
        QWORD length = BASS_ChannelGetLength(decode, BASS_POS_BYTE);
        EXPECT_EQ(length, signal.samples.size() * 2);
        BASS_CHANNELINFO info;
        ASSERT_TRUE(BASS_ChannelGetInfo(decode, &info));
        EXPECT_EQ(info.freq, 44100u);
        EXPECT_EQ(info.chans, 2u);
        EXPECT_EQ(info.flags & BASS_SAMPLE_8BITS, 0u);

        // Float data: whole frames from the decode position, which moves past them.
        std::vector<float> floats(signal.samples.size());
        DWORD asked = static_cast<DWORD>(floats.size() * sizeof(float));
        EXPECT_EQ(BASS_ChannelGetData(decode, floats.data(), asked | BASS_DATA_FLOAT), asked);
        // A gapless decoding lines up with the signal: a shift of even a few samples would
        // give an error near the signal's own level.
        EXPECT_LT(rms_difference(floats.data(), signal.samples), 0.01);
        EXPECT_EQ(BASS_ChannelGetPosition(decode, BASS_POS_BYTE), length);
        EXPECT_EQ(BASS_ChannelIsActive(decode), BASS_ACTIVE_STOPPED);
        EXPECT_EQ(BASS_ChannelGetData(decode, floats.data(), 8 | BASS_DATA_FLOAT), DWORD(-1));

        // 16-bit data holds the same samples.
        ASSERT_TRUE(BASS_ChannelSetPosition(decode, 0, BASS_POS_BYTE));
        std::vector<std::int16_t> pcm(signal.samples.size());
        EXPECT_EQ(BASS_ChannelGetData(decode, pcm.data(), static_cast<DWORD>(length)), length);
        for (std::size_t i = 0; i < pcm.size(); i += 997)
            EXPECT_NEAR(pcm[i] / 32768.0f, floats[i], 1e-6f);

        // A short read at the end gives what is left.
        ASSERT_TRUE(BASS_ChannelSetPosition(decode, length - 8, BASS_POS_BYTE));
        EXPECT_EQ(BASS_ChannelGetData(decode, pcm.data(), 64), 8u);
        EXPECT_TRUE(BASS_StreamFree(decode));
    }
}

TEST_F(BassTest, MonoFilesDecodeAsMonoAndOtherBytesAreRefused)
{
    TestSignal mono = make_sine_signal(22050, 44100, {440.0}, {0.5});
    for (const std::string& bytes : {encode_mp3(mono, 96), encode_ogg(mono)}) {
        HSTREAM stream = stream_of(bytes, BASS_STREAM_DECODE);
        ASSERT_NE(stream, 0u);
        BASS_CHANNELINFO info;
        ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
        EXPECT_EQ(info.chans, 1u);
        EXPECT_EQ(BASS_ChannelGetLength(stream, BASS_POS_BYTE), 22050u * 2);
    }
    std::string ogg = encode_ogg(stereo_signal());
    std::string noise(20000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919u) >> 3);
    for (const std::string& bytes : {std::string("RIFF\0\0\0\0WAVEfmt ", 16), noise,
                                     ogg.substr(0, 200), std::string(ogg.size(), '\0')})
        EXPECT_EQ(stream_of(bytes, BASS_STREAM_DECODE), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(TRUE, nullptr, 0, 10, 0), 0u);
}

// Damaged files either decode (to whole frames) or are refused; never a crash or a read past
// the bytes given.
TEST_F(BassTest, DamagedFilesDecodeOrFailCleanly)
{
    const TestSignal& signal = stereo_signal();
    for (const std::string& good : {encode_mp3(signal), encode_ogg(signal)}) {
        std::vector<std::string> damaged;
        for (std::size_t cut : {good.size() / 2, good.size() - 1, std::size_t(300)})
            damaged.push_back(good.substr(0, cut));
        for (std::size_t stride : {97u, 1009u, 4099u}) {
            std::string flipped = good;
            for (std::size_t i = stride; i < flipped.size(); i += stride)
                flipped[i] = static_cast<char>(flipped[i] ^ 0x5a);
            damaged.push_back(flipped);
        }
        for (const std::string& bytes : damaged) {
            // A copy of exactly this size, so that a read past the end is caught by ASan.
            std::vector<char> exact(bytes.begin(), bytes.end());
            HSTREAM stream = BASS_StreamCreateFile(TRUE, exact.data(), 0, exact.size(), BASS_STREAM_DECODE);
            if (stream == 0)
                continue;
            QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
            EXPECT_EQ(length % 4, 0u);
            EXPECT_LE(length, signal.samples.size() * 2 + 4 * 4608);
            BASS_StreamFree(stream);
        }
    }
}

TEST_F(BassTest, PositionsConvertInWholeFramesAndSeeksStayInsideTheStream)
{
    HSTREAM stream = stream_of(encode_ogg(stereo_signal()), BASS_STREAM_PRESCAN | BASS_SAMPLE_LOOP);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stream, 1.0), 176400u);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stream, 0.5 / 44100), 0u);
    EXPECT_EQ(BASS_ChannelSeconds2Bytes(stream, -3.0), 0u);
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(stream, 88200), 0.5);

    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, 1003, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), 1000u);
    QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    EXPECT_FALSE(BASS_ChannelSetPosition(stream, length + 4, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), 1000u);

    EXPECT_EQ(BASS_ChannelFlags(stream, 0, BASS_SAMPLE_LOOP) & BASS_SAMPLE_LOOP, 0u);
    EXPECT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 1.0f));
    EXPECT_FALSE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, -1.0f));
    EXPECT_EQ(BASS_ChannelGetPosition(stream + 1000, BASS_POS_BYTE), QWORD(-1));
    EXPECT_FALSE(BASS_ChannelPlay(stream + 1000, FALSE));
    EXPECT_EQ(BASS_GetVersion() >> 16, BASSVERSION);
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr)) << "already initialised";
}

// The layer's own clock with SDL's dummy driver: real time, silent. Every position is read
// between two readings of the monotonic clock, so however long the test process waits between
// them (a loaded machine), the clock's time since the first position lies between the
// shortest and the longest time that can have passed; a clock that runs fast or slow, or in
// steps, leaves those bounds at once.
TEST_F(BassTest, PlaybackRunsInRealTimeSmoothlyPausesAndStopsAtTheEnd)
{
    TestSignal short_signal = make_sine_signal(44100 * 3 / 2, 44100, {440.0, 440.0}, {0.3, 0.3});
    HSTREAM stream = stream_of(encode_ogg(short_signal), BASS_SAMPLE_LOOP);
    ASSERT_NE(stream, 0u);
    BASS_ChannelFlags(stream, 0, BASS_SAMPLE_LOOP);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING);

    const double bytes_per_second = 176400.0;
    const double frame_seconds = 4.0 / bytes_per_second; // positions are whole frames
    const double length = static_cast<double>(BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    const double start_before = now_seconds();
    const QWORD start = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    const double start_after = now_seconds();
    QWORD last = start;
    double after = start_after;
    while (after - start_after < 0.5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const double before = now_seconds();
        const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
        after = now_seconds();
        ASSERT_GE(position, last) << "the position never goes back";
        last = position;
        const double ran = (position - start) / bytes_per_second;
        // A process held up for a second may find the stream played out.
        const double least = std::min(before - start_after, (length - start) / bytes_per_second);
        ASSERT_GE(ran, least - frame_seconds) << "the clock lags real time";
        ASSERT_LE(ran, after - start_before + frame_seconds) << "the clock runs ahead of real time";
    }

    ASSERT_TRUE(BASS_ChannelPause(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_PAUSED);
    QWORD held = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), held);

    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    double waited = 0.0;
    while (BASS_ChannelIsActive(stream) == BASS_ACTIVE_PLAYING && waited < 10.0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        waited += 0.01;
    }
    EXPECT_EQ(BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE),
              BASS_ChannelGetLength(stream, BASS_POS_BYTE));
}

TEST(Spectrum2048, SinePeaksOnItsBinAtItsAmplitude)
{
    struct Case {
        double frequency;
        double amplitude;
        int bin;
        double low;
        double high;
    };
    const double bin_width = 44100.0 / 2048;
    const Case cases[] = {
        {100 * bin_width, 1.0, 100, 0.98, 1.02},  // full scale on a bin reads 1
        {93 * bin_width, 0.5, 93, 0.49, 0.51},
        {1000.0, 0.5, 46, 0.42, 0.5},             // between two bins: the window's scalloping
    };
    Spectrum2048 spectrum;
    for (const Case& c : cases) {
        TestSignal signal = make_sine_signal(4096, 44100, {c.frequency, c.frequency},
                                             {c.amplitude, c.amplitude});
        PcmAudio audio;
        audio.rate = 44100;
        audio.channels = 2;
        audio.samples = signal.samples;
        std::vector<float> bins(Spectrum2048::BINS);
        EXPECT_EQ(spectrum.compute(audio, 100, bins.data()), 2048u);
        int peak = static_cast<int>(std::max_element(bins.begin(), bins.end()) - bins.begin());
        EXPECT_EQ(peak, c.bin) << c.frequency;
        EXPECT_GE(bins[peak], c.low) << c.frequency;
        EXPECT_LE(bins[peak], c.high) << c.frequency;
        // Near the end the window runs into silence.
        EXPECT_EQ(spectrum.compute(audio, 4000, bins.data()), 96u);
    }
}

// The spectrum is that of the mean of both channels: a sine on one channel alone counts half.
TEST(Spectrum2048, EachChannelCountsHalfTowardsTheMix)
{
    const double bin_width = 44100.0 / 2048;
    PcmAudio audio;
    audio.rate = 44100;
    audio.channels = 2;
    audio.samples = make_sine_signal(2048, 44100, {100 * bin_width, 60 * bin_width}, {1.0, 1.0}).samples;
    Spectrum2048 spectrum;
    std::vector<float> bins(Spectrum2048::BINS);
    ASSERT_EQ(spectrum.compute(audio, 0, bins.data()), 2048u);
    EXPECT_NEAR(bins[100], 0.5f, 0.01f) << "the left channel's sine";
    EXPECT_NEAR(bins[60], 0.5f, 0.01f) << "the right channel's sine";
}

TEST_F(BassTest, Fft2048ReadsTheDecodeStreamAtItsPosition)
{
    const double bin_width = 44100.0 / 2048;
    TestSignal signal = make_sine_signal(44100, 44100, {60 * bin_width, 60 * bin_width}, {0.5, 0.5});
    HSTREAM decode = stream_of(encode_ogg(signal), BASS_STREAM_DECODE);
    ASSERT_NE(decode, 0u);
    ASSERT_TRUE(BASS_ChannelSetPosition(decode, 40000, BASS_POS_BYTE));
    std::vector<float> bins(1024);
    EXPECT_EQ(BASS_ChannelGetData(decode, bins.data(), BASS_DATA_FFT2048), 2048u * 4);
    int peak = static_cast<int>(std::max_element(bins.begin(), bins.end()) - bins.begin());
    EXPECT_EQ(peak, 60);
    EXPECT_NEAR(bins[peak], 0.5, 0.03);
    ASSERT_TRUE(BASS_ChannelSetPosition(decode, 176400, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetData(decode, bins.data(), BASS_DATA_FFT2048), DWORD(-1));
}

// SDL's disk driver stands in for a sound card: what the device thread hands over lands in a
// file, so the device path can be checked sample by sample.
TEST(BassDevice, HandsTheDecodedSoundToTheDeviceInOrder)
{
    TestSignal signal = make_sine_signal(22050, 44100, {440.0, 660.0}, {0.5, 0.25});
    std::string ogg = encode_ogg(signal);
    std::string raw_path = testing::TempDir() + "/bass_device_" + std::to_string(getpid()) + ".raw";
    ChildResult result = run_in_child([&] {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", raw_path.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
        if (!BASS_Init(-1, 44100, 0, nullptr, nullptr))
            _exit(2);
        HSTREAM stream = BASS_StreamCreateFile(TRUE, ogg.data(), 0, ogg.size(), 0);
        if (!stream || !BASS_ChannelPlay(stream, FALSE))
            _exit(3);
        QWORD last = 0;
        for (int i = 0; i < 20000 && BASS_ChannelIsActive(stream) == BASS_ACTIVE_PLAYING; ++i) {
            QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
            if (position < last)
                _exit(4);
            last = position;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED)
            _exit(5);
        BASS_Free();
    });
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out.find("plays silently"), std::string::npos);

    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    HSTREAM decode = BASS_StreamCreateFile(TRUE, ogg.data(), 0, ogg.size(), BASS_STREAM_DECODE);
    std::vector<std::int16_t> decoded(signal.samples.size());
    BASS_ChannelGetData(decode, decoded.data(), static_cast<DWORD>(decoded.size() * 2));
    BASS_Free();

    std::string raw = read_file_bytes(raw_path);
    std::remove(raw_path.c_str());
    std::vector<std::int16_t> heard(raw.size() / 2);
    std::memcpy(heard.data(), raw.data(), heard.size() * 2);
    // Silence may come before the start and after the end; in between, every sample in order.
    ASSERT_GT(heard.size(), decoded.size());
    EXPECT_NE(std::search(heard.begin(), heard.end(), decoded.begin(), decoded.end()), heard.end());
}
