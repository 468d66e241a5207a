// The settings the setup dialog fills and start-up hands on. Process-wide, one instance.
#pragma once

#include <cstdint>

struct StartupSettings {
    int width = -1;                       // -1: not chosen
    int height = -1;
    std::uint32_t video_flags = 0x80000000u; // SDL_FULLSCREEN
    int vsync = 1;
    int aspect_num = 16;
    int aspect_den = 9;
    const char* data_file_name = "data.qxv";
    int aa_samples = 0;
    int sync_mode = 0;
    bool dump_avi = false;
};

extern StartupSettings g_settings;
