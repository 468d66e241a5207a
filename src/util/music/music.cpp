#include "util/music/music.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>

#include "platform/win32/messagebox.h"
#include "util/data/datafile.h"
#include "util/error/fatal.h"

Music* g_music = nullptr;

namespace {

const char* const SOURCE = "src\\util\\music\\music";
const char* const SYNC_HOST = "127.0.0.1";
// Whether load_stream decodes on a second thread (Music::set_background_decode).
bool g_background_decode = false;

// The sync tracker moves the music through these; they reach it through g_music.
void music_cb_pause(void*, int flag)
{
    if (!g_music)
        return;
    if (flag)
        g_music->pause();
    else
        g_music->play();
}

void music_cb_set_row(void*, int row)
{
    if (g_music)
        g_music->set_row(row);
}

int music_cb_is_playing(void*)
{
    return g_music && g_music->is_active() ? 1 : 0;
}

const SyncCallbacks music_sync_callbacks = {music_cb_pause, music_cb_set_row, music_cb_is_playing};

// In play mode the ".track" files come through the data layer.
void* music_io_open(const char* path, const char* mode)
{
    return DataFile::open_file(path, mode, false);
}

size_t music_io_read(void* buffer, size_t size, size_t count, void* stream)
{
    return std::fread(buffer, size, count, static_cast<FILE*>(stream));
}

int music_io_close(void* stream) { return std::fclose(static_cast<FILE*>(stream)); }

const SyncFileIo music_file_io = {music_io_open, music_io_read, music_io_close};

std::string lower_extension(const std::string& path)
{
    std::string extension = path.size() < 4 ? path : path.substr(path.size() - 4);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

} // namespace

Music::Music(const char* path, float bpm_value, float offset, bool preload, int mode)
    : float_buffer(nullptr), u16_buffer(nullptr), num_samples(0), note_data(nullptr),
      bpm(bpm_value), beat_offset(offset), rows_per_beat(8), playback_stream(0), decode_stream(0),
      paused(false), preload_pcm(preload), sync_mode(mode), sync_link(nullptr),
      music_data(nullptr)
{
    std::memset(&wave_format, 0, sizeof wave_format);
    std::string file = path ? path : "";
    std::string extension = lower_extension(file);
    if (extension == ".mp3" || extension == ".ogg")
        load_stream(file);
    else if (extension == ".xml")
        load_description(file);
    else
        FATAL_ERROR(SOURCE, "Music format " + extension + " not supported");

    g_music = this;
    rows_per_beat = 8;
    sync_mode = mode;

    sync_link = synclink_open("data/sync_tracker/", sync_mode);
    if (!sync_link)
        FATAL_ERROR(SOURCE, "Failed to create sync device!");
    if (sync_mode == 0)
        synclink_set_file_io(sync_link, &music_file_io);
    if (synclink_connect(sync_link, SYNC_HOST, editor_port) != 0)
        FATAL_ERROR(SOURCE, "Sync tracker failed to connect to host");
}

Music::~Music()
{
    if (decoding.valid())
        decoding.wait(); // a failure no longer matters: the music goes
    if (sync_link) {
        if (synclink_save(sync_link) != 0)
            MessageBoxA(nullptr, "Failed to save sync tracks, check your directory structure!",
                        "Failed to save sync tracks!", MB_OK);
        synclink_close(sync_link);
    }
    BASS_StreamFree(playback_stream);
    BASS_StreamFree(decode_stream);
    BASS_Free();
    delete[] float_buffer;
    delete[] u16_buffer;
    std::free(music_data);
    free_note_data();
    sync_tracks.clear();
    if (g_music == this)
        g_music = nullptr;
}

void Music::set_background_decode(bool on) { g_background_decode = on; }

void Music::load_stream(const std::string& path)
{
    if ((BASS_GetVersion() >> 16) != BASSVERSION)
        FATAL_ERROR(SOURCE, "An incorrect version of BASS was loaded");
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr))
        FATAL_ERROR(SOURCE, "Can't initialize device");

    int size = 0;
    music_data = DataFile::load_file(path.c_str(), "rb", &size, false);
    if (!music_data)
        FATAL_ERROR(SOURCE, "Failed to read music data from " + path);

    if (g_background_decode) {
        try {
            decoding = std::async(std::launch::async, [this, path, size] {
                DecodeFailure failure;
                decode_music_data(path, size, &failure);
                return failure;
            });
            return;
        } catch (const std::system_error&) {
            // No second thread to be had: decode here.
        }
    }
    DecodeFailure failure;
    if (!decode_music_data(path, size, &failure))
        fatal_error(SOURCE, failure.line, failure.message);
}

