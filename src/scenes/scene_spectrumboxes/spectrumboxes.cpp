#include "scenes/scene_spectrumboxes/spectrumboxes.h"

#include <GL/glew.h>
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "util/music/music.h"
#include "util/objects3d/prefabs.h"

namespace {

const char* const ANGLE_TRACK = "sbAngle";

const TrackDefault TRACKS[] = {
    {ANGLE_TRACK, 0.0f},
};

const float START_MAXIMUM = 0.1f;
float g_loudness_maximum = START_MAXIMUM;

void raise_maximum(float loudness)
{
    if (loudness > g_loudness_maximum) g_loudness_maximum = loudness;
}

// Room a cube takes in the landscape: edge 2 and a gap of 0.2.
const float CUBE_EDGE = 2.0f;
const float CUBE_PITCH = 2.2f;
// Stack levels: a cube for every 0.05 of band value.
const float LEVEL_STEP = 0.05f;
// Degrees each row turns about x for an "sbAngle" of 1.
const float BEND_PER_ROW = 3.75f;

const GLfloat GREY[4] = {0.1f, 0.1f, 0.1f, 1.0f};

} // namespace

SpectrumBoxes::SpectrumBoxes() = default;

int SpectrumBoxes::band_end(int band)
{
    int start = 0;
    int end = 0;
    for (int i = 0; i <= band; ++i) {
        end = static_cast<int>(std::pow(2.0, i * 10.0 / 15.0));
        if (end > SPECTRUM_SIZE - 1) end = SPECTRUM_SIZE - 1;
        // The narrow low bands would be empty: each takes at least one bin.
        if (end <= start) end = start + 1;
        if (i < band) start = end;
    }
    return end;
}

void SpectrumBoxes::compute_bands(const float* s, int count, float* values)
{
    int start = 0;
    for (int i = 0; i < count && i < BANDS; ++i) {
        const int end = band_end(i);
        float sum = 0.0f;
        for (int j = start; j < end; ++j) sum += s[j + 1];
        const int n = end - start;
        // Wide bands are scaled down, so the high ones stay as tall as the low ones.
        values[i] = std::sqrt((sum / static_cast<float>((n + 1) / 8 + 1)) /
                              static_cast<float>(std::log10(n + 10.0)));
        start = end;
    }
}

int SpectrumBoxes::stack_height(float value)
{
    int cubes = 0;
    while (cubes < MAX_STACK && value > static_cast<float>(cubes) * LEVEL_STEP) ++cubes;
    return cubes;
}

float SpectrumBoxes::loudness_maximum() { return g_loudness_maximum; }

void SpectrumBoxes::reset_state() { g_loudness_maximum = START_MAXIMUM; }

void SpectrumBoxes::init()
{
    gl_caps.lighting = true;
    gl_caps.texture_2d = false;
    gl_caps.blend = false;
    gl_caps.depth_test = true;
    gl_caps.depth_func = GL_LESS;

    spectrum.assign(SPECTRUM_SIZE, 0.0f);
    history.assign(static_cast<size_t>(HISTORY_ROWS) * BANDS, 0.0f);
    last_step_time = 0.0f;
    analyse_spectrum();
    add_sync_tracks(TRACKS);
}

void SpectrumBoxes::release()
{
    std::vector<float>().swap(history);
    std::vector<float>().swap(spectrum);
}

void SpectrumBoxes::analyse_spectrum()
{
    if (history.empty()) return; // released
    music->get_spectrum(spectrum.data());
    advance_history(spectrum.data(), music->get_beat());
}

