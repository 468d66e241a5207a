// The robot cow: its picture with a blurred glow picture added over it, each at a grey level
// from its own sync track, so the glow can pump with the music while the robot fades in.
#pragma once

#include "scenes/scene/blurredlayer.h"
#include "scenes/scene/scene.h"

class Texture;

class RobotKu : public Scene {
public:
    RobotKu();
    ~RobotKu() override;

    RobotKu(const RobotKu&) = delete;
    RobotKu& operator=(const RobotKu&) = delete;

    void init() override;
    void render() override;

private:
    Texture* robot = nullptr;
    Texture* glow = nullptr; // the robot's lights, blurred; the same aspect as the robot
    BlurredLayer blurred_glow;
};
