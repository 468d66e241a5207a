#include "platform/bass/audio_output.h"

#include <SDL/SDL.h>
#include <cstring>

bool AudioOutput::open(std::uint32_t rate, FillFunction fill, void* user)
{
    close();
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        started_subsystem = true;
    }
    char driver[32] = "";
    if (SDL_AudioDriverName(driver, sizeof driver) == nullptr || std::strcmp(driver, "dummy") == 0) {
        close();
        return false;
    }
    fill_function = fill;
    fill_user = user;
    SDL_AudioSpec wanted;
    std::memset(&wanted, 0, sizeof wanted);
    wanted.freq = static_cast<int>(rate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = callback;
    wanted.userdata = this;
    // Without an obtained format SDL converts to exactly this one itself.
    if (SDL_OpenAudio(&wanted, nullptr) != 0) {
        close();
        return false;
    }
    opened = true;
    SDL_PauseAudio(0);
    return true;
}

void AudioOutput::close()
{
    if (opened) {
        SDL_CloseAudio();
        opened = false;
    }
    if (started_subsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        started_subsystem = false;
    }
}

void AudioOutput::callback(void* self, unsigned char* stream, int length)
{
    AudioOutput* output = static_cast<AudioOutput*>(self);
    output->fill_function(reinterpret_cast<std::int16_t*>(stream), length / 4, output->fill_user);
}
