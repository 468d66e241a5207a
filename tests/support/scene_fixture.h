// A GL fixture for the show's scenes: a working folder with the build's shaders and fonts,
// a silent music whose clock the test sets by beat, and the scene's pictures and tracks,
// either the test's own (pictures of known colours, tracks of one value) or the build's
// (to render the scene inside its stretch of the show).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "support/temp_dir.h"

class Scene;
class ShaderBank;

struct Rgba {
    int r, g, b, a;
};

// A PNG file of w x h pixels; paint gives the colour at (x, y), y = 0 the top row.
std::string painted_png(int w, int h, const std::function<Rgba(int x, int y)>& paint);
// A PNG file of one colour.
std::string solid_png(int w, int h, Rgba colour);

class SceneTest : public GlTest {
protected:
    SceneTest();
    ~SceneTest() override;
    void TearDown() override;

    // Writes a file below the working folder.
    void write_file(const std::string& relative, const std::string& bytes) const;
    // Links data/<folder> of the build into the working folder.
    void use_build_data(const std::string& folder) const;
    // A track file for each name: one value from row 0 where overrides has one, no keys (the
    // scene's default) otherwise.
    void write_tracks(const std::vector<std::string>& names, const std::map<std::string, float>& overrides) const;
    // A track that holds each value from its beat on: (beat, value) pairs in beat order.
    void write_steps(const std::string& name, const std::vector<std::pair<float, float>>& steps) const;

    // Initialises the scene in the working folder with the given aspect and reshapes it to
    // the window; the fixture owns it from here.
    void start(Scene* scene, float aspect);
    // Starts the scene on the build's pictures (data/<folder>) and the show's sync tracks, at
    // the show's 16:9 aspect.
    void start_in_show(Scene* scene, const std::string& folder);
    // Draws one frame at a beat into the window, black-cleared, as the scene manager does.
    void frame(float beat);

    // The window pixel at screen fractions (x, y) as R, G, B.
    static Rgba pixel_at(float x, float y);
    // The number of window pixels for which the predicate holds.
    static int count_pixels(const std::function<bool(const Rgba&)>& predicate);

    TempDir dir;
    std::unique_ptr<SteppedMusic> music;
    std::unique_ptr<ShaderBank> bank;
    std::unique_ptr<Scene> scene;

private:
    std::string previous;
};

// EXPECTs that a pixel's colour lies within tolerance of want, per channel.
void expect_rgb(const Rgba& got, const Rgba& want, int tolerance, const std::string& where);
