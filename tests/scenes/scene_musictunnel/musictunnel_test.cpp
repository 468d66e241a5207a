#include "scenes/scene_musictunnel/musictunnel.h"

#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/runtime/crt_random.h"
#include "support/flat_scene_fixture.h"
#include "util/fbo/fbo.h"
#include "util/helpers/helpers.h"
#include "scenes/note_tracks.h"

namespace {

const std::vector<std::string> TRACKS = {"mtBlocky",          "mtAmbient",         "mtDisplaceRand",
                                         "mtDisplaceSpace",   "mtRadblurDisplace", "mtRadblurIntensity"};

std::vector<int> order_of(const std::vector<MusicTunnel::RingCube>& cubes)
{
    std::vector<int> order;
    for (const MusicTunnel::RingCube& cube : cubes)
        order.push_back(cube.track);
    return order;
}

// Eight instrument tracks; only the first ("Lead", C5) sounds over beats 1 to 2, the others
// hold one note each much later.
std::string eight_tracks()
{
    const char* names[] = {"Lead", "Bass", "Pad", "Kick", "Snare", "Hats", "Arp", "Sirene"};
    std::vector<std::string> tracks = {fixtures::held_notes_track(names[0], 0, {{60, 1, 2}})};
    for (int i = 1; i < 8; ++i)
        tracks.push_back(fixtures::held_notes_track(names[i], i, {{61 + i, 40, 41}}));
    return fixtures::held_notes_file(tracks);
}

class MusicTunnelTest : public FlatSceneTest {
protected:
    void start_scene(const std::map<std::string, float>& values = {})
    {
        notes_midi = eight_tracks();
        start(new MusicTunnel(), TRACKS, values);
    }
    MusicTunnel& tunnel() { return *static_cast<MusicTunnel*>(scene.get()); }
};

} // namespace

TEST(MusicTunnelRings, EachRingIsLaidOutFromItsOwnSeed)
{
    const struct {
        int ring;
        std::vector<int> order;
    } cases[] = {
        {1, {1, 2, 0, 3}},
        {0, {2, 0, 3, 1}},
    };
    for (const auto& c : cases) {
        crt_srand(777); // whatever came before does not matter
        crt_rand();
        EXPECT_EQ(order_of(MusicTunnel::layout_ring(c.ring, 4, 0.001f, 1.7f)), c.order) << c.ring;
    }
    const std::vector<MusicTunnel::RingCube> ring1 = MusicTunnel::layout_ring(1, 4, 0.001f, 1.7f);
    EXPECT_NEAR(ring1[0].dz, 0.225f, 1e-6f);
    EXPECT_NEAR(ring1[0].dy, 0.108f, 1e-6f);
    EXPECT_NEAR(ring1[0].dx, 1.914f, 1e-6f);
    for (const MusicTunnel::RingCube& cube : ring1) {
        EXPECT_GE(cube.dx, 1.7f);
        EXPECT_LT(cube.dx, 1.7f + 0.256f);
    }
    EXPECT_TRUE(MusicTunnel::layout_ring(5, 0, 0.001f, 1.7f).empty());
}

TEST(MusicTunnelRings, RingsPastTheSignedCubeRangeKeepTheirLayout)
{
    // From ring 1291 on the cube no longer fits a signed 32-bit int; the seed wraps modulo
    // 2^32 as a signed product would on the machine, and negative rings wrap the same way.
    const struct {
        int ring;
        std::uint32_t seed;
    } cases[] = {
        {1290, 2146689000u},  {1291, 2151685171u},          {1522, 3525688648u},
        {-10, 4294966296u},   {INT_MAX, 2147483647u},       {INT_MIN, 0u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MusicTunnel::ring_seed(c.ring), c.seed) << c.ring;
        const std::vector<MusicTunnel::RingCube> first = MusicTunnel::layout_ring(c.ring, 8, 0.004f, 1.7f);
        const std::vector<MusicTunnel::RingCube> again = MusicTunnel::layout_ring(c.ring, 8, 0.004f, 1.7f);
        std::vector<int> sorted = order_of(first);
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7})) << c.ring;
        EXPECT_EQ(order_of(first), order_of(again)) << c.ring;
        for (size_t i = 0; i < first.size(); ++i)
            EXPECT_EQ(first[i].dx, again[i].dx) << c.ring;
    }
}

