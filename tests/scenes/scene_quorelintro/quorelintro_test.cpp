#include "scenes/scene_quorelintro/quorelintro.h"

#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/audio_fixture.h"
#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "support/temp_dir.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderbank.h"
#include "util/text/text.h"
#include "util/texture/image_fixtures.h"

namespace {

struct Rgb {
    int r, g, b;
};

// ---- Fixture files -------------------------------------------------------------------------

// An opaque picture of one colour, as PNG and as JPEG file bytes.
std::string solid_png(int width, int height, Rgb colour)
{
    fixtures::Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<size_t>(width * height), {colour.r, colour.g, colour.b, 255});
    return fixtures::str(fixtures::png_file(picture, false));
}

std::string solid_jpeg(int width, int height, Rgb colour)
{
    fixtures::Bytes rows;
    for (int i = 0; i < width * height; ++i) {
        rows.insert(rows.end(), {static_cast<unsigned char>(colour.r), static_cast<unsigned char>(colour.g),
                                 static_cast<unsigned char>(colour.b)});
    }
    return fixtures::str(fixtures::jpeg_file(width, height, rows, 100));
}

// A ".track" file: key count, then row, value and interpolation of each key.
std::string track_file(const std::vector<std::pair<int, float>>& step_keys)
{
    std::string bytes;
    auto put = [&bytes](const void* data, size_t size) {
        bytes.append(static_cast<const char*>(data), size);
    };
    uint32_t count = static_cast<uint32_t>(step_keys.size());
    put(&count, 4);
    for (const auto& key : step_keys) {
        int32_t row = key.first;
        float value = key.second;
        unsigned char step = 0;
        put(&row, 4);
        put(&value, 4);
        put(&step, 1);
    }
    return bytes;
}

const char* const TRACK_NAMES[] = {
    "miFadeSpeed", "miSolStart",  "miSolEnd",    "miMiles",     "miPints",    "miYards",
    "miCelsius",   "miKPa",       "miTemp",      "miCow",       "miCowX",     "miCowY",
    "miCowSize",   "miCowEnd",    "miCube",      "miCubeX",     "miCubeY",    "miCubeSize",
    "miCubeEnd",   "miCubeT1X",   "miCubeT1Y",   "miCubeT2X",   "miCubeT2Y",  "miCubeT3X",
    "miCubeT3Y",   "miOneWorld",  "miOneSystem", "miOneQuorel", "miOneEnd",   "miFlagStart",
    "miFlagEnd",   "miTulmStart", "miTulmGlow",
};

// Picture colours: each element has its own, so a pixel tells what was drawn there.
const Rgb SUN = {255, 0, 0}, GLOBE = {0, 255, 0}, COW = {0, 0, 255}, CUBE = {255, 255, 0};
const Rgb FLAG = {0, 0, 255}, WHITE = {255, 255, 255};
const Rgb INSTRUMENT[5] = {{0, 255, 255}, {255, 0, 255}, {255, 255, 255}, {0, 255, 0}, {255, 0, 0}};

// The scene's data folder: pictures of known colours and aspects, the font, a shader bank
// whose programs all draw texture times colour, the music and the tracks (empty ones read
// their defaults; overrides hold one value from row 0).
void write_scene_data(const TempDir& dir, const std::map<std::string, float>& overrides,
                      const std::string& missing_track = "")
{
    const std::string q = "data/quorelintro/";
    dir.write(q + "sol_med_bane3.png", solid_png(32, 16, SUN)); // 2:1
    dir.write(q + "jordklode3.png", solid_png(16, 16, GLOBE));
    dir.write(q + "forvirret_ku.png", solid_png(16, 32, COW)); // 1:2
    dir.write(q + "anticube.png", solid_png(16, 16, CUBE));
    dir.write(q + "vetr.png", solid_png(16, 32, WHITE)); // 1:2
    dir.write(q + "vetr_glow.png", solid_png(16, 32, WHITE));
    const char* instruments[] = {"klokke", "linjal", "multimeter", "maalebeger", "vekt"};
    for (int i = 0; i < 5; ++i)
        dir.write(q + instruments[i] + ".png", solid_png(16, 16, INSTRUMENT[i]));
    dir.write(q + "red_star_rises.jpg", solid_jpeg(32, 24, FLAG)); // 4:3

    dir.write("data/common/fonts/LiberationMono-Regular.ttf",
              read_file_bytes("/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf"));
    const std::string vertex = "void main() { gl_TexCoord[0] = gl_MultiTexCoord0;"
                               " gl_FrontColor = gl_Color; gl_Position = ftransform(); }\n";
    const std::string fragment = "uniform sampler2D tex; void main() {"
                                 " gl_FragColor = texture2D(tex, gl_TexCoord[0].st) * gl_Color; }\n";
    for (int slot = 0; slot < ShaderBank::SLOT_COUNT; ++slot) {
        const std::string v = ShaderBank::vertex_file(slot), f = ShaderBank::fragment_file(slot);
        if (!v.empty()) dir.write("data/common/shaders/" + v, vertex);
        if (!f.empty()) dir.write("data/common/shaders/" + f, fragment);
    }

    TestSignal silence;
    silence.samples.assign(4410 * 2, 0);
    dir.write("music.ogg", encode_ogg(silence));

    for (const char* name : TRACK_NAMES) {
        if (name == missing_track) continue;
        auto value = overrides.find(name);
        dir.write(std::string("data/sync_tracker/_") + name + ".track",
                  value == overrides.end() ? track_file({}) : track_file({{0, value->second}}));
    }
}

