#include "scenes/scene_musictunnel/musictunnel.h"

#include <GL/glew.h>
#include <cmath>

#include "effects/radialblur/radialblur.h"
#include "platform/runtime/crt_random.h"
#include "util/fbo/fbo.h"
#include "util/helpers/helpers.h"
#include "util/light/light.h"
#include "util/music/music.h"
#include "util/music/notedata.h"
#include "util/objects3d/prefabs.h"
#include "util/shaderprogram/shaderbank.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

const int PALETTE[] = {0x7FCAFF, 0xA77FFF, 0xE77FFF, 0xFF7FB0, 0xFF9C7E, 0xFFD77E, 0xF3FF7E};
const int PALETTE_SIZE = sizeof PALETTE / sizeof PALETTE[0];

const TrackDefault TRACKS[] = {
    {"mtBlocky", 0.0f},          {"mtAmbient", 0.2f},          {"mtDisplaceRand", 0.001f},
    {"mtDisplaceSpace", 1.7f},   {"mtRadblurDisplace", 0.0f},  {"mtRadblurIntensity", 1.0f},
};

const float CUBE_EDGE = 0.5f;
const float UNITS_PER_BEAT = 3.0f;
const float TURNS_PER_BEAT = 2.0f; // degrees of ring rotation per beat

} // namespace

MusicTunnel::MusicTunnel() = default;

MusicTunnel::~MusicTunnel()
{
    for (FBO* buffer : buffers)
        delete buffer;
    delete light;
    delete blur;
}

Vector3 MusicTunnel::palette_colour(int position)
{
    return color_from_hex(PALETTE[position % PALETTE_SIZE]);
}

std::uint32_t MusicTunnel::ring_seed(int ring)
{
    // The rings of the show pass 1290, whose cube no longer fits a signed 32-bit int.
    const std::uint32_t r = static_cast<std::uint32_t>(ring);
    return r * r * r;
}

std::vector<MusicTunnel::RingCube> MusicTunnel::layout_ring(int ring, int track_count,
                                                            float displace_rand,
                                                            float displace_space)
{
    crt_srand(ring_seed(ring));
    std::vector<int> remaining;
    for (int i = 0; i < track_count; ++i)
        remaining.push_back(i);
    std::vector<int> order;
    while (!remaining.empty()) {
        const int pick = crt_rand() % static_cast<int>(remaining.size());
        order.push_back(remaining[static_cast<size_t>(pick)]);
        remaining[static_cast<size_t>(pick)] = remaining.back();
        remaining.pop_back();
    }
    std::vector<RingCube> cubes;
    for (int track : order) {
        RingCube cube;
        cube.track = track;
        cube.dz = static_cast<float>(crt_rand() % 256) * displace_rand;
        cube.dy = static_cast<float>(crt_rand() % 256) * displace_rand;
        cube.dx = static_cast<float>(crt_rand() % 256) * displace_rand + displace_space;
        cubes.push_back(cube);
    }
    return cubes;
}

float MusicTunnel::ring_brightness(int ring, const std::vector<std::uint8_t>& pitches,
                                   const std::vector<float>& levels, float ambient)
{
    const int pitch_class = ((ring % 12) + 12) % 12;
    float brightness = ambient;
    for (std::size_t k = 0; k < pitches.size() && k < levels.size(); ++k) {
        if (pitches[k] % 12 == pitch_class) brightness = (1.0f - ambient) * levels[k] + ambient;
    }
    return brightness;
}

float MusicTunnel::block_scale(float blocky)
{
    const float base = 1.0f - 0.85f * blocky;
    return base * base * base;
}

bool MusicTunnel::pixelation_is_copy(float blocks_x, float blocks_y, const FBO& tunnel)
{
    return blocks_x == static_cast<float>(tunnel.get_width()) &&
           blocks_y == static_cast<float>(tunnel.get_height());
}

void MusicTunnel::init()
{
    const int count = music->get_track_count();
    for (int i = 0; i < count; ++i) {
        TrackRecord record;
        record.name = music->get_track_name(i);
        record.colour = palette_colour(i);
        tracks.push_back(record);
    }
    for (TrackRecord& record : tracks) {
        record.index = music->find_track(record.name.c_str());
        for (const NoteTrack& note_track : music->get_note_tracks(record.index))
            record.pitches.push_back(note_track.note);
        record.levels.assign(record.pitches.size(), 0.0f);
    }
    add_sync_tracks(TRACKS);
    for (int i = 0; i < 2; ++i)
        buffers.push_back(new FBO(BUFFER_SIZE, BUFFER_SIZE, FBO_TYPE_COLOR));
    blur = new Effects::RadialBlur();
    light = new Light();
}

void MusicTunnel::reshape(int w, int h)
{
    Scene::reshape(w, h);
    for (FBO* buffer : buffers)
        buffer->resize(w, h);
}

