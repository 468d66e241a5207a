#include "support/flat_scene_fixture.h"

#include <cstdint>
#include <zlib.h>

#include "support/audio_fixture.h"
#include "util/text/text.h"

namespace {

void put32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void png_chunk(std::string& out, const char* type, const std::string& data)
{
    put32(out, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    put32(out, static_cast<uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

std::vector<PrintedText>* sink = nullptr;

// The pass's origin through both matrices, as a fraction of the window.
void record_pass(const char* text)
{
    GLfloat modelview[16], projection[16], colour[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    const float origin[4] = {modelview[12], modelview[13], modelview[14], modelview[15]};
    float clip[4];
    for (int row = 0; row < 4; ++row)
        clip[row] = projection[row] * origin[0] + projection[4 + row] * origin[1] +
                    projection[8 + row] * origin[2] + projection[12 + row] * origin[3];
    const float x = (clip[0] / clip[3] + 1.0f) / 2.0f;
    const float y = (clip[1] / clip[3] + 1.0f) / 2.0f;
    sink->push_back({text, x, y, colour[0], colour[1], colour[2], colour[3]});
}

} // namespace

std::string solid_png(int width, int height, Rgb colour)
{
    std::string rows;
    for (int y = 0; y < height; ++y) {
        rows.push_back('\0'); // no filter
        for (int x = 0; x < width; ++x) {
            rows.push_back(static_cast<char>(colour.r));
            rows.push_back(static_cast<char>(colour.g));
            rows.push_back(static_cast<char>(colour.b));
            rows.push_back('\xFF');
        }
    }
    uLongf packed_size = compressBound(static_cast<uLong>(rows.size()));
    std::string packed(packed_size, '\0');
    compress(reinterpret_cast<Bytef*>(&packed[0]), &packed_size, reinterpret_cast<const Bytef*>(rows.data()),
             static_cast<uLong>(rows.size()));
    packed.resize(packed_size);

    std::string header;
    put32(header, static_cast<uint32_t>(width));
    put32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA, no interlace
    std::string png = "\x89PNG\r\n\x1A\n";
    png_chunk(png, "IHDR", header);
    png_chunk(png, "IDAT", packed);
    png_chunk(png, "IEND", "");
    return png;
}

void FlatSceneTest::TearDown()
{
    Text::set_render_observer(nullptr);
    sink = nullptr;
    scene.reset();
    bank.reset();
    music.reset();
    GlTest::TearDown();
}

void FlatSceneTest::write_picture(const std::string& relative, int width, int height, Rgb colour)
{
    folder.write_file(relative, solid_png(width, height, colour));
}

void FlatSceneTest::start(Scene* new_scene, const std::vector<std::string>& tracks,
                          const std::map<std::string, float>& values)
{
    // A test may start the scene again over other tracks.
    scene.reset();
    music.reset();
    scene.reset(new_scene);
    for (const std::string& name : tracks) {
        auto value = values.find(name);
        if (value == values.end())
            folder.write_track(name, {});
        else
            folder.write_constant(name, value->second);
    }
    TestSignal silence;
    silence.samples.assign(4410 * 2, 0);
    const std::string music_file = folder.write_music(silence);
    music.reset(new BeatMusic(music_file.c_str()));
    if (!notes_midi.empty()) {
        folder.write_file("notes.mid", notes_midi);
        music->load_midi("notes.mid");
    }
    if (!bank) bank.reset(new ShaderBank());
    scene->set_time_range(0.0f, 5000.0f);
    scene->set_music(music.get());
    scene->set_shader_bank(bank.get());
    scene->set_aspect(1.0f);
    scene->init();
    scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
}

void FlatSceneTest::frame(float beat)
{
    music->set_beat(beat);
    scene->reset_gl_state();
    scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene->render();
}

std::vector<PrintedText> FlatSceneTest::texts_at(float beat)
{
    std::vector<PrintedText> texts;
    sink = &texts;
    Text::set_render_observer(record_pass);
    frame(beat);
    Text::set_render_observer(nullptr);
    sink = nullptr;
    return texts;
}

Rgb FlatSceneTest::colour_at(float x, float y)
{
    const std::vector<unsigned char> px =
        pixel(static_cast<int>(x * WINDOW_WIDTH), static_cast<int>(y * WINDOW_HEIGHT));
    return {px[0], px[1], px[2]};
}

std::vector<PrintedText> passes_of(const std::vector<PrintedText>& texts, const std::string& text)
{
    std::vector<PrintedText> found;
    for (const PrintedText& pass : texts)
        if (pass.text == text) found.push_back(pass);
    return found;
}

void expect_rgb(Rgb got, Rgb want, const std::string& what, int tolerance)
{
    EXPECT_NEAR(got.r, want.r, tolerance) << what;
    EXPECT_NEAR(got.g, want.g, tolerance) << what;
    EXPECT_NEAR(got.b, want.b, tolerance) << what;
}
