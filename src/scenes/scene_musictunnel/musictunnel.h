// The camera flies along +z through a tunnel of rings. Each ring holds one small cube per
// instrument track of the music, in an order around the ring drawn from the ring's own seed,
// and a cube lights up in its track's colour while a note of that track whose pitch class is
// the ring's index modulo 12 sounds. The tunnel is drawn into a buffer, pixelated into a
// second one, and shown with an additive radial blur on top whose centre circles the middle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scenes/scene/scene.h"
#include "util/camera/camera.h"
#include "util/math/vector3.h"

class FBO;
class Light;

namespace Effects {
class RadialBlur;
}

class MusicTunnel : public Scene {
public:
    // One instrument track of the music and what its cubes show.
    struct TrackRecord {
        std::string name;
        Vector3 colour;
        int index = -1;
        std::vector<std::uint8_t> pitches; // one per note track
        std::vector<float> levels;         // one per note track, refreshed every frame
    };

    // One cube of a ring: the record it shows and its offset from the ring's radius.
    struct RingCube {
        int track;
        float dx, dy, dz;
    };

    static constexpr int RING_COUNT = 260;
    static constexpr int BUFFER_SIZE = 512;

    MusicTunnel();
    ~MusicTunnel() override;

    MusicTunnel(const MusicTunnel&) = delete;
    MusicTunnel& operator=(const MusicTunnel&) = delete;

    void init() override;
    void render() override;
    void reshape(int w, int h) override;

    void draw_ring(float rotation, int ring);

    // The cubes of one ring in their places around it: the run-time generator seeded with
    // ring cubed (wrapping in 32 bits), a shuffle of the record positions, then per place the
    // draws of dz, dy and dx. Leaves the generator where the last draw left it.
    static std::vector<RingCube> layout_ring(int ring, int track_count, float displace_rand,
                                             float displace_space);
    // The seed of a ring: ring cubed in unsigned 32-bit arithmetic, so any ring is defined.
    static std::uint32_t ring_seed(int ring);
    // How bright a cube of that record is on that ring: the ambient level, or, for the last
    // note track whose pitch class is the ring's, its level lifted over the ambient.
    static float ring_brightness(int ring, const std::vector<std::uint8_t>& pitches,
                                 const std::vector<float>& levels, float ambient);
    // The share of the scene's size that the pixelation keeps as blocks: (1 - 0.85 b)^3.
    static float block_scale(float blocky);
    // Whether pixelating the tunnel into blocks of that many cells comes out as the tunnel
    // itself: one cell a texel, each shown at its centre. The copy is then left out and the
    // tunnel shown and blurred as it is.
    static bool pixelation_is_copy(float blocks_x, float blocks_y, const FBO& tunnel);
    // Whether drawing the picture as the full-screen textured quad in the current GL state puts
    // each texel unchanged on one pixel: the viewport has the picture's size, nothing blends,
    // tests, fogs or masks the quad, and the colour is opaque white.
    static bool quad_copies_texels(const FBO& picture);
    // Shows the picture in the bound target as the textured quad would: copied texel for texel
    // where that comes out the same, else drawn.
    static void show_picture(FBO& picture);
    // Palette colour of the record at that position.
    static Vector3 palette_colour(int position);

    const std::vector<TrackRecord>& get_tracks() const { return tracks; }
    FBO* get_buffer(int index) const { return buffers[static_cast<size_t>(index)]; }

private:
    std::vector<TrackRecord> tracks;
    Effects::RadialBlur* blur = nullptr;
    Light* light = nullptr;
    Camera camera;
    std::vector<FBO*> buffers;
};