void MusicTunnel::render()
{
    const float beat = music->get_beat();
    const float s = get_time();
    const float z = UNITS_PER_BEAT * s;

    camera.look_at(-0.5f, 0.5f, z - 10.0f, 0.5f, 0.0f, z, 0.0f, 1.0f, 0.0f);
    camera.set_fov(65.0f);
    camera.setup_projection(width, height, aspect, 1.0f);

    light->set_ambient(0.1f, 0.1f, 0.1f, 1.0f);
    light->set_diffuse(1.0f, 1.0f, 1.0f, 1.0f);
    light->set_attenuation(1.0f, 0.0001f, 0.0f);
    light->set_position(3.0f, 6.0f, z - 12.0f);
    light->apply(0);

    shader_bank->bind(SHADER_SLOT_SINGLE_DIFFUSE_VERTEX_COLOUR);
    const float rotation = TURNS_PER_BEAT * s;
    for (TrackRecord& record : tracks)
        record.levels = music->get_modulation(record.index, beat);

    buffers[0]->push(true);
    const int first = static_cast<int>(z) - 10;
    for (int ring = first; ring < first + RING_COUNT; ++ring)
        draw_ring(rotation, ring);
    buffers[0]->pop();

    // Pixelation into the second buffer, which then fills the scene's target.
    shader_bank->bind(SHADER_SLOT_PIXELATE);
    const float k = block_scale(music->get_sync_value("mtBlocky"));
    const float blocks_x = static_cast<float>(width) * k, blocks_y = static_cast<float>(height) * k;
    shader_bank->get_shader(SHADER_SLOT_PIXELATE)->set_uniform_2f("blocks", blocks_x, blocks_y);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    FBO* pixelated = buffers[0];
    if (!pixelation_is_copy(blocks_x, blocks_y, *buffers[0])) {
        pixelated = buffers[1];
        pixelated->push(true);
        buffers[0]->draw();
        pixelated->pop();
    }
    ShaderProgram::unbind();
    show_picture(*pixelated);

    const float displace = music->get_sync_value("mtRadblurDisplace");
    blur->set_texture(pixelated->get_texture(0));
    blur->set_origin(0.5f + displace * std::sin(beat), 0.5f + displace * std::cos(beat));
    blur->set_intensity(music->get_sync_value("mtRadblurIntensity"));
    blur->render(beat);
}

bool MusicTunnel::quad_copies_texels(const FBO& picture)
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] != picture.get_width() || viewport[3] != picture.get_height()) return false;
    // Any of these would make the textured quad differ from the texels themselves.
    const GLenum changing[] = {GL_BLEND, GL_ALPHA_TEST, GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_FOG,
                               GL_COLOR_LOGIC_OP};
    for (GLenum cap : changing) {
        if (glIsEnabled(cap)) return false;
    }
    GLboolean mask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    GLfloat colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    GLint env_mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env_mode);
    return mask[0] && mask[1] && mask[2] && mask[3] && colour[0] == 1.0f && colour[1] == 1.0f &&
           colour[2] == 1.0f && colour[3] == 1.0f &&
           (env_mode == GL_MODULATE || env_mode == GL_REPLACE);
}

void MusicTunnel::show_picture(FBO& picture)
{
    // Drawn at its own size, unblended and untinted, the quad puts every texel on its own pixel:
    // copying the texels gives that picture without running a fragment for each pixel.
    if (!quad_copies_texels(picture)) {
        picture.draw();
        return;
    }
    GLint read_target = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_target);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, picture.get_id());
    glBlitFramebufferEXT(0, 0, picture.get_width(), picture.get_height(), viewport[0], viewport[1],
                         viewport[0] + viewport[2], viewport[1] + viewport[3], GL_COLOR_BUFFER_BIT,
                         GL_NEAREST);
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, static_cast<GLuint>(read_target));
}

void MusicTunnel::draw_ring(float rotation, int ring)
{
    const int n = static_cast<int>(tracks.size());
    const std::vector<RingCube> cubes = layout_ring(ring, n, music->get_sync_value("mtDisplaceRand"),
                                                    music->get_sync_value("mtDisplaceSpace"));
    const float ambient = music->get_sync_value("mtAmbient");
    const float step = 360.0f / static_cast<float>(n);
    for (int j = 0; j < n; ++j) {
        const RingCube& cube = cubes[static_cast<size_t>(j)];
        const TrackRecord& record = tracks[static_cast<size_t>(cube.track)];
        glPushMatrix();
        glRotatef(step * static_cast<float>(j) + rotation, 0.0f, 0.0f, 1.0f);
        glTranslatef(cube.dx, cube.dy, cube.dz);
        glTranslatef(0.0f, 0.0f, static_cast<float>(ring));
        const float brightness = ring_brightness(ring, record.pitches, record.levels, ambient);
        glColor4f(record.colour.x * brightness, record.colour.y * brightness,
                  record.colour.z * brightness, 1.0f);
        Prefabs::draw_cube(CUBE_EDGE, false);
        glPopMatrix();
    }
}
