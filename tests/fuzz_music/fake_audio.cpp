// A silent audio layer for the music fuzz targets: a tenth of a second of stereo silence per
// stream, a playback position that moves only when set, and play and pause states. It keeps
// the music's own code (clock, callbacks, description) in the fuzzed path without a device.
#include <cstring>

#include "platform/bass/bass.h"

namespace {
const DWORD RATE = 44100;
const QWORD LENGTH = RATE * 4 / 10; // bytes of 16-bit stereo output: a tenth of a second
QWORD g_position = 0;
DWORD g_state = BASS_ACTIVE_STOPPED;
} // namespace

DWORD BASS_GetVersion() { return BASSVERSION << 16; }
BOOL BASS_Init(int, DWORD, DWORD, void*, const void*) { return TRUE; }
BOOL BASS_Free() { return TRUE; }
HSTREAM BASS_StreamCreateFile(BOOL, const void*, QWORD, QWORD, DWORD flags)
{
    return (flags & BASS_STREAM_DECODE) ? 2 : 1;
}
BOOL BASS_StreamFree(HSTREAM) { return TRUE; }
QWORD BASS_ChannelGetLength(DWORD, DWORD) { return LENGTH; }
BOOL BASS_ChannelGetInfo(DWORD, BASS_CHANNELINFO* info)
{
    info->freq = RATE;
    info->chans = 2;
    info->flags = 0;
    return TRUE;
}
DWORD BASS_ChannelGetData(DWORD, void* buffer, DWORD length)
{
    DWORD bytes = (length & BASS_DATA_FFT2048) == BASS_DATA_FFT2048 ? 4096 : length & ~BASS_DATA_FLOAT;
    std::memset(buffer, 0, bytes);
    return bytes;
}
QWORD BASS_ChannelGetPosition(DWORD, DWORD) { return g_position; }
BOOL BASS_ChannelSetPosition(DWORD, QWORD position, DWORD)
{
    if (position > LENGTH) return FALSE;
    g_position = position & ~QWORD{3};
    return TRUE;
}
double BASS_ChannelBytes2Seconds(DWORD, QWORD position) { return static_cast<double>(position) / (RATE * 4); }
QWORD BASS_ChannelSeconds2Bytes(DWORD, double seconds)
{
    if (!(seconds > 0.0)) return 0;
    if (seconds > 1e9) seconds = 1e9;
    return static_cast<QWORD>(seconds * RATE) * 4;
}
BOOL BASS_ChannelPlay(DWORD, BOOL)
{
    g_state = BASS_ACTIVE_PLAYING;
    return TRUE;
}
BOOL BASS_ChannelPause(DWORD)
{
    g_state = BASS_ACTIVE_PAUSED;
    return TRUE;
}
DWORD BASS_ChannelIsActive(DWORD) { return g_state; }
DWORD BASS_ChannelFlags(DWORD, DWORD flags, DWORD) { return flags; }
BOOL BASS_ChannelSetAttribute(DWORD, DWORD, float) { return TRUE; }
