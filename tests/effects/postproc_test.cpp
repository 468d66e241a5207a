// The show's post passes: the manager's list of them and the tracks it names, the uniforms
// each one sets from its parameters, read back from GL, and Motionblur's generated program,
// frame count and ring.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "effects/postproc/dither.h"
#include "effects/postproc/fade.h"
#include "effects/postproc/film.h"
#include "effects/postproc/hsl.h"
#include "effects/postproc/motionblur.h"
#include "effects/postproc/radblur.h"
#include "scenes/scenemanager.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "util/fbo/fbo.h"
#include "util/math/vector4.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

class PostProcGl : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        folder = std::make_unique<ShowFolder>();
    }
    void TearDown() override
    {
        folder.reset();
        GlTest::TearDown();
    }
    std::unique_ptr<ShowFolder> folder;
};

// A float uniform of the bound program, count values.
std::vector<float> uniform(const char* name, int count)
{
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_NE(program, 0);
    GLint location = glGetUniformLocation(static_cast<GLuint>(program), name);
    EXPECT_GE(location, 0) << name;
    std::vector<float> values(4, -99.0f);
    glGetUniformfv(static_cast<GLuint>(program), location, values.data());
    values.resize(static_cast<size_t>(count));
    return values;
}

// The whole colour picture of an FBO as RGBA bytes, bottom row first.
std::vector<unsigned char> fbo_picture(FBO& fbo)
{
    std::vector<unsigned char> rgba(static_cast<size_t>(fbo.get_width()) * static_cast<size_t>(fbo.get_height()) * 4);
    fbo.push(false);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, fbo.get_width(), fbo.get_height(), GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    fbo.pop();
    return rgba;
}

void expect_values(const std::vector<float>& actual, const std::vector<float>& expected, float tolerance,
                   const std::string& label)
{
    ASSERT_EQ(actual.size(), expected.size()) << label;
    for (size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << label << " [" << i << "]";
}

} // namespace

TEST_F(PostProcGl, NamesParametersAndDefaults)
{
    Effects::Radblur radblur;
    EXPECT_EQ(radblur.get_name(), "Radblur");
    EXPECT_EQ(radblur.get_param_names(),
              (std::vector<std::string>{"RadblurCntrX", "RadblurCntrY", "RadblurStep", "RadblurStrength"}));
    Effects::Film film;
    EXPECT_EQ(film.get_param_names().size(), 9u);
    EXPECT_EQ(film.get_param_names()[7], "FilmFilmgrainAmount");
    EXPECT_FLOAT_EQ(film.get_param(0), 1.0f);
    Effects::Motionblur blur;
    EXPECT_EQ(blur.get_param_names(), (std::vector<std::string>{"MotionblurFrames", "MotionblurStrength", "MotionblurDelay"}));
    EXPECT_FLOAT_EQ(blur.get_param(2), 0.1f);
}

