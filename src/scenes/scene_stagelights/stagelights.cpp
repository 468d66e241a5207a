#include "scenes/scene_stagelights/stagelights.h"

#include <GL/glew.h>
#include <cmath>

#include "effects/firesl/firesl.h"
#include "util/fbo/fbo.h"
#include "util/helpers/helpers.h"
#include "util/math/vector4.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace {

struct TrackDefault {
    const char* name;
    float value;
};

// Shown in the tracker; the scene itself reads none of them.
const TrackDefault TRACKS[] = {
    {"slColor0", 1.0f},    {"slColor1", 0.25f}, {"slColor2", 0.75f},
    {"slColor3", 0.5f},    {"slLuminance", 0.5f}, {"slTrack0", -1.0f},
    {"slTrack1", -1.0f},   {"slTrack2", -1.0f}, {"slTrack3", -1.0f},
};

struct BeamGroup {
    const char* instrument;
    Vector3 origin;
    float spread;
    float width;
    Vector3 hsl;
};

const BeamGroup GROUPS[StageLights::GROUP_COUNT] = {
    {"Rave beeper", Vector3(0.1f, 2.5f, 0.0f), 1.8f, 0.05f, Vector3(0.5f, 1.0f, 0.5f)},
    {"Sub", Vector3(0.1f, 1.5f, 0.0f), 1.8f, 0.5f, Vector3(0.2f, 1.0f, 0.5f)},
    {"Sirene", Vector3(-1.0f, 1.0f, 0.0f), 1.2f, 0.5f, Vector3(1.0f, 1.0f, 0.5f)},
};

const float BEAM_DEPTH = -20.0f;

// The beams are drawn over the picture at their own size, so only the full level is ever
// read: a filter without mipmaps gives the same picture as the buffer's trilinear anisotropic
// one at less cost.
void sample_full_level_only(FBO* buffer)
{
    buffer->bind_texture(0, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}

} // namespace

bool StageLights::smoke_is_shrunk(int w, int h)
{
    return w < Effects::Fire::BUFFER_SIZE || h < Effects::Fire::BUFFER_SIZE;
}

// The feedback reads each smoke buffer at its own size, and the picture stretches it over the
// scene: while the scene is at least as large as a buffer both ways no read shrinks it, the
// levels below the full one are never sampled, and the trilinear anisotropic filter would be
// a costlier way to the same picture at each read. A smaller scene shrinks the smoke, and its
// buffers get their mipmap filter back; their levels are those of the latest pop.
void StageLights::choose_smoke_filter(int w, int h)
{
    smoke_shrunk = smoke_is_shrunk(w, h);
    for (int i = 0; i < 2; ++i) {
        smoke->get_buffer(i)->bind_texture(0, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                        smoke_shrunk ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    }
}

StageLights::StageLights() = default;

StageLights::~StageLights()
{
    delete program;
    delete stage;
    delete lights_buffer;
    delete smoke;
}

void StageLights::init()
{
    smoke = new Effects::Fire();
    smoke->set_mode(Effects::Fire::MODE_SMOKE);
    choose_smoke_filter(width, height);
    lights_buffer = new FBO(BUFFER_SIZE, BUFFER_SIZE, FBO_TYPE_FLOAT);
    sample_full_level_only(lights_buffer);
    stage = new Texture("data/common/images/stage_mod.jpg", Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE);
    program = new ShaderProgram("data/scenes/stagelights/stagelights.vert",
                                "data/scenes/stagelights/stagelights.frag", true);
    for (const TrackDefault& track : TRACKS)
        music->add_sync_track(track.name, track.value, true);
}

void StageLights::reshape(int w, int h)
{
    Scene::reshape(w, h);
    lights_buffer->resize(w, h);
    sample_full_level_only(lights_buffer);
    if (smoke_is_shrunk(w, h) != smoke_shrunk) choose_smoke_filter(w, h);
}

Vector3 StageLights::beam_target(int group, float t)
{
    switch (group) {
    case 0: return Vector3(1.6f * std::sin(0.31f * t), 0.7f * std::cos(0.46f * t + 1.0f) - 3.5f, BEAM_DEPTH);
    case 1: return Vector3(1.6f * std::sin(0.11f * t), 0.7f * std::cos(0.26f * t + 1.0f) - 3.5f, BEAM_DEPTH);
    default: return Vector3(std::cos(0.21f * t) + 3.0f, 1.1f * std::cos(0.36f * t) - 1.0f, BEAM_DEPTH);
    }
}

std::vector<float> StageLights::beam_positions(float target_x, float spread, int n)
{
    std::vector<float> xs;
    if (n <= 0) return xs;
    const float step = 2.0f * spread / static_cast<float>(n);
    for (int i = 0; i < n; ++i)
        xs.push_back(target_x - spread + step * static_cast<float>(i));
    return xs;
}

void StageLights::render()
{
    const float t = music->get_beat();

    // The smoke's new picture is read where the feedback left it. Copied into a buffer of the
    // scene's size, untinted and opaque, it would hold the very values the program reads from
    // it here, at the cost of a clear and a pass over two full-size float pictures.
    smoke->step(t);

    lights_buffer->push(true);
    draw_lights();
    lights_buffer->pop();

    program->bind();
    program->set_uniform_1i("texSmoke", 0);
    program->set_uniform_1i("texLasers", 1);
    program->set_uniform_1i("texStage", 2);
    stage->bind(2);
    lights_buffer->bind_texture(0, 1);
    smoke->get_buffer(smoke->get_current())->draw();
    Texture::unbind(2);
    Texture::unbind(1);
    Texture::unbind(0);
}

void StageLights::draw_lights()
{
    const float t = music->get_beat();
    camera.look_at(0.0f, 0.0f, -10.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    camera.set_znear_zfar(0.0001f, 10.0f);
    camera.setup_projection(width, height, aspect, 1.0f);

    ShaderProgram::unbind();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);

    if (track_indices[0] == -1) {
        for (int g = 0; g < GROUP_COUNT; ++g)
            track_indices[g] = music->find_track(GROUPS[g].instrument);
    }
    std::vector<bool> flags[GROUP_COUNT];
    for (int g = 0; g < GROUP_COUNT; ++g)
        flags[g] = music->get_note_states(track_indices[g]);
    for (int g = 0; g < GROUP_COUNT; ++g) {
        const BeamGroup& group = GROUPS[g];
        draw_beam(group.origin, beam_target(g, t), group.spread, group.width, hsl_to_rgb(group.hsl),
                  1.0f, flags[g]);
    }
}

void StageLights::draw_beam(const Vector3& origin, const Vector3& target, float spread, float width,
                            const Vector3& colour, float alpha, const std::vector<bool>& flags)
{
    const Vector4 near_colour(colour * alpha, 0.0f);
    const Vector4 far_colour(colour * alpha, 1.0f);
    const std::vector<float> xs = beam_positions(target.x, spread, static_cast<int>(flags.size()));
    glBegin(GL_TRIANGLES);
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (!flags[i]) continue;
        glColor4fv(near_colour.get_ptr());
        glVertex3f(origin.x, origin.y, origin.z);
        glColor4fv(far_colour.get_ptr());
        glVertex3f(xs[i] - width / 2.0f, target.y, target.z);
        glVertex3f(xs[i] + width / 2.0f, target.y, target.z);
    }
    glEnd();
}
