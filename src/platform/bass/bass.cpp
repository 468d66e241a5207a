#include "platform/bass/bass.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/bass/audio_output.h"
#include "platform/bass/audio_stream.h"
#include "platform/bass/spectrum.h"
#include "platform/runtime/diagnostic_log.h"

namespace {

// Everything the layer holds. mutex guards the streams against the device thread.
struct Layer {
    std::mutex mutex;
    bool initialised = false;
    bool device_clocked = false;
    std::uint32_t output_rate = 44100;
    std::map<DWORD, std::unique_ptr<AudioStream>> streams;
    DWORD next_handle = 0x10000;
    std::vector<std::int32_t> mix_buffer;
    // Streams made from the same bytes share one decoding. Streams may be made on any thread;
    // the decoding itself runs without the mutex.
    std::map<std::pair<QWORD, QWORD>, std::weak_ptr<const PcmAudio>> decoded;
    std::unique_ptr<Spectrum2048> spectrum;
    AudioOutput output;
};

Layer& layer()
{
    static Layer* instance = new Layer; // lives to the end: the device thread may outlast statics
    return *instance;
}

double now_seconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

AudioStream* find(Layer& state, DWORD handle)
{
    auto it = state.streams.find(handle);
    return it == state.streams.end() ? nullptr : it->second.get();
}

void fill_device(std::int16_t* out, int frames, void*)
{
    Layer& state = layer();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.mix_buffer.assign(static_cast<std::size_t>(frames) * 2, 0);
    double now = now_seconds();
    for (auto& entry : state.streams)
        entry.second->mix(state.mix_buffer.data(), frames, state.output_rate, now);
    for (std::size_t i = 0; i < state.mix_buffer.size(); ++i)
        out[i] = static_cast<std::int16_t>(std::clamp(state.mix_buffer[i], -32768, 32767));
}

// FNV-1a over the bytes: tells whether two streams are made from the same file.
QWORD content_hash(const unsigned char* bytes, std::size_t size)
{
    QWORD hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

std::shared_ptr<const PcmAudio> decode_shared(Layer& state, const unsigned char* bytes,
                                              std::size_t size)
{
    std::pair<QWORD, QWORD> key(size, content_hash(bytes, size));
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        auto it = state.decoded.find(key);
        if (it != state.decoded.end()) {
            if (std::shared_ptr<const PcmAudio> known = it->second.lock())
                return known;
            state.decoded.erase(it);
        }
    }
    std::shared_ptr<const PcmAudio> audio = decode_audio(bytes, size);
    if (audio) {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.decoded[key] = audio;
    }
    return audio;
}

} // namespace

DWORD BASS_GetVersion() { return 0x02040000; }

BOOL BASS_Init(int device, DWORD freq, DWORD, void*, const void*)
{
    Layer& state = layer();
    if (device < -1 || device > 1 || freq == 0)
        return FALSE;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.initialised)
            return FALSE;
        state.initialised = true;
        state.output_rate = freq;
        state.device_clocked = false;
        if (!state.spectrum)
            state.spectrum.reset(new Spectrum2048);
    }
    bool opened = device != 0 && state.output.open(freq, fill_device, nullptr);
    std::lock_guard<std::mutex> lock(state.mutex);
    state.device_clocked = opened;
    if (!opened)
        report_diagnostic("No sound device: the music plays silently");
    return TRUE;
}

BOOL BASS_Free()
{
    Layer& state = layer();
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!state.initialised)
            return FALSE;
    }
    // The device thread takes the mutex, so it is stopped without holding it.
    state.output.close();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.streams.clear();
    state.decoded.clear();
    state.initialised = false;
    state.device_clocked = false;
    return TRUE;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags)
{
    Layer& state = layer();
    if (!mem || file == nullptr || length == 0)
        return 0;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!state.initialised)
            return 0;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(file) + offset;
    std::shared_ptr<const PcmAudio> audio = decode_shared(state, bytes, length);
    if (!audio)
        return 0;
    DWORD kept = flags & (BASS_SAMPLE_LOOP | BASS_STREAM_PRESCAN | BASS_STREAM_DECODE);
    std::lock_guard<std::mutex> lock(state.mutex);
    DWORD handle = state.next_handle++;
    state.streams[handle].reset(new AudioStream(audio, kept, state.device_clocked));
    return handle;
}

