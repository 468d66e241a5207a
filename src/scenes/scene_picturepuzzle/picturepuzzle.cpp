#include "scenes/scene_picturepuzzle/picturepuzzle.h"

#include <GL/glew.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "scenes/scene_picturepuzzle/puzzleglow.h"
#include "scenes/scene_picturepuzzle/puzzlepicture.h"
#include "util/camera/camera.h"
#include "util/fbo/fbo.h"
#include "util/light/light.h"
#include "util/music/music.h"
#include "util/objects3d/material.h"
#include "util/objects3d/mesh.h"
#include "util/objects3d/node3d.h"
#include "util/objects3d/prefabs.h"
#include "util/shaderprogram/shaderbank.h"

namespace {

const char* const PICTURE_FILE = "data/picturepuzzle/giraff.png";
const char* const BOARD_FILE = "data/picturepuzzle/tavle_bg.png";
const float LIGHT_RANGE = 20.0f;

} // namespace

PicturePuzzle::PicturePuzzle() = default;

PicturePuzzle::~PicturePuzzle()
{
    std::free(pixels);
    delete board_texture;
    for (Material* material : materials)
        delete material;
    delete board_mesh;
    delete cube_mesh;
    delete light;
    delete camera;
}

void PicturePuzzle::init()
{
    music->add_sync_track("puProgress", 0.0f, true);
    music->add_sync_track("puInterval", 0.125f, true);

    picture.load(PICTURE_FILE, Texture::NO_MIPMAPS, Texture::CLAMP_TO_EDGE, GL_NEAREST, GL_NEAREST);
    picture_width = static_cast<int>(picture.get_width());
    picture_height = static_cast<int>(picture.get_height());
    pixels = picture.read_pixels();

    scene.set_shaders(*shader_bank);
    light = new Light();
    light->set_attenuation_range(LIGHT_RANGE);
    light->set_range(LIGHT_RANGE);
    scene.lights.push_back(light);
    camera = new Camera();
    scene.cameras.push_back(camera);
    scene.set_camera(0);

    beeps = music->get_onoff_times("Rave beeper");

    cube_mesh = Prefabs::cube_mesh(CUBE_SIZE, false);
    for (const PuzzleCube& cube : find_puzzle_cubes(pixels, picture_width, picture_height)) {
        Material* material = new Material();
        material->shininess = 12.5f;
        material->emission.set(0.0f, 0.0f, 0.0f, 1.0f);
        material->specular.set(0.5f, 0.5f, 0.5f, 1.0f);
        material->diffuse.set(cube.r, cube.g, cube.b, 1.0f);
        material->ambient.set(cube.r / 2.0f, cube.g / 2.0f, cube.b / 2.0f, 1.0f);
        materials.push_back(material);
        cube_nodes.push_back(scene.add_node(scene.add_geom_object(cube_mesh, material), nullptr));
        targets.push_back(cube.target);
    }

    board_mesh = Prefabs::plane_mesh(50.0f, 50.0f, 10.0f);
    board_texture = new Texture(BOARD_FILE);
    Material* board_material = new Material();
    board_material->texture = board_texture;
    materials.push_back(board_material);
    scene.add_node(scene.add_geom_object(board_mesh, board_material), nullptr);

    grid_size = puzzle_grid_size(picture_width, picture_height);
    plan = plan_puzzle_moves(scatter_puzzle_cubes(targets.size(), grid_size), targets, grid_size);

    // One render makes every object's buffers before the first frame.
    fbo->push(true);
    scene.render(false);
    fbo->pop();
}

void PicturePuzzle::release()
{
    std::free(pixels);
    pixels = nullptr;
}

void PicturePuzzle::reshape(int w, int h)
{
    Scene::reshape(w, h);
    scene.set_viewport(w, h, aspect);
}

void PicturePuzzle::render()
{
    const float t = music->get_beat();
    const float progress = music->get_sync_value("puProgress");
    // Not a number counts as below zero: nothing of the scene is drawn.
    if (!(progress >= 0.0f)) return;

    camera->look_at(10.0f * std::cos(0.1f * t), 10.0f, 10.0f * std::sin(0.1f * t), 0.0f, 0.0f,
                    0.0f, 0.0f, 1.0f, 0.0f);
    light->set_position(10.0f * std::cos(0.42f * t), 10.0f, 10.0f * std::sin(0.42f * t));

    place_cubes(progress);
    scene.render(false);
    draw_glow(t);
}

