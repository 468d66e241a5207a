// A GL fixture for scenes whose tracks change from beat to beat, and for rendering a scene
// inside its stretch of the show. Unlike FlatSceneTest, whose clock stands at row 0, the
// music's clock is moved to each beat's row, so a track file keyed by beat (write_steps) or
// the show's own tracks (start_in_show, on the build's pictures) give that beat's values.
// Colours, plain pictures and colour checks are those of the flat scene fixture.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/flat_scene_fixture.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"

class Scene;
class ShaderBank;

// A pixel of a picture a test paints, alpha included.
struct Rgba {
    int r, g, b, a;
};

// A PNG file of w x h pixels; paint gives the colour at (x, y), y = 0 the top row.
std::string painted_png(int w, int h, const std::function<Rgba(int x, int y)>& paint);

class SceneTest : public GlTest {
protected:
    void TearDown() override;

    // Links data/<name> of the build into the working folder; the show's sync tracks are
    // copied beside the test's own.
    void use_build_data(const std::string& name) const;
    // A track file for each name: one value from row 0 where overrides has one, no keys (the
    // scene's default) otherwise.
    void write_tracks(const std::vector<std::string>& names, const std::map<std::string, float>& overrides) const;
    // A track that holds each value from its beat on: (beat, value) pairs in beat order.
    void write_steps(const std::string& name, const std::vector<std::pair<float, float>>& steps) const;

    // Initialises the scene in the working folder with the given aspect and reshapes it to
    // the window; the fixture owns it from here.
    void start(Scene* scene, float aspect);
    // Starts the scene on the build's pictures (data/<name>) and the show's sync tracks, at
    // the show's 16:9 aspect.
    void start_in_show(Scene* scene, const std::string& name);
    // Draws one frame at a beat into the window, black-cleared, as the scene manager does.
    void frame(float beat);

    // The window pixel at screen fractions (x, y); y counts from the bottom, as GL reads pixels.
    static Rgb pixel_at(float x, float y);
    // The number of window pixels for which the predicate holds.
    static int count_pixels(const std::function<bool(const Rgb&)>& predicate);

    ShowFolder folder;
    std::unique_ptr<SteppedMusic> music;
    std::unique_ptr<ShaderBank> bank;
    std::unique_ptr<Scene> scene;
};