TEST(MusicTunnelRings, ACubeLightsOnTheRingsOfItsPitchClass)
{
    const std::vector<std::uint8_t> c5 = {60};
    const std::vector<std::uint8_t> three = {60, 72, 64}; // C, C, E
    const struct {
        int ring;
        const std::vector<std::uint8_t>* pitches;
        std::vector<float> levels;
        float want;
    } cases[] = {
        {12, &c5, {1.0f}, 1.0f},
        {12, &c5, {0.5f}, 0.6f},
        {13, &c5, {1.0f}, 0.2f},
        {0, &c5, {1.0f}, 1.0f},
        {-12, &c5, {1.0f}, 1.0f},    // negative rings count their class from 0 too
        {-8, &three, {0.0f, 0.0f, 0.5f}, 0.6f}, // -8 is class 4: E
        {24, &three, {1.0f, 0.25f, 1.0f}, 0.4f}, // the last matching note track wins
        {12, &c5, {}, 0.2f},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(MusicTunnel::ring_brightness(c.ring, *c.pitches, c.levels, 0.2f), c.want, 1e-6f)
            << "ring " << c.ring;
}

TEST(MusicTunnelRings, BlockinessShrinksTheBlocksToTheCubeOfTheRest)
{
    EXPECT_FLOAT_EQ(MusicTunnel::block_scale(0.0f), 1.0f);
    EXPECT_NEAR(MusicTunnel::block_scale(1.0f), 0.003375f, 1e-7f);
    EXPECT_NEAR(MusicTunnel::block_scale(0.5f), 0.190109f, 1e-6f);
}

TEST_F(MusicTunnelTest, BuildsARecordPerInstrumentTrackAndItsTracks)
{
    start_scene();
    const float defaults[] = {0.0f, 0.2f, 0.001f, 1.7f, 0.0f, 1.0f};
    ASSERT_EQ(music->sync_tracks.size(), TRACKS.size());
    for (size_t i = 0; i < TRACKS.size(); ++i) {
        EXPECT_EQ(music->sync_tracks[i].name, TRACKS[i]);
        EXPECT_EQ(music->get_sync_value(TRACKS[i]), defaults[i]) << TRACKS[i];
    }
    const std::vector<MusicTunnel::TrackRecord>& records = tunnel().get_tracks();
    ASSERT_EQ(records.size(), 8u);
    const int palette[] = {0x7FCAFF, 0xA77FFF, 0xE77FFF, 0xFF7FB0, 0xFF9C7E, 0xFFD77E, 0xF3FF7E, 0x7FCAFF};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].name, music->get_track_name(i));
        EXPECT_EQ(records[i].index, i);
        const Vector3 want = color_from_hex(palette[i]);
        EXPECT_FLOAT_EQ(records[i].colour.x, want.x);
        EXPECT_FLOAT_EQ(records[i].colour.y, want.y);
        EXPECT_FLOAT_EQ(records[i].colour.z, want.z);
        EXPECT_EQ(records[i].pitches, std::vector<std::uint8_t>{static_cast<std::uint8_t>(i == 0 ? 60 : 61 + i)});
    }
}