void PicturePuzzle::place_cubes(float progress)
{
    const float spacing = 1.2f * CUBE_SIZE;
    const float cx = static_cast<float>(picture_width) * spacing * 0.5f;
    const float cz = static_cast<float>(picture_height) * spacing * 0.5f;
    for (size_t i = 0; i < cube_nodes.size(); ++i) {
        float x, y, z;
        puzzle_cell_at(plan, i, progress, x, y, z);
        Matrix4& transform = cube_nodes[i]->transform;
        transform.set_identity();
        transform.translate(cx - spacing * x, spacing * y + spacing, spacing * z - cz);
    }
}

// The glowing cubes are drawn white into the shared frame buffer, which is then added over
// the picture through the blur, scaled by the glow's strength. The blur is the scene's most
// costly step (25 filtered reads a pixel) and adds black wherever no glow can reach: it runs
// only over the part of the picture the glowing cubes can reach, and not at all where no cube
// glows or the glow has faded out.
void PicturePuzzle::draw_glow(float beat)
{
    const PuzzleGlow glow = select_puzzle_glow(beeps, beat, cube_nodes.size());
    glow_box = GlowBox();

    // Drawn over a target of its own size, the blur reads the glow at one texel a pixel, from
    // the full level alone: there a filter without mipmaps gives the picture of the buffer's
    // trilinear anisotropic one at less cost, and the buffer's own filter comes back once the
    // blur has run.
    GLint target_size[4];
    glGetIntegerv(GL_VIEWPORT, target_size);
    const bool one_texel_a_pixel = target_size[2] == fbo->get_width() && target_size[3] == fbo->get_height();
    GLint own_min_filter = GL_LINEAR;
    bool own_filter_set_aside = false;
    if (!glow.cubes.empty() && glow.intensity > 0.0f) {
        fbo->push(true);
        shader_bank->bind(SHADER_SLOT_FIXED_FUNCTION);
        camera->setup_projection(width, height, aspect, 1.0f);
        GLint glow_viewport[4];
        GLfloat projection[16], view[16];
        glGetIntegerv(GL_VIEWPORT, glow_viewport);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, view);
        GlowBounds bounds;
        for (size_t cube : glow.cubes) {
            glPushMatrix();
            glMultMatrixf(cube_nodes[cube]->transform.get_ptr());
            Prefabs::draw_cube(CUBE_SIZE, false);
            Prefabs::draw_cube(CUBE_SIZE, false);
            glPopMatrix();
            extend_glow_bounds(bounds, projection, view, cube_nodes[cube]->transform.get_ptr(), CUBE_SIZE);
        }
        if (one_texel_a_pixel) {
            // Popping binds the buffer's texture on unit 0 all the same.
            fbo->bind_texture(0, 0);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &own_min_filter);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            own_filter_set_aside = true;
        }
        fbo->pop();

        GLint target_viewport[4];
        glGetIntegerv(GL_VIEWPORT, target_viewport);
        glow_box = glow_reach(bounds, glow_viewport, fbo->get_width(), fbo->get_height(), target_viewport);
    }

    // The same state follows as after a blur over the whole picture.
    glColor4f(glow.intensity, glow.intensity, glow.intensity, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    shader_bank->bind(SHADER_SLOT_BLUR);
    if (glow_box.width > 0 && glow_box.height > 0) draw_blurred_glow();
    if (own_filter_set_aside) {
        // Where the texture is bound afterwards, as after the blur or the pop.
        fbo->bind_texture(0, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, own_min_filter);
    }
}

void PicturePuzzle::draw_blurred_glow()
{
    glPushAttrib(GL_SCISSOR_BIT);
    GlowBox box = glow_box;
    if (glIsEnabled(GL_SCISSOR_TEST)) {
        // Only ever narrower than a scissor box set by the caller.
        GLint outer[4];
        glGetIntegerv(GL_SCISSOR_BOX, outer);
        const int x0 = std::max(box.x, outer[0]), y0 = std::max(box.y, outer[1]);
        const int x1 = std::min(box.x + box.width, outer[0] + outer[2]);
        const int y1 = std::min(box.y + box.height, outer[1] + outer[3]);
        box = {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(box.x, box.y, box.width, box.height);
    fbo->draw();
    glPopAttrib();
}