void SpectrumBoxes::advance_history(const float* source, float beat)
{
    if (history.empty()) return; // released
    now = beat;
    pending = now - last_step_time;

    // The last step time only ever grows by whole steps, so after a long pause the missed steps
    // are counted first and made in one go: every one of them would add the same row.
    long long steps = 0;
    const float far_behind = 4.0f * STEP;
    if (pending > far_behind) {
        const float skipped = std::floor(pending / STEP) - 2.0f;
        last_step_time += skipped * STEP;
        pending = now - last_step_time;
        steps += static_cast<long long>(std::min(skipped, static_cast<float>(HISTORY_ROWS)));
    }
    while (pending > STEP) {
        const float before = last_step_time;
        last_step_time += STEP;
        pending = now - last_step_time;
        ++steps;
        if (last_step_time == before) break; // a beat beyond float resolution
    }
    if (steps == 0) return;

    float row[BANDS];
    compute_bands(source, BANDS, row);
    float loudness = 0.0f;
    for (float value : row) loudness += value;
    raise_maximum(loudness);

    const size_t shift = static_cast<size_t>(std::min<long long>(steps, HISTORY_ROWS));
    std::copy_backward(history.begin(), history.end() - static_cast<std::ptrdiff_t>(shift * BANDS),
                       history.end());
    for (size_t r = 0; r < shift; ++r)
        std::copy(row, row + BANDS, history.begin() + static_cast<std::ptrdiff_t>(r * BANDS));
}

float SpectrumBoxes::light_level(const float* source)
{
    float low[5];
    compute_bands(source, 5, low);
    const float loudness = low[0] + low[1] + low[2] + low[3] + low[4];
    raise_maximum(loudness);
    return loudness / g_loudness_maximum;
}

void SpectrumBoxes::append_stack(std::vector<GLfloat>& quads, float value, float x)
{
    const int cubes = stack_height(value);
    float y = 0.0f;
    for (int k = 0; k < cubes; ++k) {
        const float level = static_cast<float>(k) * LEVEL_STEP;
        const GLfloat blue[4] = {level, 2.0f * level, 1.0f, 1.0f};
        Prefabs::append_cube_quads(quads, CUBE_EDGE, x, y, 0.0, k == 0 ? GREY : blue);
        y += CUBE_PITCH;
    }
}

void SpectrumBoxes::render()
{
    if (history.empty()) return; // released
    analyse_spectrum();
    const float h = now * 0.5f;
    const float a = music->get_sync_value(ANGLE_TRACK);
    const float b = 1.0f - a;

    camera.look_at(15.0f * std::sin(h) * b - 5.0f - 50.0f * a, (10.0f * std::cos(2.0f * h / 3.0f) + 35.0f) * b, b,
                   0.0f, -50.0f * b - 30.0f, -150.0f * b,
                   0.0f, 0.3f * std::sin(h) + 0.7f, 0.3f * std::cos(h) + 0.3f);
    camera.setup_projection(width, height, aspect, 1.0f);

    const float f = light_level(spectrum.data());

    const GLfloat ambient[4] = {f / 2.0f, f / 2.0f, f / 2.0f, 1.0f};
    const GLfloat lit[4] = {f, f, f, 1.0f};
    const GLfloat position[4] = {15.0f, 15.0f, 15.0f, 1.0f};
    const GLfloat direction[3] = {-1.0f, -1.0f, -1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lit);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lit);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, direction);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 85.0f);
    glLightf(GL_LIGHT0, GL_CONSTANT_ATTENUATION, 0.0f);
    glLightf(GL_LIGHT0, GL_LINEAR_ATTENUATION, 0.0f);
    glLightf(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, 0.00045f);

    draw_landscape(a);
}

void SpectrumBoxes::draw_landscape(float angle)
{
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(-17.6f, -20.0f, 0.0f);
    // Between two steps the rows glide one row further away.
    glTranslatef(0.0f, 0.0f, -CUBE_PITCH * pending / STEP);

    for (int r = -LEAD_IN_ROWS; r < HISTORY_ROWS; ++r) {
        // Both accumulate from row to row, so an angle bends the landscape.
        glRotatef(-BEND_PER_ROW * angle, 1.0f, 0.0f, 0.0f);
        glTranslatef(0.0f, 0.0f, -CUBE_PITCH);
        // A row is one draw: the cubes are placed by offsets rather than by a matrix change
        // each, which would end the batch.
        row_quads.clear();
        float x = 0.0f;
        for (int band = 0; band < BANDS; ++band) {
            if (r < 0) {
                Prefabs::append_cube_quads(row_quads, CUBE_EDGE, x, 0.0, 0.0, GREY);
            } else {
                float& value = history[static_cast<size_t>(r) * BANDS + static_cast<size_t>(band)];
                if (value < 0.0f) value = 0.0f;
                append_stack(row_quads, value, x);
            }
            x += CUBE_PITCH;
        }
        Prefabs::draw_cube_quads(row_quads);
    }
}
