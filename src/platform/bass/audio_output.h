// The sound device: SDL audio, 16-bit stereo, on SDL's own thread.
#pragma once

#include <cstdint>

class AudioOutput {
public:
    // Called on the device thread for every buffer: fill frames stereo frames at out.
    typedef void (*FillFunction)(std::int16_t* out, int frames, void* user);

    AudioOutput() = default;
    ~AudioOutput() { close(); }
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens the default device at rate and starts calling fill. False when there is no sound
    // device (SDL's dummy driver counts as none); nothing is opened then.
    bool open(std::uint32_t rate, FillFunction fill, void* user);
    // Stops the device thread; fill is not called any more once this returns.
    void close();
    bool is_open() const { return opened; }

private:
    static void callback(void* self, unsigned char* stream, int length);

    FillFunction fill_function = nullptr;
    void* fill_user = nullptr;
    bool opened = false;
    bool started_subsystem = false;
};