void Music::finish_decode()
{
    DecodeFailure failure = decoding.get();
    if (failure.line != 0)
        fatal_error(SOURCE, failure.line, failure.message);
}

bool Music::decode_music_data(const std::string& path, int size, DecodeFailure* failure)
{
    auto fail = [failure](int line, const std::string& message) {
        failure->line = line;
        failure->message = message;
        return false;
    };
    playback_stream = BASS_StreamCreateFile(TRUE, music_data, 0, static_cast<QWORD>(size),
                                            BASS_STREAM_PRESCAN | BASS_SAMPLE_LOOP);
    decode_stream = BASS_StreamCreateFile(TRUE, music_data, 0, static_cast<QWORD>(size),
                                          BASS_STREAM_DECODE | BASS_ASYNCFILE);
    // The audio layer decodes when it makes a stream: bytes it cannot decode are reported
    // here rather than by the checks on the decoded data below.
    if (!playback_stream || !decode_stream)
        return fail(__LINE__, "Failed to decode music data from " + path);
    QWORD length = BASS_ChannelGetLength(decode_stream, BASS_POS_BYTE);

    BASS_CHANNELINFO info;
    std::memset(&info, 0, sizeof info);
    BASS_ChannelGetInfo(decode_stream, &info);
    std::memset(&wave_format, 0, sizeof wave_format);
    wave_format.wFormatTag = 1;
    wave_format.nChannels = static_cast<WORD>(info.chans);
    wave_format.wBitsPerSample = (info.flags & BASS_SAMPLE_8BITS) ? 8 : 16;
    wave_format.nBlockAlign = static_cast<WORD>(wave_format.nChannels * wave_format.wBitsPerSample / 8);
    wave_format.nSamplesPerSec = info.freq;
    wave_format.nAvgBytesPerSec = wave_format.nBlockAlign * wave_format.nSamplesPerSec;

    if (info.chans != 2)
        return fail(__LINE__, assert_compare_text("info.chans == 2", "info.chans", info.chans, "2", 2));
    if ((info.flags & BASS_SAMPLE_8BITS) != 0)
        return fail(__LINE__, assert_compare_text("( info.flags & BASS_SAMPLE_8BITS ) == false",
                                                  "( info.flags & BASS_SAMPLE_8BITS )",
                                                  info.flags & BASS_SAMPLE_8BITS, "false", false));

    num_samples = static_cast<std::uint32_t>(length / 2);
    float_buffer = new (std::nothrow) float[num_samples];
    if (!float_buffer)
        return fail(__LINE__, null_text("float_buffer"));
    std::uint64_t wanted = static_cast<std::uint64_t>(num_samples) * sizeof(float);
    DWORD c = BASS_ChannelGetData(decode_stream, float_buffer,
                                  static_cast<DWORD>(wanted) | BASS_DATA_FLOAT);
    if (c != wanted)
        return fail(__LINE__, assert_compare_text("c == num_samples * sizeof(float)", "c", c,
                                                  "num_samples * sizeof(float)", wanted));

    if (preload_pcm) {
        BASS_ChannelSetPosition(decode_stream, 0, BASS_POS_BYTE);
        u16_buffer = new (std::nothrow) std::int16_t[num_samples];
        if (!u16_buffer)
            return fail(__LINE__, null_text("u16_buffer"));
        std::uint64_t wanted16 = static_cast<std::uint64_t>(num_samples) * sizeof(std::int16_t);
        DWORD c16 = BASS_ChannelGetData(decode_stream, u16_buffer, static_cast<DWORD>(wanted16));
        if (c16 != wanted16)
            return fail(__LINE__, assert_compare_text("c == num_samples * sizeof(u16)", "c", c16,
                                                      "num_samples * sizeof(u16)", wanted16));
    }
    return true;
}

QWORD Music::read_position() { return BASS_ChannelGetPosition(playback_stream, BASS_POS_BYTE); }

bool Music::write_position(QWORD bytes)
{
    return BASS_ChannelSetPosition(playback_stream, bytes, BASS_POS_BYTE) != FALSE;
}

void Music::start()
{
    wait_for_decode();
    BASS_ChannelFlags(playback_stream, 0, BASS_SAMPLE_LOOP);
    BASS_ChannelPlay(playback_stream, FALSE);
    if (!is_active())
        FATAL_ERROR(SOURCE, "Failed to start the music!");
    paused = false;
    started = true;
}

double Music::get_row()
{
    wait_for_decode();
    double seconds = BASS_ChannelBytes2Seconds(playback_stream, read_position());
    return seconds * ((bpm / 60.0) * rows_per_beat);
}

