// Pictures of the later scenes: the stage, the sky box, the puzzle giraffe, the cow jokes, the
// robot cow, the announcer's strip, the flying cows, the thermometers and the credits' moon.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "pictures.h"

namespace pictures {

Canvas draw_stage();
Canvas draw_flames();
// The six faces of the nebula sky box, in the order left, right, down, up, back, front
// (-X, +X, -Y, +Y, -Z, +Z); square and equal, seamless where they meet.
std::vector<Canvas> draw_nebula_faces(int size);
Canvas draw_giraffe();
Canvas draw_blackboard(Fonts& fonts);
Canvas draw_cow_joke(Fonts& fonts, bool punch_line);
Canvas draw_robot_cow();
Canvas draw_robot_cow_glow(const Canvas& robot);
Canvas draw_announcer_strip();
Canvas draw_cloud_sky();
Canvas draw_plane();
Canvas draw_flying_cow();
Canvas draw_thermometer(Fonts& fonts, int degrees);
Canvas draw_temperature_cow(int degrees);
Canvas draw_cow_moon();

} // namespace pictures
