#include "support/scene_fixture.h"

#include <unistd.h>

#include "scenes/scene/scene.h"
#include "support/audio_fixture.h"
#include "util/shaderprogram/shaderbank.h"
#include "util/texture/image_fixtures.h"

std::string painted_png(int w, int h, const std::function<Rgba(int x, int y)>& paint)
{
    fixtures::Picture picture;
    picture.width = w;
    picture.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgba c = paint(x, y);
            picture.pixels.push_back({c.r, c.g, c.b, c.a});
        }
    return fixtures::str(fixtures::png_file(picture, false));
}

std::string solid_png(int w, int h, Rgba colour)
{
    return painted_png(w, h, [colour](int, int) { return colour; });
}

SceneTest::SceneTest()
{
    write_file("data/.keep", "");
    use_build_data("common");
    TestSignal silence;
    silence.samples.assign(4410 * 2, 0);
    write_file("music.ogg", encode_ogg(silence));
}

SceneTest::~SceneTest() = default;

void SceneTest::TearDown()
{
    scene.reset();
    bank.reset();
    music.reset();
    if (!previous.empty()) {
        EXPECT_EQ(chdir(previous.c_str()), 0);
    }
    GlTest::TearDown();
}

void SceneTest::write_file(const std::string& relative, const std::string& bytes) const
{
    dir.write(relative, bytes);
}

void SceneTest::use_build_data(const std::string& folder) const
{
    const std::string target = std::string(PELLORVANE_BINARY_DIR) + "/data/" + folder;
    EXPECT_EQ(symlink(target.c_str(), dir.file("data/" + folder).c_str()), 0) << folder;
}

void SceneTest::write_tracks(const std::vector<std::string>& names,
                             const std::map<std::string, float>& overrides) const
{
    for (const std::string& name : names) {
        auto value = overrides.find(name);
        dir.write("data/sync_tracker/_" + name + ".track",
                  value == overrides.end() ? track_file_bytes({})
                                           : track_file_bytes({std::make_tuple(0, value->second, 0)}));
    }
}

void SceneTest::write_steps(const std::string& name, const std::vector<std::pair<float, float>>& steps) const
{
    std::vector<std::tuple<int, float, int>> keys;
    for (const auto& step : steps)
        keys.emplace_back(static_cast<int>(step.first * 8.0f), step.second, 0);
    dir.write("data/sync_tracker/_" + name + ".track", track_file_bytes(keys));
}

void SceneTest::start(Scene* made, float aspect)
{
    scene.reset(made);
    char buffer[4096];
    previous = getcwd(buffer, sizeof buffer) ? buffer : ".";
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    music.reset(new SteppedMusic("music.ogg", 145.0f, 0.0f, false, 0));
    bank.reset(new ShaderBank());
    scene->set_time_range(0.0f, 5000.0f);
    scene->set_music(music.get());
    scene->set_shader_bank(bank.get());
    scene->set_aspect(aspect);
    scene->init();
    scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
}

void SceneTest::start_in_show(Scene* made, const std::string& folder)
{
    use_build_data(folder);
    use_build_data("sync_tracker");
    start(made, 16.0f / 9.0f);
}

void SceneTest::frame(float beat)
{
    music->set_row(static_cast<int>(beat * 8.0f));
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene->reset_gl_state();
    scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
    scene->render();
}

Rgba SceneTest::pixel_at(float x, float y)
{
    std::vector<unsigned char> px = pixel(static_cast<int>(x * WINDOW_WIDTH), static_cast<int>(y * WINDOW_HEIGHT));
    return {px[0], px[1], px[2], px[3]};
}

void expect_rgb(const Rgba& got, const Rgba& want, int tolerance, const std::string& where)
{
    EXPECT_NEAR(got.r, want.r, tolerance) << where;
    EXPECT_NEAR(got.g, want.g, tolerance) << where;
    EXPECT_NEAR(got.b, want.b, tolerance) << where;
}

int SceneTest::count_pixels(const std::function<bool(const Rgba&)>& predicate)
{
    const std::vector<unsigned char> all = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    int count = 0;
    for (size_t i = 0; i + 3 < all.size(); i += 4)
        if (predicate({all[i], all[i + 1], all[i + 2], all[i + 3]})) ++count;
    return count;
}
