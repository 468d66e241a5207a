#include "scenes/scene/scene.h"

#include "util/error/fatal.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/texture/texture.h"

namespace {
const char* const SOURCE = "src\\scenes\\scene";
}

void apply_gl_state(const SceneGlCaps& caps)
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLineWidth(1.0f);

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);

    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);

    // A scene may end on any texture unit (every bind leaves its unit active); the texture
    // state below belongs to unit 0.
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glDisable(GL_TEXTURE_GEN_Q);

    // Only the texture matrix is reset; modelview and projection stay as they are.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);

    glDisable(GL_SCISSOR_TEST);

    auto set = [](GLenum cap, bool on) {
        if (on)
            glEnable(cap);
        else
            glDisable(cap);
    };
    set(GL_ALPHA_TEST, caps.alpha_test);
    set(GL_BLEND, caps.blend);
    set(GL_COLOR_MATERIAL, caps.color_material);
    set(GL_CULL_FACE, caps.cull_face);
    set(GL_DEPTH_TEST, caps.depth_test);
    for (int i = 0; i < 8; ++i) set(static_cast<GLenum>(GL_LIGHT0 + i), caps.light[i]);
    set(GL_LIGHTING, caps.lighting);
    set(GL_MULTISAMPLE, caps.multisample);
    set(GL_NORMALIZE, caps.normalize);
    set(GL_TEXTURE_1D, caps.texture_1d);
    set(GL_TEXTURE_2D, caps.texture_2d);
    set(GL_TEXTURE_CUBE_MAP, caps.texture_cube_map);

    glClearDepth(caps.clear_depth);
    glColorMaterial(caps.color_material_face, caps.color_material_mode);
    glDepthFunc(caps.depth_func);
    glShadeModel(caps.shade_model);

    glBindTexture(GL_TEXTURE_1D, 0);
    for (int unit = 0; unit < 6; ++unit) Texture::unbind(unit);
    glActiveTextureARB(GL_TEXTURE0_ARB);

    const GLfloat zero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int i = 0; i < 8; ++i) {
        GLenum light = static_cast<GLenum>(GL_LIGHT0 + i);
        glLightfv(light, GL_AMBIENT, zero);
        glLightfv(light, GL_DIFFUSE, zero);
        glLightfv(light, GL_SPECULAR, zero);
        glLightfv(light, GL_POSITION, zero);
    }

    ShaderProgram::unbind();
    glDisable(GL_FRAMEBUFFER_SRGB_EXT);
}

Scene::Scene()
    : start_time(-10.0f), end_time(5000.0f), key_state(nullptr), frame_info(nullptr),
      music(nullptr), shader_bank(nullptr), fbo(nullptr), ascii_engine(nullptr),
      aspect(16.0f / 9.0f), width(0), height(0)
{
}

Scene::~Scene() = default;

void Scene::init()
{
    fatal_error_short(SOURCE, 170);
}

void Scene::render()
{
    fatal_error_short(SOURCE, 175);
}

void Scene::release() {}

void Scene::reshape(int w, int h)
{
    width = w;
    height = h;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, w, h);
    glScissor(0, 0, w, h);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Scene::begin_pixel_overlay()
{
    ShaderProgram::unbind();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, static_cast<double>(width), 0.0, static_cast<double>(height));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

float Scene::get_time()
{
    return music->get_beat() - start_time;
}

void Scene::set_time_range(float start, float end)
{
    start_time = start;
    end_time = end;
}

void Scene::set_aspect(float value) { aspect = value; }
void Scene::set_music(Music* value) { music = value; }
void Scene::set_shader_bank(ShaderBank* value) { shader_bank = value; }
void Scene::set_fbo(FBO* value) { fbo = value; }
void Scene::set_ascii_engine(AsciiEngine* value) { ascii_engine = value; }
void Scene::set_frame_info(FrameInfo* value) { frame_info = value; }

void Scene::set_key_state(unsigned char* value)
{
    key_state = value;
    input.set_key_state(value);
}

void Scene::reset_gl_state()
{
    apply_gl_state(gl_caps);
}
