// A music object over a short test tune whose clock the test sets, for the note queries and
// the music description.
#pragma once

#include <string>

#include "support/audio_fixture.h"
#include "support/show_fixture.h"
#include "support/temp_dir.h"
#include "util/music/music.h"

namespace fixtures {

// A tenth of a second of stereo sine, encoded once per test program.
inline const std::string& short_ogg()
{
    static const std::string bytes =
        encode_ogg(make_sine_signal(4410, 44100, {440.0, 660.0}, {0.25, 0.25}));
    return bytes;
}

// At 60 BPM one beat is one second, 176400 bytes of 16-bit stereo at 44.1 kHz.
class BeatMusic : public SteppedMusic {
public:
    using SteppedMusic::SteppedMusic;

    void set_beat(double beat) { position = static_cast<QWORD>(beat * 176400.0 + 0.5); }
};

} // namespace fixtures
