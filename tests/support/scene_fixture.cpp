#include "support/scene_fixture.h"

#include <filesystem>
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

void SceneTest::TearDown()
{
    scene.reset();
    bank.reset();
    music.reset();
    GlTest::TearDown();
}

void SceneTest::use_build_data(const std::string& name) const
{
    const std::string build = std::string(PELLORVANE_BINARY_DIR) + "/data/" + name;
    const std::string here = folder.path() + "/data/" + name;
    if (name != "sync_tracker") {
        EXPECT_EQ(symlink(build.c_str(), here.c_str()), 0) << name;
        return;
    }
    std::error_code error;
    std::filesystem::copy(build, here, std::filesystem::copy_options::overwrite_existing | std::filesystem::copy_options::recursive, error);
    EXPECT_FALSE(error) << error.message();
}

void SceneTest::write_tracks(const std::vector<std::string>& names,
                             const std::map<std::string, float>& overrides) const
{
    for (const std::string& name : names) {
        auto value = overrides.find(name);
        if (value == overrides.end())
            folder.write_track(name, {});
        else
            folder.write_constant(name, value->second);
    }
}

void SceneTest::write_steps(const std::string& name, const std::vector<std::pair<float, float>>& steps) const
{
    std::vector<std::tuple<int, float, int>> keys;
    for (const auto& step : steps)
        keys.emplace_back(static_cast<int>(step.first * 8.0f), step.second, 0);
    folder.write_track(name, keys);
}

void SceneTest::start(Scene* made, float aspect)
{
    scene.reset(made);
    TestSignal silence;
    silence.samples.assign(4410 * 2, 0);
    const std::string music_file = folder.write_music(silence);
    music.reset(new SteppedMusic(music_file.c_str(), 145.0f, 0.0f, false, 0));
    bank.reset(new ShaderBank());
    scene->set_time_range(0.0f, 5000.0f);
    scene->set_music(music.get());
    scene->set_shader_bank(bank.get());
    scene->set_aspect(aspect);
    scene->init();
    scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
}

void SceneTest::start_in_show(Scene* made, const std::string& name)
{
    use_build_data(name);
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

Rgb SceneTest::pixel_at(float x, float y)
{
    std::vector<unsigned char> px = pixel(static_cast<int>(x * WINDOW_WIDTH), static_cast<int>(y * WINDOW_HEIGHT));
    return {px[0], px[1], px[2]};
}

int SceneTest::count_pixels(const std::function<bool(const Rgb&)>& predicate)
{
    const std::vector<unsigned char> all = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    int count = 0;
    for (size_t i = 0; i + 3 < all.size(); i += 4)
        if (predicate({all[i], all[i + 1], all[i + 2]})) ++count;
    return count;
}