// The clock stands at row 0 and the beat is the offset, so a test sets the beat exactly while
// the tracks read their row-0 values.
class BeatMusic : public SteppedMusic {
public:
    explicit BeatMusic(const char* path) : SteppedMusic(path, 145.0f, 0.0f, false, 0) {}
    void set_beat(float beat) { beat_offset = beat; }
};

struct Printed {
    std::string text;
    float x, y;    // the pass's position as fractions of the 256-pixel window
    float r, g, b; // the pass's colour
};

std::vector<Printed>* printed = nullptr;

void record_print(const char* text)
{
    GLfloat matrix[16], colour[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    printed->push_back({text, matrix[12] / 256.0f, matrix[13] / 256.0f, colour[0], colour[1],
                        colour[2]});
}

class QuorelIntroTest : public GlTest {
protected:
    void TearDown() override
    {
        Text::set_render_observer(nullptr);
        printed = nullptr;
        scene.reset();
        bank.reset();
        music.reset();
        if (!previous.empty()) {
            EXPECT_EQ(chdir(previous.c_str()), 0);
        }
        GlTest::TearDown();
    }

    void start(const std::map<std::string, float>& overrides = {})
    {
        write_scene_data(dir, overrides);
        char buffer[4096];
        previous = getcwd(buffer, sizeof buffer) ? buffer : ".";
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        music.reset(new BeatMusic("music.ogg"));
        bank.reset(new ShaderBank());
        scene.reset(new QuorelIntro());
        scene->set_time_range(0.0f, 5000.0f);
        scene->set_music(music.get());
        scene->set_shader_bank(bank.get());
        scene->set_aspect(1.0f); // the square window: screen fractions are the same both ways
        scene->init();
        scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
    }

    void frame(float beat)
    {
        music->set_beat(beat);
        scene->reset_gl_state();
        scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene->render();
    }

    std::vector<Printed> texts_at(float beat)
    {
        std::vector<Printed> sink;
        printed = &sink;
        Text::set_render_observer(record_print);
        frame(beat);
        Text::set_render_observer(nullptr);
        printed = nullptr;
        return sink;
    }

    // The window pixel at screen fractions (x, y).
    static void expect_colour(float beat, float x, float y, Rgb want, int tolerance = 3)
    {
        const std::vector<unsigned char> px =
            pixel(static_cast<int>(x * WINDOW_WIDTH), static_cast<int>(y * WINDOW_HEIGHT));
        EXPECT_NEAR(px[0], want.r, tolerance) << "beat " << beat << " at " << x << ", " << y;
        EXPECT_NEAR(px[1], want.g, tolerance) << "beat " << beat << " at " << x << ", " << y;
        EXPECT_NEAR(px[2], want.b, tolerance) << "beat " << beat << " at " << x << ", " << y;
    }

    struct Probe {
        float beat;
        float x, y;
        Rgb want;
        const char* what;
    };

    void check(const std::vector<Probe>& probes)
    {
        for (const Probe& probe : probes) {
            SCOPED_TRACE(probe.what);
            frame(probe.beat);
            expect_colour(probe.beat, probe.x, probe.y, probe.want);
        }
    }

    TempDir dir;
    std::string previous;
    std::unique_ptr<BeatMusic> music;
    std::unique_ptr<ShaderBank> bank;
    std::unique_ptr<QuorelIntro> scene;
};

Rgb scaled(Rgb c, float f)
{
    return {static_cast<int>(c.r * f + 0.5f), static_cast<int>(c.g * f + 0.5f),
            static_cast<int>(c.b * f + 0.5f)};
}

// c over what is there, with coverage a.
Rgb over(Rgb c, float a, Rgb under)
{
    return {static_cast<int>(c.r * a + under.r * (1 - a) + 0.5f),
            static_cast<int>(c.g * a + under.g * (1 - a) + 0.5f),
            static_cast<int>(c.b * a + under.b * (1 - a) + 0.5f)};
}

const Rgb BLACK = {0, 0, 0};

const Printed* find(const std::vector<Printed>& texts, const std::string& text)
{
    for (const Printed& p : texts)
        if (p.text == text) return &p;
    return nullptr;
}

} // namespace

