// A multi-trace oscilloscope: draws one or more waveforms of the playing music as line strips
// into a frame-buffer object, one trace per sample window, each in its colour and at its
// vertical offset. With no trace added, the first render adds a default one (1024 samples,
// yellow). The caller draws the target afterwards.
#pragma once

#include <vector>

#include "util/math/vector4.h"

class FBO;
class Music;

class OscilloscopeTrace {
public:
    // The music is read at its playback position; without one the traces are silent (flat).
    OscilloscopeTrace(FBO* target, Music* music);
    ~OscilloscopeTrace();
    OscilloscopeTrace(const OscilloscopeTrace&) = delete;
    OscilloscopeTrace& operator=(const OscilloscopeTrace&) = delete;

    // A trace of count samples (a negative count holds none). Failing to allocate its sample
    // buffer is fatal. scale is kept but not applied.
    void add_trace(int count, const Vector4& colour, float scale, float offset);
    // The argument is not used.
    void render(float time);

    // The line-strip points of one trace as (x, y) pairs: one point per whole pair of samples,
    // x = i / count, y = (s[i] + s[i + 1]) x 0.75 + offset; a last unpaired sample is left out.
    static std::vector<float> trace_points(const float* samples, int count, float offset);

    FBO* target;
    Music* music;
    std::vector<float*> buffers;
    std::vector<int> counts;
    std::vector<Vector4> colours;
    std::vector<float> scales;
    std::vector<float> offsets;
};
