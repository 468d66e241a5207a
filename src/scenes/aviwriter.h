// Writes the capture of the show into a series of AVI files: one 24-bit video stream and one
// PCM audio stream, continuing in the next numbered file ("%s.%02d.avi") once a file holds
// more than the byte limit. Every operation is serialised by one lock.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/win32/waveformat.h"

class AviWriter {
public:
    static constexpr std::uint64_t DEFAULT_FILE_BYTE_LIMIT = 0x707FFFFF; // about 1.76 GiB

    explicit AviWriter(std::uint64_t file_byte_limit = DEFAULT_FILE_BYTE_LIMIT);
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // fourcc 0 means uncompressed ("DIB "), -1 asks for the codec.
    bool open(const char* path, float fps, int fourcc, int quality);
    void set_video_size(int width, int height);
    void set_audio_format(const WAVEFORMATEX& format);
    // Bottom-up BGR pixels, width x height x 3 bytes.
    bool write_video_frame(const unsigned char* pixels);
    // count sample frames of interleaved samples.
    bool write_audio(const void* samples, int count);
    void close();

    // The name of the file being written ("" before the first open).
    const char* current_file_name() const;
    // The system's error number behind the last failed open or write (a full disk gives
    // ENOSPC or EFBIG); 0 when that failure had another cause, or nothing has failed.
    int last_error() const;

    int width = 0;
    int height = 0;
    int frame_index = 0;
    int audio_position = 0;
    int block_align = 0;
    float fps = 0.0f;

private:
    struct State;
    bool create_file();
    bool set_video_format();
    bool create_audio_stream();
    void release_all() noexcept;

    std::unique_ptr<State> state;
};