TEST_F(QuorelIntroTest, RegistersItsTracksInOrderWithTheirDefaults)
{
    start();
    const float defaults[] = {2.0f,  2.0f,   128.0f, 13.0f,  14.5f,  16.0f,  23.0f,
                              25.0f, 36.0f,  30.5f,  0.61f,  -0.05f, 0.6f,   46.0f,
                              50.0f, 0.1f,   0.1f,   0.5f,   64.0f,  0.1f,   0.1f,
                              0.1f,  0.1f,   0.1f,   0.1f,   120.0f, 122.0f, 128.0f,
                              140.0f, 100.0f, 120.0f, 110.0f, 116.0f};
    ASSERT_EQ(music->sync_tracks.size(), 33u);
    for (size_t i = 0; i < 33; ++i) {
        EXPECT_EQ(music->sync_tracks[i].name, TRACK_NAMES[i]);
        EXPECT_EQ(music->get_sync_value(TRACK_NAMES[i]), defaults[i]) << TRACK_NAMES[i];
    }
}

TEST_F(QuorelIntroTest, SunGlobeFlagPortraitAndGlowWithTheDefaultTracks)
{
    start();
    // Beat 1: the sun (centre 0.301, 0.651; 0.8 x 0.4) and the globe (centre 0.647, 0.623 on
    // the orbit; 0.25 square) half faded in.
    check({
        {1.0f, 0.05f, 0.80f, scaled(SUN, 0.5f), "sun"},
        {1.0f, 0.69f, 0.84f, scaled(SUN, 0.5f), "sun's upper right corner"},
        {1.0f, 0.647f, 0.623f, scaled(GLOBE, 0.5f), "globe over the sun"},
        {1.0f, 0.75f, 0.623f, scaled(GLOBE, 0.5f), "globe's right side"},
        {1.0f, 0.30f, 0.43f, BLACK, "below the sun"},
        {1.0f, 0.80f, 0.623f, BLACK, "right of the globe"},
        // Beat 0: both are drawn, black.
        {0.0f, 0.05f, 0.80f, BLACK, "sun before its window"},
        // Beat 117: the flag over everything, the portrait (x 0.2 .. 0.523, y 0.177 .. 0.823)
        // at 0.4 alpha over it, and the red glow added twice.
        {117.0f, 0.10f, 0.50f, FLAG, "flag beside the portrait"},
        {117.0f, 0.36f, 0.50f, {255, 102, 255}, "portrait and glow over the flag"},
        {117.0f, 0.50f, 0.80f, {255, 102, 255}, "portrait's upper right corner"},
        {117.0f, 0.36f, 0.16f, FLAG, "below the portrait"},
        // Beat 121: the flag at half, the portrait almost faded out (alpha 0.08), the glow full.
        {121.0f, 0.10f, 0.50f, scaled(FLAG, 0.5f), "flag fading out"},
        {121.0f, 0.36f, 0.50f, {255, 20, 138}, "glow over the faded flag and portrait"},
    });
}

TEST_F(QuorelIntroTest, CowCubeAndInstrumentsAtTheirRectangles)
{
    start({{"miSolEnd", 10.0f}}); // the sun and globe out of the way (drawn black)
    const Rgb cube_under = CUBE;
    check({
        // Beat 40: the cow, 0.3 x 0.6 from (0.6005, -0.0405).
        {40.0f, 0.75f, 0.26f, COW, "cow"},
        {40.0f, 0.89f, 0.50f, COW, "cow's right side"},
        {40.0f, 0.59f, 0.26f, BLACK, "left of the cow"},
        {40.0f, 0.75f, 0.57f, BLACK, "above the cow"},
        {47.0f, 0.75f, 0.26f, scaled(COW, 0.5f), "cow fading out"},
        // Beat 55: the cube, 0.5 square from (0.095, 0.105), and the instruments fading in
        // from the last: scale 1, cup 1, multimeter 0.75, ruler 0.5, clock 0.25.
        {55.0f, 0.12f, 0.45f, CUBE, "cube"},
        {55.0f, 0.58f, 0.12f, CUBE, "cube's lower right corner"},
        {55.0f, 0.25f, 0.70f, INSTRUMENT[4], "scale at (0.15, 0.6)"},
        {55.0f, 0.17f, 0.12f, INSTRUMENT[3], "measuring cup at (0.15, 0.1)"},
        {55.0f, 0.33f, 0.28f, INSTRUMENT[3], "measuring cup's upper right corner"},
        {55.0f, 0.37f, 0.20f, CUBE, "right of the measuring cup"},
        {55.0f, 0.55f, 0.50f, over(INSTRUMENT[2], 0.75f, cube_under), "multimeter at (0.45, 0.4)"},
        {55.0f, 0.68f, 0.15f, scaled(INSTRUMENT[1], 0.5f), "ruler at (0.6, 0.1)"},
        {55.0f, 0.88f, 0.35f, scaled(INSTRUMENT[0], 0.25f), "clock at (0.75, 0.2)"},
        {55.0f, 0.90f, 0.45f, BLACK, "above the clock"},
        // Beat 66: all gone; the instruments end at the fixed beat 62.
        {66.0f, 0.25f, 0.70f, BLACK, "instruments after beat 64"},
    });
}

