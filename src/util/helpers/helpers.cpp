#include "util/helpers/helpers.h"

#include <sstream>
#include <sys/stat.h>

Vector3 hsl_to_rgb(const Vector3& hsl)
{
    float h = hsl.x;
    float s = hsl.y;
    float l = hsl.z;
    if (s == 0.0f) return Vector3(l, l, l);
    float q = l < 0.5f ? l * (1.0f + s) : l + s - l * s;
    float p = 2.0f * l - q;
    return Vector3(hue_to_rgb(p, q, h + 0.33333334f), hue_to_rgb(p, q, h),
                   hue_to_rgb(p, q, h - 0.33333334f));
}

float hue_to_rgb(float p, float q, float t)
{
    if (t < 0.0f) t += 1.0f;
    if (t > 1.0f) t -= 1.0f;
    if (t < 0.16666667f) return p + (q - p) * 6.0f * t;
    if (t < 0.5f) return q;
    if (t < 0.6666667f) return p + (q - p) * (0.6666667f - t) * 6.0f;
    return p;
}

Vector3 color_from_hex(int rgb)
{
    return Vector3(static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
                   static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
                   static_cast<float>(rgb & 0xFF) / 255.0f);
}

float fade_envelope(float t, float start, float end, float fade)
{
    if (t < start - fade || t > end + fade) return 0.0f;
    if (t < start) return 1.0f - (start - t) / fade;
    if (t > end) return 1.0f - (t - end) / fade;
    return 1.0f;
}

std::string float_to_string(float v, int precision)
{
    std::ostringstream text;
    text.precision(precision);
    text << v;
    return text.str();
}

std::string int_to_string(int i)
{
    std::ostringstream text;
    text << i;
    return text.str();
}

bool file_exists(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    return !S_ISDIR(info.st_mode);
}
