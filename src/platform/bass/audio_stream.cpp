#include "platform/bass/audio_stream.h"

#include <cmath>
#include <utility>

AudioStream::AudioStream(std::shared_ptr<const PcmAudio> decoded, DWORD flags, bool clocked)
    : audio(std::move(decoded)), stream_flags(flags), device_clocked(clocked)
{
}

std::uint64_t AudioStream::current_frame(double now) const
{
    std::uint64_t length = length_frames();
    if (state != BASS_ACTIVE_PLAYING)
        return segment_start;
    double elapsed = (now - segment_time) * audio->rate;
    std::uint64_t run = elapsed > 0.0 ? static_cast<std::uint64_t>(elapsed) : 0;
    if (device_clocked && run > segment_frames)
        run = segment_frames;
    std::uint64_t frame = segment_start + run;
    if (looping())
        return frame % length;
    return frame < length ? frame : length;
}

void AudioStream::settle(double now)
{
    if (state != BASS_ACTIVE_PLAYING || looping())
        return;
    if (current_frame(now) >= length_frames()) {
        state = BASS_ACTIVE_STOPPED;
        segment_start = next_frame = length_frames();
        next_fraction = 0;
    }
}

void AudioStream::restart_at(std::uint64_t frame, double now)
{
    segment_start = next_frame = frame;
    next_fraction = 0;
    segment_time = now;
    segment_frames = 0;
}

std::uint64_t AudioStream::position(double now)
{
    if (is_decode())
        return segment_start;
    settle(now);
    return current_frame(now);
}

bool AudioStream::set_position(std::uint64_t frame, double now)
{
    if (frame > length_frames())
        return false;
    settle(now);
    restart_at(frame, now);
    return true;
}

bool AudioStream::play(bool restart, double now)
{
    if (is_decode())
        return false;
    settle(now);
    if (state == BASS_ACTIVE_PLAYING && !restart)
        return true;
    std::uint64_t frame = current_frame(now);
    if (restart || frame >= length_frames())
        frame = 0;
    restart_at(frame, now);
    state = BASS_ACTIVE_PLAYING;
    return true;
}

bool AudioStream::pause(double now)
{
    settle(now);
    if (state != BASS_ACTIVE_PLAYING)
        return false;
    restart_at(current_frame(now), now);
    state = BASS_ACTIVE_PAUSED;
    return true;
}

DWORD AudioStream::activity(double now)
{
    if (is_decode())
        return segment_start < length_frames() ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
    settle(now);
    return state;
}

DWORD AudioStream::change_flags(DWORD flags, DWORD mask, double now)
{
    mask &= BASS_SAMPLE_LOOP;
    if (state == BASS_ACTIVE_PLAYING) {
        // Re-anchor at the present position, so the new loop setting only acts from now on.
        std::uint64_t frame = current_frame(now);
        double elapsed = (now - segment_time) * audio->rate;
        std::uint64_t run = elapsed > 0.0 ? static_cast<std::uint64_t>(elapsed) : 0;
        segment_frames = run < segment_frames ? segment_frames - run : 0;
        segment_start = frame;
        segment_time = now;
    }
    stream_flags = (stream_flags & ~mask) | (flags & mask);
    settle(now);
    return stream_flags;
}

void AudioStream::sample_at(std::uint64_t frame, std::uint64_t fraction, float& left,
                            float& right) const
{
    const std::int16_t* samples = audio->samples.data();
    std::uint32_t channels = audio->channels;
    std::uint64_t length = length_frames();
    std::uint64_t following = frame + 1;
    if (following >= length)
        following = looping() ? 0 : frame;
    const std::int16_t* a = samples + frame * channels;
    const std::int16_t* b = samples + following * channels;
    float t = static_cast<float>(fraction) * (1.0f / 4294967296.0f);
    float a_left = a[0];
    float b_left = b[0];
    float a_right = channels > 1 ? a[1] : a[0];
    float b_right = channels > 1 ? b[1] : b[0];
    left = a_left + (b_left - a_left) * t;
    right = a_right + (b_right - a_right) * t;
}

void AudioStream::mix(std::int32_t* out, int frames, std::uint32_t output_rate, double now)
{
    if (is_decode() || !device_clocked)
        return;
    settle(now);
    if (state != BASS_ACTIVE_PLAYING)
        return;
    // The frames handed before this delivery have been heard by now.
    segment_start = next_frame;
    segment_time = now;
    segment_frames = 0;

    std::uint64_t length = length_frames();
    std::uint64_t step = (static_cast<std::uint64_t>(audio->rate) << 32) / output_rate;
    for (int i = 0; i < frames; ++i) {
        if (next_frame >= length) {
            if (!looping())
                break;
            next_frame %= length;
        }
        float left = 0.0f;
        float right = 0.0f;
        sample_at(next_frame, next_fraction, left, right);
        out[2 * i] += static_cast<std::int32_t>(std::lround(left * volume));
        out[2 * i + 1] += static_cast<std::int32_t>(std::lround(right * volume));
        next_fraction += step;
        std::uint64_t advance = next_fraction >> 32;
        next_fraction &= 0xffffffffu;
        next_frame += advance;
        segment_frames += advance;
    }
}

void AudioStream::skip_frames(std::uint64_t frames)
{
    std::uint64_t left = length_frames() - segment_start;
    segment_start += frames < left ? frames : left;
}