TEST_F(MusicTunnelTest, ASoundingNoteLightsItsTracksCubesInTheTracksColour)
{
    start_scene({{"mtAmbient", 0.0f}});
    frame(0.5f);
    EXPECT_EQ(tunnel().get_tracks()[0].levels, std::vector<float>{0.0f});
    const std::vector<unsigned char> dark = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    for (size_t i = 0; i < dark.size(); i += 4) // all dark without a note
        ASSERT_EQ(dark[i] + dark[i + 1] + dark[i + 2], 0) << "pixel " << i / 4;

    frame(1.5f);
    EXPECT_GT(tunnel().get_tracks()[0].levels[0], 0.0f);
    const std::vector<unsigned char> rgba = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    const Vector3 lead = color_from_hex(0x7FCAFF);
    int lit = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const int b = rgba[i + 2];
        if (b < 60 || b > 250) continue;
        ++lit;
        ASSERT_NEAR(rgba[i] / float(b), lead.x / lead.z, 0.08f) << "pixel " << i / 4;
        ASSERT_NEAR(rgba[i + 1] / float(b), lead.y / lead.z, 0.08f) << "pixel " << i / 4;
    }
    EXPECT_GT(lit, 50);
}

TEST_F(MusicTunnelTest, TheBlockinessTrackSetsThePixelationBlocks)
{
    const struct {
        float blocky;
        float share;
    } cases[] = {{0.0f, 1.0f}, {1.0f, 0.003375f}, {0.5f, 0.190109f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blocky);
        start_scene({{"mtBlocky", c.blocky}});
        frame(3.0f);
        const GLhandleARB program = bank->get_shader(SHADER_SLOT_PIXELATE)->get_program();
        glUseProgramObjectARB(program);
        GLfloat blocks[2] = {0.0f, 0.0f};
        glGetUniformfvARB(program, glGetUniformLocationARB(program, "blocks"), blocks);
        glUseProgramObjectARB(0);
        EXPECT_NEAR(blocks[0], WINDOW_WIDTH * c.share, 1e-3f);
        EXPECT_NEAR(blocks[1], WINDOW_HEIGHT * c.share, 1e-3f);
    }
}

// Without blockiness the pixelation is left out and the tunnel itself shown and blurred: that
// holds only while the pass would copy it texel for texel, here checked on the driver.
TEST_F(MusicTunnelTest, PixelatingIntoOneCellATexelCopiesTheTunnel)
{
    start_scene({{"mtAmbient", 0.6f}, {"mtDisplaceRand", 0.01f}});
    frame(1.5f);
    FBO* tunnel_buffer = tunnel().get_buffer(0);
    FBO* copy = tunnel().get_buffer(1);
    const int w = tunnel_buffer->get_width(), h = tunnel_buffer->get_height();
    ASSERT_EQ(w, WINDOW_WIDTH);
    ASSERT_EQ(h, WINDOW_HEIGHT);
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    EXPECT_TRUE(MusicTunnel::pixelation_is_copy(fw, fh, *tunnel_buffer));
    for (const auto& blocks : {std::make_pair(fw * 0.99f, fh), std::make_pair(fw, fh * 0.5f),
                               std::make_pair(fw + 1.0f, fh), std::make_pair(1.0f, 1.0f)})
        EXPECT_FALSE(MusicTunnel::pixelation_is_copy(blocks.first, blocks.second, *tunnel_buffer))
            << blocks.first << " x " << blocks.second;

    bank->bind(SHADER_SLOT_PIXELATE);
    bank->get_shader(SHADER_SLOT_PIXELATE)->set_uniform_2f("blocks", fw, fh);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    copy->push(true);
    tunnel_buffer->draw();
    copy->pop();
    ShaderProgram::unbind();

    auto texels = [&](FBO* buffer) {
        std::vector<unsigned char> rgba(static_cast<size_t>(w * h * 4));
        buffer->push(false);
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        buffer->pop();
        return rgba;
    };
    const std::vector<unsigned char> shown = texels(tunnel_buffer);
    EXPECT_GT(std::count_if(shown.begin(), shown.end(), [](unsigned char v) { return v > 0; }), 100);
    EXPECT_EQ(texels(copy), shown);
}