// Every effect of the show's list, made as the manager makes it: the tracks the manager gives
// it ("pp" + its name, "pp" + each parameter's name) are its own alone, and at its defaults it
// draws through a program it binds, without a GL error.
TEST_F(PostProcGl, EveryEffectOfTheShowsListHasTracksOfItsOwnAndDrawsAtItsDefaults)
{
    std::vector<Effects::PostProc*> made;
    SceneManager::Sources::show().make_post_effects(made);
    std::vector<std::unique_ptr<Effects::PostProc>> effects;
    for (Effects::PostProc* effect : made) effects.emplace_back(effect);
    ASSERT_FALSE(effects.empty());
    FBO source(64, 64, FBO_TYPE_COLOR);
    std::set<std::string> tracks;
    for (const std::unique_ptr<Effects::PostProc>& effect : effects) {
        const std::string name = effect->get_name();
        EXPECT_FALSE(name.empty());
        EXPECT_TRUE(tracks.insert("pp" + name).second) << "pp" << name << " is another effect's track too";
        for (const std::string& param : effect->get_param_names())
            EXPECT_TRUE(tracks.insert("pp" + param).second) << "pp" << param << " is another effect's track too";
        ShaderProgram::unbind();
        effect->prepare(64, 64, 1.0f, &source);
        effect->set_uniforms(64, 64, 1.0f);
        GLint program = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        EXPECT_NE(program, 0) << name << " binds no program";
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << name;
    }
    ShaderProgram::unbind();
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(PostProcGl, UniformsFollowTheParameters)
{
    Effects::Dither dither;
    struct DitherCase {
        float factor;
        float x, y;
    };
    for (const DitherCase& c : {DitherCase{0.5f, 243.34f, 136.88f}, DitherCase{1.0f, 4.32f, 2.43f},
                                DitherCase{0.0f, 1280.0f, 720.0f}}) {
        dither.set_param(0, c.factor);
        dither.set_uniforms(1280, 720, 3.0f);
        expect_values(uniform("blocks", 2), {c.x, c.y}, 0.01f, "Dither " + std::to_string(c.factor));
    }

    Effects::Fade fade;
    struct FadeCase {
        float value, x, y;
    };
    for (const FadeCase& c : {FadeCase{0.5f, 1.0f, 0.5f}, FadeCase{0.0f, 0.0f, 0.0f}, FadeCase{-0.5f, 0.0f, 0.5f}}) {
        fade.set_param(0, c.value);
        fade.set_uniforms(1280, 720, 0.0f);
        expect_values(uniform("color", 2), {c.x, c.y}, 0.0f, "Fade " + std::to_string(c.value));
    }

    Effects::Hsl hsl;
    hsl.set_uniforms(1, 1, 0.0f);
    expect_values(uniform("saturate", 1), {1.0f}, 0.0f, "Hsl default");
    hsl.set_param(0, -1.0f);
    hsl.set_uniforms(1, 1, 0.0f);
    expect_values(uniform("saturate", 1), {0.0f}, 0.0f, "Hsl -1");

    Effects::Radblur radblur;
    radblur.set_param(0, 0.25f);
    radblur.set_param(3, 0.75f);
    glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
    radblur.set_uniforms(1, 1, 0.0f);
    expect_values(uniform("RadialBlurParams", 4), {0.25f, 0.5f, 0.9f, 0.75f}, 0.0f, "Radblur");
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(std::vector<float>(colour, colour + 4), std::vector<float>(4, 1.0f));

    Effects::Film film;
    film.set_uniforms(1, 1, 0.0f);
    expect_values(uniform("time", 1), {999.9953f}, 0.0f, "Film time");
    expect_values(uniform("Contrast", 1), {1.0f}, 0.0f, "Film contrast");
    expect_values(uniform("Color", 1), {1.0f}, 0.0f, "Film colour");
    film.set_param(5, 0.5f);
    film.set_param(8, 0.3f);
    film.set_uniforms(1, 1, 2.0f);
    expect_values(uniform("time", 1), {1001.9953f}, 0.0001f, "Film time 2");
    expect_values(uniform("Contrast", 1), {1.5f}, 0.0f, "Film contrast 0.5");
    expect_values(uniform("ScanlineAmount", 1), {0.3f}, 0.0f, "Film scanlines");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(MotionblurText, GeneratedBlendProgramForTwoFrames)
{
    EXPECT_EQ(Effects::Motionblur::blend_fragment_source(2),
              "//===========================================\n"
              "// Generated by Pellorvane ShaderConstructor \n"
              "//===========================================\n"
              "\n"
              "//------------------GLOBALS------------------\n"
              "uniform sampler2D image;\n"
              "uniform sampler2D shadow1;\n"
              "uniform vec4 MotionblurParams;\n"
              "\n"
              "//------------------BODY---------------------\n"
              "void main()\n"
              "{\n"
              "  vec4 final_colour = vec4( vec3( 0.0 ), 1.0 );\n"
              "  final_colour += texture2D( shadow1, gl_TexCoord[0].st ) * 0.5;\n"
              "  final_colour *= MotionblurParams.y;\n"
              "\tfinal_colour += texture2D( image, gl_TexCoord[0].st );\n"
              "\tgl_FragColor = final_colour;\n"
              "}\n");
    EXPECT_EQ(Effects::Motionblur::blend_vertex_source(),
              "//===========================================\n"
              "// Generated by Pellorvane ShaderConstructor \n"
              "//===========================================\n"
              "\n"
              "//------------------BODY---------------------\n"
              "void main()\n"
              "{\n"
              "\tgl_TexCoord[0] = gl_MultiTexCoord0;\n"
              "\tgl_Position = ftransform();\n"
              "}\n");
    // Two significant digits for the weights.
    std::string five = Effects::Motionblur::blend_fragment_source(5);
    for (const char* weight : {"shadow1, gl_TexCoord[0].st ) * 0.8;", "shadow4, gl_TexCoord[0].st ) * 0.2;"})
        EXPECT_NE(five.find(weight), std::string::npos) << weight;
    EXPECT_NE(Effects::Motionblur::blend_fragment_source(3).find("* 0.67;\n  final_colour += texture2D( shadow2, gl_TexCoord[0].st ) * 0.33;"),
              std::string::npos);
    EXPECT_NE(Effects::Motionblur::blend_fragment_source(64).find("shadow63, gl_TexCoord[0].st ) * 0.016;"),
              std::string::npos);
}

TEST(MotionblurText, FrameCountIsClamped)
{
    struct Case {
        float frames;
        int max_samplers;
        int n;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float huge = 1e30f;
    const Case cases[] = {
        {0.0f, 32, 2},  {1.0f, 32, 2},   {-7.0f, 32, 2},    {1.99f, 32, 2},  {5.9f, 32, 5},
        {64.5f, 64, 64}, {100.0f, 64, 64}, {nan, 32, 2},     {huge, 32, 32},  {-huge, 32, 2},
        {100.0f, 32, 32}, {20.0f, 16, 16}, {std::numeric_limits<float>::infinity(), 64, 64},
    };
    for (const Case& c : cases) EXPECT_EQ(Effects::Motionblur::frame_count(c.frames, c.max_samplers), c.n) << c.frames;
}

TEST_F(PostProcGl, MotionblurRingGrowsAdvancesAndStaysWithinTheSamplers)
{
    FBO source(16, 16, FBO_TYPE_COLOR);
    source.push(true);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    source.pop();

    Effects::Motionblur::reset_state();
    Effects::Motionblur blur;
    EXPECT_EQ(blur.get_frame_count(), 5);
    ASSERT_EQ(blur.get_ring().size(), 5u);
    // New copies start black.
    std::vector<unsigned char> black = fbo_pixel(blur.get_ring()[3], 10, 10);
    EXPECT_EQ(black, (std::vector<unsigned char>{0, 0, 0, 0}));

    // 5.5 keeps 5 frames; 6 rebuilds and adds one copy.
    blur.set_param(0, 5.5f);
    blur.build_shaders();
    EXPECT_EQ(blur.get_ring().size(), 5u);
    blur.set_param(0, 6.0f);
    blur.build_shaders();
    EXPECT_EQ(blur.get_frame_count(), 6);
    EXPECT_EQ(blur.get_ring().size(), 6u);

    // The ring advances once more than Delay after the last advance, or when time goes back.
    struct Step {
        float time;
        int ring_index;
    };
    const Step steps[] = {{0.05f, 0}, {0.1f, 0}, {0.15f, 1}, {0.2f, 1}, {0.26f, 2}, {0.1f, 3}, {0.15f, 3}};
    for (const Step& step : steps) {
        blur.prepare(256, 256, step.time, &source);
        EXPECT_EQ(blur.get_ring_index(), step.ring_index) << step.time;
    }
    // The slot that receives the current frame holds the source's picture.
    EXPECT_EQ(fbo_pixel(blur.get_ring()[3], 10, 10), (std::vector<unsigned char>{0, 255, 0, 255}));

    // With Delay 0 every frame whose time differs advances.
    blur.set_param(2, 0.0f);
    for (const Step& step : {Step{0.15f, 4}, Step{0.15f, 4}, Step{0.16f, 5}}) {
        blur.prepare(256, 256, step.time, &source);
        EXPECT_EQ(blur.get_ring_index(), step.ring_index) << step.time;
    }

    // As many frames as the fragment stage has samplers builds and links; more are capped.
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
    blur.set_param(0, 64.0f);
    blur.prepare(256, 256, 1.0f, &source);
    EXPECT_EQ(blur.get_frame_count(), std::min(64, static_cast<int>(units)));
    blur.set_uniforms(256, 256, 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    GLint shadow = -1;
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetUniformiv(static_cast<GLuint>(program), glGetUniformLocation(static_cast<GLuint>(program), "shadow2"), &shadow);
    EXPECT_EQ(shadow, 2);
    expect_values(uniform("MotionblurParams", 4), {64.0f, 0.5f, 0.0f, 0.0f}, 0.0f, "MotionblurParams");
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(PostProcGl, PassesSkippedOnlyWhereThePictureStaysAsItIs)
{
    Effects::Fade fade;
    Effects::Radblur radblur;
    struct Case {
        Effects::PostProc* effect;
        int param;
        float value;
        bool unchanged;
    };
    const Case cases[] = {
        {&fade, 0, 0.0f, true},         {&fade, 0, -0.0f, true},     {&fade, 0, 0.001f, false},
        {&fade, 0, -1.0f, false},       {&fade, 0, std::nanf(""), false},
        {&radblur, 3, 0.0f, true},      {&radblur, 3, -0.5f, true},  {&radblur, 3, 0.01f, false},
    };
    for (const Case& c : cases) {
        c.effect->set_param(c.param, c.value);
        EXPECT_EQ(c.effect->leaves_picture_unchanged(), c.unchanged) << c.effect->get_name() << " " << c.value;
    }
}

// The effect, driven as the post chain drives it (prepare, uniforms, the source drawn through
// the bound program), against the plain twelve-sample blur over a picture of one-pixel lines
// and noise, around an off-centre origin, at steps that draw in towards it and out from it:
// no channel more than a rounding step or so apart. Any cheaper form that filters the picture
// twice or takes fewer samples moves such detail by far more.
TEST_F(PostProcGl, RadblurMatchesTheTwelveSampleBlur)
{
    const char* vertex = "void main()\n{\n    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
                         "    gl_FrontColor = gl_Color;\n    gl_Position = ftransform();\n}\n";
    const char* twelve_samples =
        "uniform sampler2D image;\nuniform vec4 RadialBlurParams;\nvoid main()\n{\n"
        "    vec2 centre = RadialBlurParams.xy;\n    vec2 offset = gl_TexCoord[0].st - centre;\n"
        "    vec4 picture = texture2D(image, gl_TexCoord[0].st);\n"
        "    vec4 sum = vec4(0.0);\n    float total = 0.0;\n    float scale = 1.0;\n    float weight = 1.0;\n"
        "    for (int i = 0; i < 12; ++i) {\n"
        "        sum += texture2D(image, centre + offset * scale) * weight;\n"
        "        total += weight;\n        scale *= RadialBlurParams.z;\n        weight *= 0.9;\n    }\n"
        "    gl_FragColor = mix(picture, sum / total, clamp(RadialBlurParams.w, 0.0, 1.0)) * gl_Color;\n}\n";
    ShaderProgram reference_program(vertex, twelve_samples, false);

    // The chain's frame buffers are made without mipmaps, as here.
    const int width = 200, height = 120;
    FBO source(width, height, FBO_TYPE_COLOR);
    std::vector<unsigned char> detail(static_cast<size_t>(width) * height * 4);
    unsigned int seed = 12345u;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &detail[(static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 4];
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1103515245u + 12345u;
                p[c] = static_cast<unsigned char>(seed >> 24);
            }
            if (x % 4 == 0) p[0] = p[1] = p[2] = 255;  // white one-pixel columns
            if (y % 5 == 2) p[0] = p[1] = p[2] = 0;    // black one-pixel rows
            p[3] = 255;
        }
    source.bind_texture(0, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, detail.data());

    // Centre x, centre y, step, strength.
    const float cases[][4] = {{0.3f, 0.65f, 0.7f, 1.0f},
                              {0.3f, 0.65f, 0.9f, 1.0f},
                              {0.3f, 0.65f, 1.1f, 1.0f},
                              {0.3f, 0.65f, 1.3f, 1.0f},
                              {0.8f, 0.2f, 0.9f, 0.6f}};
    for (const float* c : cases) {
        const std::string label = "centre " + std::to_string(c[0]) + ", " + std::to_string(c[1]) + " step " +
                                  std::to_string(c[2]) + " strength " + std::to_string(c[3]);
        FBO reference(width, height, FBO_TYPE_COLOR);
        reference_program.bind();
        reference_program.set_uniform_vec4("RadialBlurParams", Vector4(c[0], c[1], c[2], c[3]), 1);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        reference.push(true);
        source.draw();
        reference.pop();

        Effects::Radblur radblur;
        for (int i = 0; i < 4; ++i) radblur.set_param(i, c[i]);
        FBO blurred(width, height, FBO_TYPE_COLOR);
        radblur.prepare(width, height, 0.0f, &source);
        radblur.set_uniforms(width, height, 0.0f);
        blurred.push(true);
        source.draw();
        blurred.pop();

        const std::vector<unsigned char> expected = fbo_picture(reference), actual = fbo_picture(blurred);
        ASSERT_EQ(actual.size(), expected.size());
        int largest = 0;
        for (size_t i = 0; i < actual.size(); ++i)
            largest = std::max(largest, std::abs(static_cast<int>(actual[i]) - static_cast<int>(expected[i])));
        EXPECT_LE(largest, 4) << label;
        EXPECT_NE(expected, fbo_picture(source)) << label << ": the blur shows";
    }
    ShaderProgram::unbind();
}

// The pass's quad enables fixed-function texturing on the active unit. Were that the unit of
// the oldest frame, a later scene drawn without shaders would be tinted by that frame at its
// corner (the sky box and the spectrum landscape came out black).
TEST_F(PostProcGl, MotionblurPassLeavesTexturingOnUnitZeroOnly)
{
    FBO source(16, 16, FBO_TYPE_COLOR);
    Effects::Motionblur::reset_state();
    Effects::Motionblur blur;
    blur.set_param(0, 8.0f);
    blur.prepare(256, 256, 1.0f, &source);
    blur.set_uniforms(256, 256, 1.0f);
    source.draw();

    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    ASSERT_GE(units, 8);
    for (int unit = 1; unit < units; ++unit) {
        glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + unit));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "unit " << unit;
    }
    // The older frames stay bound for the blend program.
    glActiveTexture(GL_TEXTURE7);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_NE(bound, 0);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}