float Music::get_beat()
{
    wait_for_decode();
    double seconds = BASS_ChannelBytes2Seconds(playback_stream, read_position());
    return static_cast<float>((bpm * (seconds / 60.0)) + beat_offset);
}

std::uint64_t Music::get_byte_position()
{
    wait_for_decode();
    return read_position();
}

void Music::set_row(int row)
{
    wait_for_decode();
    double seconds = row / ((bpm / 60.0) * rows_per_beat);
    QWORD bytes = BASS_ChannelSeconds2Bytes(playback_stream, seconds);
    // A little past the row's exact start, so that reading the row back gives this row.
    bool moved = write_position(bytes + 8);
    if (moved && started && !paused && !is_active() &&
        read_position() < BASS_ChannelGetLength(playback_stream, BASS_POS_BYTE))
        BASS_ChannelPlay(playback_stream, FALSE);
}

void Music::set_time(float seconds)
{
    wait_for_decode();
    if (seconds < 0.0f)
        seconds = 0.0f;
    write_position(BASS_ChannelSeconds2Bytes(playback_stream, seconds));
}

void Music::set_byte_position(std::uint32_t position)
{
    wait_for_decode();
    write_position(static_cast<QWORD>(position));
}

void Music::play()
{
    wait_for_decode();
    if (!paused)
        return;
    BASS_ChannelPlay(playback_stream, FALSE);
    paused = false;
}

void Music::pause()
{
    wait_for_decode();
    if (paused)
        return;
    BASS_ChannelPause(playback_stream);
    paused = true;
}

void Music::toggle_pause()
{
    wait_for_decode();
    if (paused)
        BASS_ChannelPlay(playback_stream, FALSE);
    else
        BASS_ChannelPause(playback_stream);
    paused = !paused;
}

bool Music::is_active()
{
    wait_for_decode();
    return BASS_ChannelIsActive(playback_stream) == BASS_ACTIVE_PLAYING;
}

bool Music::is_running()
{
    wait_for_decode();
    return paused ? true : is_active();
}

void Music::set_volume(float volume)
{
    wait_for_decode();
    BASS_ChannelSetAttribute(playback_stream, BASS_ATTRIB_VOL, volume);
}

void Music::update()
{
    wait_for_decode();
    int row = static_cast<int>(std::floor(get_row()));
    if (synclink_poll(sync_link, &music_sync_callbacks, row, &playback_stream) != 0)
        synclink_connect(sync_link, SYNC_HOST, editor_port); // retried every frame
}

void Music::get_pcm(float* out, int count)
{
    wait_for_decode();
    if (!out)
        FATAL_ERROR(SOURCE, "Invalid buffer");
    if (count <= 0)
        return;
    // The position counts 16-bit interleaved output: half of it is the sample index.
    std::uint64_t start = read_position() / 2;
    std::uint64_t available = start < num_samples ? num_samples - start : 0;
    std::uint64_t copied = std::min<std::uint64_t>(available, static_cast<std::uint64_t>(count));
    if (copied > 0)
        std::memcpy(out, float_buffer + start, copied * sizeof(float));
    std::fill(out + copied, out + count, 0.0f);
}

int Music::get_spectrum(float* out)
{
    wait_for_decode();
    if (!out)
        FATAL_ERROR(SOURCE, "Invalid buffer");
    // A position the decode stream cannot take (past the end of the track) leaves it where the
    // last call put it: that window is not this position's, so the answer is silence.
    DWORD result = static_cast<DWORD>(-1);
    if (BASS_ChannelSetPosition(decode_stream, read_position(), BASS_POS_BYTE))
        result = BASS_ChannelGetData(decode_stream, out, BASS_DATA_FFT2048);
    if (result == static_cast<DWORD>(-1))
        std::fill(out, out + 1024, 0.0f); // past the end of the track: silence
    return static_cast<int>(result);
}

void Music::add_sync_track(const std::string& name, float default_value, bool use_tracker)
{
    SyncTrackEntry entry{nullptr, name, default_value};
    if (use_tracker) {
        entry.curve = synclink_curve(name.c_str(), sync_link, default_value);
        if (!entry.curve)
            FATAL_ERROR(SOURCE, "Failed to open track " + name + "!");
    }
    sync_tracks.push_back(entry);
}

float Music::get_sync_value(const std::string& name)
{
    for (const SyncTrackEntry& entry : sync_tracks) {
        if (entry.name != name)
            continue;
        if (entry.curve)
            return synclink_curve_value(entry.curve, get_row());
        return entry.value;
    }
    FATAL_ERROR(SOURCE, "Can't find sync value for " + name);
}