// The radial blur adds the picture blurred over the picture itself: nowhere darker, and about
// as much light again where the sum does not saturate, also round the lit cubes.
TEST_F(MusicTunnelTest, TheRadialBlurGlowsOverThePicture)
{
    start_scene({{"mtAmbient", 0.6f}});
    frame(1.5f);
    const std::vector<unsigned char> shown = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    std::vector<unsigned char> picture(shown.size());
    FBO* tunnel_picture = tunnel().get_buffer(0); // shown unpixelated without blockiness
    tunnel_picture->push(false);
    glReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
    tunnel_picture->pop();
    double own = 0.0, added = 0.0;
    int glowing_dark = 0;
    for (size_t i = 0; i < shown.size(); i += 4) {
        for (size_t c = 0; c < 3; ++c) {
            ASSERT_GE(static_cast<int>(shown[i + c]), static_cast<int>(picture[i + c])) << "pixel " << i / 4;
            if (picture[i + c] >= 128) continue;
            own += picture[i + c];
            added += shown[i + c] - picture[i + c];
        }
        if (picture[i] + picture[i + 1] + picture[i + 2] == 0 && shown[i] + shown[i + 1] + shown[i + 2] > 30)
            ++glowing_dark;
    }
    ASSERT_GT(own, 0.0);
    EXPECT_GT(added / own, 0.7);
    EXPECT_LT(added / own, 1.4);
    EXPECT_GT(glowing_dark, 500);
}

TEST_F(MusicTunnelTest, TwoFramesAtOneBeatAreIdentical)
{
    start_scene({{"mtDisplaceRand", 0.01f}, {"mtRadblurDisplace", 0.2f}});
    frame(1.25f);
    const std::vector<unsigned char> first = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    frame(7.0f);
    EXPECT_NE(read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT), first);
    frame(1.25f);
    EXPECT_EQ(read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT), first);
}

// The tunnel's picture is copied into the scene's target where the textured quad would put each
// texel on its own pixel unchanged, and drawn as that quad wherever the GL state or the size
// would change it.
TEST_F(MusicTunnelTest, ShowingThePictureGivesWhatItsQuadDraws)
{
    start_scene({{"mtAmbient", 0.6f}, {"mtDisplaceRand", 0.01f}});
    frame(1.5f);
    FBO* picture = tunnel().get_buffer(0);
    const int w = picture->get_width(), h = picture->get_height();
    FBO target(w, h, FBO_TYPE_COLOR);

    struct Case {
        const char* what;
        bool copies;
        void (*set)();
        void (*reset)();
    };
    const Case cases[] = {
        {"plain", true, [] {}, [] {}},
        {"blending", false, [] { glEnable(GL_BLEND); glBlendFunc(GL_ONE, GL_ONE); },
         [] { glDisable(GL_BLEND); }},
        {"tinted", false, [] { glColor4f(0.5f, 1.0f, 1.0f, 1.0f); }, [] {}},
        {"masked", false, [] { glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE); },
         [] { glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE); }},
        {"scissored", false, [] { glEnable(GL_SCISSOR_TEST); glScissor(10, 10, 50, 50); },
         [] { glDisable(GL_SCISSOR_TEST); }},
        {"half viewport", false, [] { glViewport(0, 0, GlTest::WINDOW_WIDTH / 2, GlTest::WINDOW_HEIGHT); },
         [] {}},
    };
    auto shown = [&](const Case& c, bool through_quad) {
        target.push(false);
        glClearColor(0.2f, 0.3f, 0.4f, 0.5f); // what a blend or a mask would keep
        glClear(GL_COLOR_BUFFER_BIT);
        ShaderProgram::unbind();
        glDisable(GL_BLEND); // the blur of the frame left its additive blend on
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        c.set();
        EXPECT_EQ(MusicTunnel::quad_copies_texels(*picture), c.copies) << c.what;
        if (through_quad)
            picture->draw();
        else
            MusicTunnel::show_picture(*picture);
        c.reset();
        std::vector<unsigned char> rgba(static_cast<size_t>(w * h * 4));
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        target.pop();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        return rgba;
    };
    for (const Case& c : cases) {
        const std::vector<unsigned char> drawn = shown(c, true);
        EXPECT_GT(std::count_if(drawn.begin(), drawn.end(), [](unsigned char v) { return v > 160; }), 100)
            << c.what;
        EXPECT_EQ(shown(c, false), drawn) << c.what;
    }
}
