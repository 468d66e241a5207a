// The audio layer: streams decoded from memory (MP3 through libmpg123, OGG Vorbis through
// vorbisfile), played through SDL audio on its own thread, with the calls and constants of the
// BASS 2.4 library that the music code makes.
//
// Positions and lengths count bytes of 16-bit interleaved output of the stream's own channel
// count and rate. The playback position is what has been handed to the sound device, advanced
// smoothly in real time between two deliveries; without a sound device (SDL_AUDIODRIVER=dummy,
// or no device at all) the clock runs in real time silently.
//
// BASS_DATA_FFT2048 gives 1024 magnitudes of a Hann-windowed mono mix ((left + right) / 2) of the
// 2048 frames at the decode position. Bin k is the frequency k * rate / 2048. Each magnitude is
// |X[k]| * 4 / 2048, so a sine of amplitude A (1.0 = full scale) whose frequency lies on a bin
// reads A there, and between two bins not less than about 0.85 A.
//
// Every call may be made from the main thread while the device thread plays.
#pragma once

#include <cstdint>

#include "platform/win32/waveformat.h"
#include "platform/win32/windows_types.h"

typedef std::uint64_t QWORD;
typedef DWORD HSTREAM;

struct BASS_CHANNELINFO {
    DWORD freq;  // sample rate
    DWORD chans; // channels
    DWORD flags; // BASS_SAMPLE_* and BASS_STREAM_* flags of the stream
};

constexpr DWORD BASSVERSION = 0x0204;

constexpr DWORD BASS_POS_BYTE = 0;
constexpr DWORD BASS_SAMPLE_8BITS = 1;
constexpr DWORD BASS_SAMPLE_LOOP = 4;
constexpr DWORD BASS_STREAM_PRESCAN = 0x20000;
constexpr DWORD BASS_STREAM_DECODE = 0x200000;
constexpr DWORD BASS_ASYNCFILE = 0x40000000;

constexpr DWORD BASS_DATA_FLOAT = 0x40000000;
constexpr DWORD BASS_DATA_FFT2048 = 0x80000003;

constexpr DWORD BASS_ATTRIB_VOL = 2;

constexpr DWORD BASS_ACTIVE_STOPPED = 0;
constexpr DWORD BASS_ACTIVE_PLAYING = 1;
constexpr DWORD BASS_ACTIVE_PAUSED = 3;

// Version in the high 16 bits (0x0204 for 2.4).
DWORD BASS_GetVersion();

// device -1 (or 1) is the default sound device, 0 plays silently. FALSE when already
// initialised or for another device number.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);
// Stops output and frees every stream left.
BOOL BASS_Free();

// mem must be TRUE: file points at length bytes of an MP3 or OGG file, decoded whole before
// the call returns (the memory may go afterwards). 0 when the bytes do not decode or the
// layer is not initialised. A BASS_STREAM_DECODE stream is only read with
// BASS_ChannelGetData; any other stream plays on the device.
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);

// The exact decoded length in bytes, or (QWORD)-1.
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);

// Decode streams only. length in bytes of output, with BASS_DATA_FLOAT for floats (32-bit
// -1..1), or BASS_DATA_FFT2048 for 1024 floats (see above). Reads whole frames from the decode
// position and moves it past them; answers the bytes written (for the FFT: the bytes of 16-bit
// output it covered, the window being filled with silence past the end), or (DWORD)-1 at the
// end or on a bad request.
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);

// (QWORD)-1 on error.
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
// Rounds down to whole frames; FALSE without moving for a position past the end.
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
// Whole frames, rounded down; negative seconds give 0.
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos);

// With restart FALSE playback goes on at the current position (from the start when the
// stream had played out).
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
// BASS_ACTIVE_PLAYING from the moment of BASS_ChannelPlay, BASS_ACTIVE_PAUSED while paused,
// BASS_ACTIVE_STOPPED before the first play and once a non-looping stream has played out (a
// decode stream: once it has been read to its end).
DWORD BASS_ChannelIsActive(DWORD handle);
// Sets the flags of mask to those of flags (only BASS_SAMPLE_LOOP can change); answers the
// flags now in force, or (DWORD)-1.
DWORD BASS_ChannelFlags(DWORD handle, DWORD flags, DWORD mask);
// BASS_ATTRIB_VOL: 0 silent, 1 full volume.
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
