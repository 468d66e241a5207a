// Shared steps of the effects that draw over the whole picture.
#pragma once

class Vector4;

namespace Effects {

// Alpha blending on, the colour set, texturing, depth test and lighting off, colour material
// on.
void fullscreen_setup(const Vector4& colour);
// The unit square under an orthographic 0..1 projection; both matrices are pushed and popped,
// and the modelview mode is current afterwards.
void fullscreen_quad();
// The unit square with both matrices replaced (identity, then the 0..1 orthographic
// projection) and left so, as the overlays draw it; the modelview mode is current afterwards.
void overlay_quad();
// Seeds the run-time's random generator with the bit pattern of a time, so that equal times
// give equal sequences.
void seed_from_time(float time);
// The vertex stage that the full-screen programs share: the quad's 0..1 coordinates go to
// texture coordinate 0, the colour passes through.
const char* fullscreen_vertex_source();

} // namespace Effects
