// A landscape of lit cubes built from the music's spectrum: every sixteenth of a beat the
// spectrum is cut into 16 bands of growing width, and the band values become the newest row
// of a 96-row history. Each history row is a row of 16 cube stacks, one stack per band, as high
// as its value; the rows glide away from the camera as the music plays, and "sbAngle" bends the
// landscape and swings the camera from above it to its side. The light follows the loudness
// of the lowest five bands.
#pragma once

#include <vector>

#include "scenes/scene/scene.h"
#include "util/camera/camera.h"

class SpectrumBoxes : public Scene {
public:
    static constexpr int BANDS = 16;
    static constexpr int SPECTRUM_SIZE = 1024;
    static constexpr int HISTORY_ROWS = 96;
    static constexpr int LEAD_IN_ROWS = 15;
    static constexpr int MAX_STACK = 52;
    // One history step: a sixteenth of a beat.
    static constexpr float STEP = 0.0625f;

    SpectrumBoxes();

    void init() override;
    void render() override;
    void release() override;

    // Reads the spectrum at the playback position and advances the history to the music's beat.
    void analyse_spectrum();
    // Adds one history row, the bands of this spectrum, for every whole step from the last
    // step time to the beat. A beat on a step's end does not yet take that step; a beat before
    // the last step time (after a seek back) takes none.
    void advance_history(const float* spectrum, float beat);

    // The values of the first `count` bands (at most 16) of a spectrum of 1024 magnitudes.
    // Band i ends at bin band_end(i) and starts after the end of the band before it (bin 0
    // is never used).
    static void compute_bands(const float* spectrum, int count, float* values);
    static int band_end(int band);
    // Cubes in the stack of a band value: one per 0.05 started above zero, at most 52.
    static int stack_height(float value);
    // The stack of a band value upwards from (x, 0, 0), appended to `quads` (see
    // Prefabs::append_cube_quads): the bottom cube grey, the ones above from blue towards
    // white as they get higher.
    static void append_stack(std::vector<GLfloat>& quads, float value, float x);
    // The loudness of the five lowest bands against the loudest seen, which it raises first.
    static float light_level(const float* spectrum);

    // The loudest sum of band values seen in this process; starts at 0.1 and only grows.
    static float loudness_maximum();
    // Back to the start value, as a new run of the program has it.
    static void reset_state();

    // The newest row first: row r, band b at [r x 16 + b].
    const std::vector<float>& get_history() const { return history; }
    float get_last_step_time() const { return last_step_time; }
    float get_pending() const { return pending; }
    const Camera& get_camera() const { return camera; }

private:
    Camera camera;
    std::vector<float> spectrum;
    std::vector<float> history;
    float last_step_time = 0.0f;
    float now = 0.0f;
    float pending = 0.0f;
    // The corners of the row being drawn; kept to reuse its storage from frame to frame.
    std::vector<GLfloat> row_quads;

    void draw_landscape(float angle);
};
