// A purple nebula sky box seen through a camera whose field of view stays near 180 degrees
// (178 + sin t), so the whole cube warps around the screen while the camera keeps turning about
// the world's vertical axis. Keys held in the key state steer it further.
#pragma once

#include "effects/skybox/skybox.h"
#include "scenes/scene/scene.h"
#include "util/camera/camera.h"

class SkyboxWeirdness : public Scene {
public:
    // The key-state bytes that steer the camera.
    enum SteerKey {
        KEY_ROLL_LEFT = 1,
        KEY_ROLL_RIGHT = 2,
        KEY_YAW_LEFT = 3,
        KEY_YAW_RIGHT = 4,
        KEY_ZOOM_IN = 79,
        KEY_ZOOM_OUT = 80,
    };

    SkyboxWeirdness();

    void init() override;
    void render() override;

    // Rolls, yaws and zooms the camera by the frame time for each steering key that is down.
    void steer_camera();

    const Camera& get_camera() const { return camera; }

private:
    Camera camera;
    Effects::SkyBox sky;
};
