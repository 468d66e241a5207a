#include "scenes/scene_skyboxweirdness/skyboxweirdness.h"

#include <GL/glew.h>
#include <cmath>

#include "util/frametimer/frametimer.h"
#include "util/music/music.h"

namespace {

const float SKY_SIZE = 100.0f;
const char* const SKY_BASE = "data/effects/skybox/spacescape_purple_nebula_complex/purple_nebula_complex_";

// Degrees a second for roll and yaw, and for the zoom keys.
const float TURN_SPEED = 200.0f;
const float ZOOM_SPEED = 60.0f;

} // namespace

SkyboxWeirdness::SkyboxWeirdness() = default;

void SkyboxWeirdness::init()
{
    sky.init(Vector3(0.0f, 0.0f, 0.0f), SKY_SIZE, SKY_BASE, "png");
    const float eye = 0.75f * SKY_SIZE;
    camera.look_at(eye, -eye, eye, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    camera.set_depth_range(2.0f * SKY_SIZE);
    camera.set_fov(179.0f);
}

void SkyboxWeirdness::steer_camera()
{
    if (key_state == nullptr) return;
    const float dt = FrameTimer::frame_delta();
    if (key_state[KEY_ROLL_LEFT]) camera.roll(-TURN_SPEED * dt);
    if (key_state[KEY_ROLL_RIGHT]) camera.roll(TURN_SPEED * dt);
    if (key_state[KEY_YAW_LEFT]) camera.yaw(-TURN_SPEED * dt);
    if (key_state[KEY_YAW_RIGHT]) camera.yaw(TURN_SPEED * dt);
    if (key_state[KEY_ZOOM_IN]) camera.zoom(-ZOOM_SPEED * dt);
    if (key_state[KEY_ZOOM_OUT]) camera.zoom(ZOOM_SPEED * dt);
}

void SkyboxWeirdness::render()
{
    const float t = music->get_beat();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);

    steer_camera();
    camera.set_fov(178.0f + std::sin(t));
    camera.yaw(TURN_SPEED * FrameTimer::frame_delta());

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    camera.setup_projection(width, height, aspect, 1.0f);
    sky.render(t);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}
