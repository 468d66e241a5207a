// A GL fixture for the tests of the flat (2-D) scenes. The test works in a ShowFolder (the
// build's fonts and shaders) and writes the scene's pictures as plain colours, so a pixel
// tells what was drawn there. The music's clock stands at row 0 and the beat is its offset,
// so a test sets the beat exactly while every track reads its row-0 value: one given value,
// or the scene's default when the track file holds no keys. What the text printer draws is
// seen through its observer seam, with the pass's position and colour.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scenes/scene/scene.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "util/music/music.h"
#include "util/shaderprogram/shaderbank.h"

struct Rgb {
    int r, g, b;
};

// An opaque RGBA PNG of one colour.
std::string solid_png(int width, int height, Rgb colour);

class BeatMusic : public Music {
public:
    explicit BeatMusic(const char* path) : Music(path, 145.0f, 0.0f, false, 0) {}
    void set_beat(float beat) { beat_offset = beat; }

protected:
    QWORD read_position() override { return 0; }
    bool write_position(QWORD) override { return true; }
};

// One pass of the text printer: its bytes, the origin of its transform as a fraction of the
// window (through the projection, so a scrolled view shows where the text lands), and its
// colour.
struct PrintedText {
    std::string text;
    float x, y;
    float r, g, b, a;
};

class FlatSceneTest : public GlTest {
protected:
    void TearDown() override;

    // Writes a picture of one colour below the folder.
    void write_picture(const std::string& relative, int width, int height, Rgb colour);
    // Builds and initialises the scene over the given tracks (those in values hold that value,
    // the others their defaults), sized to the window at aspect 1, so screen fractions are the
    // same both ways. Starting again replaces the scene and the music.
    void start(Scene* new_scene, const std::vector<std::string>& tracks,
               const std::map<std::string, float>& values = {});
    // One frame at that beat into the cleared window.
    void frame(float beat);
    // The text printer's passes of one frame at that beat, in drawing order.
    std::vector<PrintedText> texts_at(float beat);
    // The window's RGB at screen fractions (x, y) of the last frame.
    static Rgb colour_at(float x, float y);

    ShowFolder folder;
    // Note data (the bytes of a MIDI file) that start loads before the scene's init; none
    // when empty.
    std::string notes_midi;
    std::unique_ptr<BeatMusic> music;
    std::unique_ptr<ShaderBank> bank;
    std::unique_ptr<Scene> scene;
};

// The passes that print exactly that text.
std::vector<PrintedText> passes_of(const std::vector<PrintedText>& texts, const std::string& text);

// Expects each channel within tolerance, naming what is checked.
void expect_rgb(Rgb got, Rgb want, const std::string& what, int tolerance = 3);
