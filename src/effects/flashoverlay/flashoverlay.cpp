#include "effects/flashoverlay/flashoverlay.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include "effects/effect/fullscreen.h"
#include "util/shaderprogram/shaderprogram.h"

namespace Effects {

bool FlashOverlay::alpha_at(float t, float* alpha) const
{
    for (float k : key_times) {
        if (!(k - attack <= t && t <= k + release)) continue;
        if (t == k)
            *alpha = 1.0f;
        else if (t < k)
            *alpha = (t - (k - attack)) / attack;
        else
            *alpha = (k + release - t) / release;
        return true;
    }
    return false;
}

void FlashOverlay::render(float t)
{
    float alpha = 0.0f;
    if (!alpha_at(t, &alpha)) return;
    colour.w = alpha;
    fullscreen_setup(colour);
    ShaderProgram::unbind();
    overlay_quad();
}

} // namespace Effects