TEST_F(QuorelIntroTest, TextsTheirBytesPositionsAndGreys)
{
    start();

    // Conversions: full at their peak beat, a triangle two beats wide on each side.
    std::vector<Printed> texts = texts_at(13.0f);
    const Printed* miles = find(texts, "1609.34m");
    ASSERT_NE(miles, nullptr);
    EXPECT_FLOAT_EQ(miles->r, 1.0f);
    EXPECT_NEAR(miles->x, 0.55f, 1e-4f);
    EXPECT_NEAR(miles->y, 0.1f, 1e-4f);
    const Printed* pints = find(texts, "568.261ml");
    ASSERT_NE(pints, nullptr);
    EXPECT_FLOAT_EQ(pints->g, 0.25f);
    for (float beat : {11.0f, 15.0f})
        EXPECT_EQ(find(texts_at(beat), "1609.34m"), nullptr) << beat;

    // A year fact beside the sun: at (sun x + sun width / 5, top of the sun).
    texts = texts_at(6.5f);
    const Printed* year = find(texts, "1 year");
    ASSERT_NE(year, nullptr);
    EXPECT_NEAR(year->x, 0.3065f + 0.8f / 5.0f, 1e-4f);
    EXPECT_NEAR(year->y, 0.6565f + 0.2f, 1e-4f);

    // The temperature counter in both units, with the degree sign byte.
    struct Temperature {
        float beat;
        const char* celsius;
        const char* fahrenheit;
    };
    const Temperature temperatures[] = {
        {36.0f, "-4.00 \xB0" "C", "24.80 \xB0" "F"},
        {37.0f, " 0.00 \xB0" "C", "32.00 \xB0" "F"},
        {45.0f, "32.00 \xB0" "C", "89.60 \xB0" "F"},
    };
    for (const Temperature& temperature : temperatures) {
        texts = texts_at(temperature.beat);
        EXPECT_NE(find(texts, temperature.celsius), nullptr) << temperature.beat;
        EXPECT_NE(find(texts, temperature.fahrenheit), nullptr) << temperature.beat;
        EXPECT_NE(find(texts, "   ="), nullptr) << temperature.beat;
    }
    // Shadow first at the position in half grey, then the text at full grey.
    texts = texts_at(36.0f);
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_FLOAT_EQ(texts[0].r, 0.5f);
    EXPECT_FLOAT_EQ(texts[1].r, 1.0f);
    EXPECT_NEAR(texts[0].x, 0.8f, 1e-4f);
    EXPECT_NEAR(texts[0].y, 0.62f, 1e-4f);

    // The title words drift until two beats before " quorel", then rest.
    for (float beat : {130.0f, 139.0f}) {
        texts = texts_at(beat);
        const Printed* tarnholm = find(texts, "tarnholm");
        const Printed* system = find(texts, " system");
        const Printed* quorel = find(texts, " quorel");
        ASSERT_NE(tarnholm, nullptr);
        ASSERT_NE(system, nullptr);
        ASSERT_NE(quorel, nullptr);
        EXPECT_NEAR(tarnholm->x, 0.12f, 1e-4f);
        EXPECT_NEAR(tarnholm->y, 0.66f, 1e-4f) << beat;
        EXPECT_NEAR(system->y, 0.15f, 1e-4f) << beat;
        EXPECT_NEAR(quorel->y, 0.4f, 1e-4f) << beat;
    }
    texts = texts_at(121.0f);
    const Printed* drifting = find(texts, "tarnholm");
    ASSERT_NE(drifting, nullptr);
    EXPECT_NEAR(drifting->y, 0.56f, 1e-4f);
}

TEST(QuorelIntro, AMissingTrackFileEndsTheRun)
{
    TempDir dir;
    write_scene_data(dir, {}, "miCubeT2Y");
    ChildResult result = run_in_gl_child([&dir] {
        if (chdir(dir.path().c_str()) != 0) return;
        BeatMusic music("music.ogg");
        ShaderBank bank;
        QuorelIntro scene;
        scene.set_music(&music);
        scene.set_shader_bank(&bank);
        scene.init();
    });
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_NE(result.err.find("\n\nFailed to open track miCubeT2Y!\n"), std::string::npos)
        << result.err;
}
