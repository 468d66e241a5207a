// Motionblur: the last pass of the chain. It keeps a ring of 512 x 512 copies of recent frames,
// advanced at most once per Delay beats, and adds the older copies with falling weights,
// scaled by Strength, to the current picture. Its blend program is written at run time, with
// one sampler per remembered frame.
#pragma once

#include <string>
#include <vector>

#include "effects/effect/postproc.h"

class FBO;
class ShaderProgram;

namespace Effects {

class Motionblur : public PostProc {
public:
    Motionblur();
    ~Motionblur() override;

    // (Re)builds the blend program when the frame count changed, grows the ring to it, and
    // builds the copy program once.
    void build_shaders();

    void prepare(int w, int h, float time, FBO* source) override;
    void set_uniforms(int w, int h, float time) override;

    // The frame count for a Frames value: 2 to 64, and never more samplers than the GL's
    // fragment stage offers (max_samplers). NaN and out-of-range values are clamped.
    static int frame_count(float frames, int max_samplers);

    // The generated blend program's texts for a frame count.
    static std::string blend_vertex_source();
    static std::string blend_fragment_source(int n);

    int get_frame_count() const { return frame_count_n; }
    int get_ring_index() const { return ring_index; }
    const std::vector<FBO*>& get_ring() const { return ring; }

    // The time of the last ring advance is shared by every instance, for the whole process;
    // this puts it back to 0, as the process starts.
    static void reset_state();

private:
    ShaderProgram* blend_program;
    ShaderProgram* copy_program;
    std::vector<FBO*> ring;
    int frame_count_n;
    int ring_index;
    int max_samplers;
};

} // namespace Effects