BOOL BASS_StreamFree(HSTREAM handle)
{
    Layer& state = layer();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.streams.erase(handle) ? TRUE : FALSE;
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode)
{
    Layer& state = layer();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    if (!stream || mode != BASS_POS_BYTE)
        return static_cast<QWORD>(-1);
    return stream->length_frames() * stream->pcm().block_align();
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info)
{
    Layer& state = layer();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    if (!stream || info == nullptr)
        return FALSE;
    info->freq = stream->pcm().rate;
    info->chans = stream->pcm().channels;
    info->flags = stream->flags();
    return TRUE;
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length)
{
    const DWORD failed = static_cast<DWORD>(-1);
    Layer& state = layer();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    if (!stream || !stream->is_decode() || buffer == nullptr)
        return failed;
    const PcmAudio& audio = stream->pcm();
    std::uint64_t first = stream->position(0.0);
    std::uint64_t left = stream->length_frames() - first;

    if (length == BASS_DATA_FFT2048) {
        if (left == 0)
            return failed;
        std::uint64_t covered = state.spectrum->compute(audio, first, static_cast<float*>(buffer));
        stream->skip_frames(covered);
        return static_cast<DWORD>(covered * audio.block_align());
    }
    if ((length & 0x80000000u) != 0)
        return failed;
    bool as_float = (length & BASS_DATA_FLOAT) != 0;
    DWORD bytes = length & ~BASS_DATA_FLOAT;
    std::uint64_t frame_bytes = static_cast<std::uint64_t>(audio.channels) * (as_float ? 4 : 2);
    std::uint64_t frames = std::min<std::uint64_t>(bytes / frame_bytes, left);
    if (left == 0)
        return failed;
    const std::int16_t* from = audio.samples.data() + first * audio.channels;
    std::size_t count = static_cast<std::size_t>(frames * audio.channels);
    if (as_float) {
        float* to = static_cast<float*>(buffer);
        for (std::size_t i = 0; i < count; ++i)
            to[i] = from[i] / 32768.0f;
    } else {
        std::memcpy(buffer, from, count * sizeof(std::int16_t));
    }
    stream->skip_frames(frames);
    return static_cast<DWORD>(frames * frame_bytes);
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode)
{
    Layer& state = layer();
    double now = now_seconds();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    if (!stream || mode != BASS_POS_BYTE)
        return static_cast<QWORD>(-1);
    return stream->position(now) * stream->pcm().block_align();
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode)
{
    Layer& state = layer();
    double now = now_seconds();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    if (!stream || mode != BASS_POS_BYTE)
        return FALSE;
    return stream->set_position(pos / stream->pcm().block_align(), now) ? TRUE : FALSE;
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos)
{
    Layer& state = layer();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    if (!stream)
        return -1.0;
    const PcmAudio& audio = stream->pcm();
    return static_cast<double>(pos) / (static_cast<double>(audio.rate) * audio.block_align());
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos)
{
    Layer& state = layer();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    if (!stream)
        return static_cast<QWORD>(-1);
    const PcmAudio& audio = stream->pcm();
    double frames = pos * audio.rate;
    if (!(frames > 0.0))
        return 0;
    return static_cast<QWORD>(frames) * audio.block_align();
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    Layer& state = layer();
    double now = now_seconds();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    return stream && stream->play(restart != FALSE, now) ? TRUE : FALSE;
}

BOOL BASS_ChannelPause(DWORD handle)
{
    Layer& state = layer();
    double now = now_seconds();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    return stream && stream->pause(now) ? TRUE : FALSE;
}

DWORD BASS_ChannelIsActive(DWORD handle)
{
    Layer& state = layer();
    double now = now_seconds();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    return stream ? stream->activity(now) : BASS_ACTIVE_STOPPED;
}

DWORD BASS_ChannelFlags(DWORD handle, DWORD flags, DWORD mask)
{
    Layer& state = layer();
    double now = now_seconds();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    return stream ? stream->change_flags(flags, mask, now) : static_cast<DWORD>(-1);
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value)
{
    Layer& state = layer();
    std::lock_guard<std::mutex> lock(state.mutex);
    AudioStream* stream = find(state, handle);
    if (!stream || attrib != BASS_ATTRIB_VOL || !(value >= 0.0f))
        return FALSE;
    stream->set_volume(value);
    return TRUE;
}
