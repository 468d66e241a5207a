#include "platform/bass/audio_stream.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// A stereo sound whose left sample n is n and right sample is -n, so every frame names itself.
std::shared_ptr<PcmAudio> counting_sound(std::uint32_t frames, std::uint32_t rate = 44100)
{
    auto audio = std::make_shared<PcmAudio>();
    audio->rate = rate;
    audio->channels = 2;
    for (std::uint32_t n = 0; n < frames; ++n) {
        audio->samples.push_back(static_cast<std::int16_t>(n));
        audio->samples.push_back(static_cast<std::int16_t>(-static_cast<int>(n)));
    }
    return audio;
}

std::vector<std::int32_t> mix(AudioStream& stream, int frames, double now)
{
    std::vector<std::int32_t> out(frames * 2, 0);
    stream.mix(out.data(), frames, 44100, now);
    return out;
}

} // namespace

TEST(AudioStream, DeviceClockFollowsDeliveriesSmoothlyAndNeverRunsAhead)
{
    AudioStream stream(counting_sound(3000), 0, true);
    EXPECT_EQ(stream.activity(0.0), BASS_ACTIVE_STOPPED);
    ASSERT_TRUE(stream.play(false, 10.0));
    EXPECT_EQ(stream.activity(10.0), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(stream.position(10.5), 0u) << "nothing handed to the device yet";

    std::vector<std::int32_t> first = mix(stream, 1024, 11.0);
    EXPECT_EQ(first[0], 0);
    EXPECT_EQ(first[2 * 1023], 1023);
    EXPECT_EQ(first[2 * 1023 + 1], -1023);
    EXPECT_EQ(stream.position(11.0), 0u);
    EXPECT_EQ(stream.position(11.0 + 441.0 / 44100 + 1e-9), 441u);
    EXPECT_EQ(stream.position(12.0), 1024u) << "a late device freezes the clock at what it has";

    std::vector<std::int32_t> second = mix(stream, 1024, 12.0);
    EXPECT_EQ(second[0], 1024) << "the next delivery goes on where the last one ended";
    EXPECT_EQ(stream.position(12.0), 1024u);

    // The third delivery holds the last 952 frames and then silence; the stream stops once
    // they have played.
    std::vector<std::int32_t> third = mix(stream, 1024, 13.0);
    EXPECT_EQ(third[2 * 951], 2999);
    EXPECT_EQ(third[2 * 952], 0);
    EXPECT_EQ(stream.activity(13.0 + 900.0 / 44100), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(stream.activity(13.1), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(stream.position(13.1), 3000u);
    EXPECT_EQ(mix(stream, 4, 13.2), std::vector<std::int32_t>(8, 0));
}

TEST(AudioStream, SilentClockRunsInRealTimeAndStopsAtTheEnd)
{
    AudioStream stream(counting_sound(44100), 0, false);
    ASSERT_TRUE(stream.play(false, 100.0));
    EXPECT_EQ(stream.position(100.25), 11025u);
    EXPECT_EQ(stream.activity(100.999), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(stream.activity(101.0), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(stream.position(105.0), 44100u);
    // Playing a stream that has played out starts it again.
    ASSERT_TRUE(stream.play(false, 200.0));
    EXPECT_EQ(stream.position(200.5), 22050u);
}

TEST(AudioStream, PauseHoldsThePositionInBothClocks)
{
    for (bool device : {false, true}) {
        AudioStream stream(counting_sound(44100), 0, device);
        stream.play(false, 0.0);
        mix(stream, 4410, 0.0);
        ASSERT_TRUE(stream.pause(0.05));
        EXPECT_EQ(stream.activity(0.06), BASS_ACTIVE_PAUSED);
        EXPECT_EQ(stream.position(0.06), 2205u);
        EXPECT_EQ(stream.position(9.0), 2205u);
        EXPECT_EQ(mix(stream, 2, 9.0), std::vector<std::int32_t>(4, 0));
        EXPECT_FALSE(stream.pause(9.0));
        ASSERT_TRUE(stream.play(false, 10.0));
        std::vector<std::int32_t> resumed = mix(stream, 10, 10.0);
        if (device) {
            EXPECT_EQ(resumed[0], 2205) << "the sound resumes where it was paused";
        }
        EXPECT_EQ(stream.position(10.0 + 100.0 / 44100 + 1e-9), device ? 2215u : 2305u);
    }
}

TEST(AudioStream, SeekRoundsToFramesWorksWhileStoppedAndRefusesPastTheEnd)
{
    AudioStream stream(counting_sound(1000), 0, true);
    ASSERT_TRUE(stream.set_position(500, 0.0));
    EXPECT_EQ(stream.position(1.0), 500u);
    EXPECT_FALSE(stream.set_position(1001, 1.0));
    EXPECT_EQ(stream.position(1.0), 500u);
    ASSERT_TRUE(stream.set_position(1000, 1.0)) << "the end itself is a valid position";
    ASSERT_TRUE(stream.set_position(700, 1.0));
    stream.play(false, 2.0);
    EXPECT_EQ(mix(stream, 1, 2.0)[0], 700);
    // A seek while playing hands the new place at the next delivery.
    ASSERT_TRUE(stream.set_position(10, 2.01));
    EXPECT_EQ(mix(stream, 1, 2.02)[0], 10);
}

TEST(AudioStream, LoopWrapsUntilTheLoopFlagIsCleared)
{
    AudioStream stream(counting_sound(100), BASS_SAMPLE_LOOP, true);
    stream.play(false, 0.0);
    std::vector<std::int32_t> out = mix(stream, 150, 0.0);
    EXPECT_EQ(out[2 * 99], 99);
    EXPECT_EQ(out[2 * 100], 0);
    EXPECT_EQ(out[2 * 149], 49);
    EXPECT_EQ(stream.position(1.0), 50u);
    EXPECT_EQ(stream.change_flags(0, BASS_SAMPLE_LOOP, 1.0), 0u);
    mix(stream, 150, 1.0);
    EXPECT_EQ(stream.activity(2.0), BASS_ACTIVE_STOPPED);

    AudioStream silent(counting_sound(100), BASS_SAMPLE_LOOP, false);
    silent.play(false, 0.0);
    EXPECT_EQ(silent.position(150.0 / 44100 + 1e-9), 50u);
    EXPECT_EQ(silent.activity(1.0), BASS_ACTIVE_PLAYING);
}

TEST(AudioStream, VolumeMonoAndOtherRatesAreConvertedForTheDevice)
{
    AudioStream loud(counting_sound(100), 0, true);
    loud.set_volume(0.5f);
    loud.play(false, 0.0);
    EXPECT_EQ(mix(loud, 51, 0.0)[2 * 50], 25);

    auto mono = std::make_shared<PcmAudio>();
    mono->rate = 22050;
    mono->channels = 1;
    mono->samples = {0, 100, 200, 300, 400};
    AudioStream half_rate(mono, 0, true);
    half_rate.play(false, 0.0);
    std::vector<std::int32_t> out = mix(half_rate, 6, 0.0);
    EXPECT_EQ(out, (std::vector<std::int32_t>{0, 0, 50, 50, 100, 100, 150, 150, 200, 200, 250, 250}));
    EXPECT_EQ(half_rate.position(1.0), 3u);
}
