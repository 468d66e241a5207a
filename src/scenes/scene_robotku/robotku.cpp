#include "scenes/scene_robotku/robotku.h"

#include <GL/glew.h>

#include "scenes/scene/picture.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderbank.h"
#include "util/texture/texture.h"

namespace {

void grey(float g) { glColor4f(g, g, g, 1.0f); }

} // namespace

RobotKu::RobotKu() = default;

RobotKu::~RobotKu()
{
    delete glow;
    delete robot;
}

void RobotKu::init()
{
    robot = load_picture("data/robotku/robot_ku.png");
    glow = load_picture("data/robotku/ku_vs_robot_glow.png");
    music->add_sync_track("rkOrgStr", 1.0f, true);
    music->add_sync_track("rkGlowStr", 1.0f, true);
}

void RobotKu::reshape(int w, int h) { Scene::reshape(w, h); }

void RobotKu::render()
{
    // Both layers add to what is there; a strength of 0 draws a layer that adds nothing.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    grey(music->get_sync_value("rkOrgStr"));
    shader_bank->bind(SHADER_SLOT_PLAIN_TEXTURE);
    robot->draw_centered(1.0f, aspect);

    // The glow's blur is the same on every frame: it is kept, and only its strength changes.
    grey(music->get_sync_value("rkGlowStr"));
    blurred_glow.draw(*shader_bank, [this] { glow->draw_centered(1.0f, aspect); });
}
