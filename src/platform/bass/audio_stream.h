// One stream of the audio layer: a decoded sound with its play state and position.
//
// Times are seconds on one monotonic clock, passed in by the caller, so the position logic
// runs the same with the real clock and with a test's numbers. Positions are whole frames.
//
// A device-clocked stream advances as mix() hands its frames to the sound device: between two
// deliveries the position runs on in real time, but never past the frames handed so far, so
// it never goes back and never runs ahead of the sound. A stream that is not device-clocked
// (no sound device) advances from the clock alone.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/bass/bass.h"
#include "platform/bass/pcm_audio.h"

class AudioStream {
public:
    AudioStream(std::shared_ptr<const PcmAudio> audio, DWORD flags, bool device_clocked);

    const PcmAudio& pcm() const { return *audio; }
    DWORD flags() const { return stream_flags; }
    bool is_decode() const { return (stream_flags & BASS_STREAM_DECODE) != 0; }
    std::uint64_t length_frames() const { return audio->frames(); }

    std::uint64_t position(double now);
    // False without moving when frame lies past the end.
    bool set_position(std::uint64_t frame, double now);
    bool play(bool restart, double now);
    bool pause(double now);
    DWORD activity(double now);
    DWORD change_flags(DWORD flags, DWORD mask, double now);
    void set_volume(float value) { volume = value; }

    // Adds the next frames of this stream, converted to stereo at output_rate, to out
    // (frames * 2 interleaved values), and starts a new delivery at now.
    void mix(std::int32_t* out, int frames, std::uint32_t output_rate, double now);

    // Decode streams: the read position moves past frames that were read.
    void skip_frames(std::uint64_t frames);

private:
    bool looping() const { return (stream_flags & BASS_SAMPLE_LOOP) != 0; }
    std::uint64_t current_frame(double now) const;
    void settle(double now);
    void restart_at(std::uint64_t frame, double now);
    void sample_at(std::uint64_t frame, std::uint64_t fraction, float& left, float& right) const;

    std::shared_ptr<const PcmAudio> audio;
    DWORD stream_flags;
    bool device_clocked;
    DWORD state = BASS_ACTIVE_STOPPED;
    float volume = 1.0f;

    // While playing, the position is segment_start plus the frames that the clock has run
    // since segment_time (in device-clocked mode at most segment_frames, the frames handed
    // since then). Otherwise segment_start is the position.
    std::uint64_t segment_start = 0;
    double segment_time = 0.0;
    std::uint64_t segment_frames = 0;
    // Device-clocked: the next frame to hand over, and the fraction (of 2^32) past it.
    std::uint64_t next_frame = 0;
    std::uint64_t next_fraction = 0;
};
