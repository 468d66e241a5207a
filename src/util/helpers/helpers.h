// Small helpers shared by several parts of the show: colour conversions, the fade envelope of
// timed overlays, number-to-text conversions and the file-exists test.
#pragma once

#include <string>

#include "util/math/vector3.h"

// Hue in x, saturation in y, lightness in z (all 0..1) to red, green and blue.
Vector3 hsl_to_rgb(const Vector3& hsl);
float hue_to_rgb(float p, float q, float t);

// 0xRRGGBB to a colour with each channel in 0..1.
Vector3 color_from_hex(int rgb);

// 0 outside [start - fade, end + fade], 1 inside [start, end], linear ramps between.
float fade_envelope(float t, float start, float end, float fade);

// v with `precision` significant digits (default notation, no trailing zeros).
std::string float_to_string(float v, int precision);
std::string int_to_string(int i);

// True when the path names something that exists and is not a directory.
bool file_exists(const std::string& path);
