// Material for tests that build the scene manager: a working folder that holds the build's
// data (shaders, fonts, pictures) beside sync tracks and a short music of the test's own, a
// music whose clock the test sets, and stand-in scenes and post passes with known colours and
// arithmetic.
#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "effects/effect/postproc.h"
#include "scenes/scene/scene.h"
#include "scenes/scenemanager.h"
#include "support/audio_fixture.h"
#include "support/temp_dir.h"
#include "util/music/music.h"

class ShaderProgram;

// A ".track" file: (row, value, shape) keys; shape 0 holds the value up to the next key.
std::string track_file_bytes(const std::vector<std::tuple<int, float, int>>& keys);

// A temporary folder that the test process works in while the object lives: data/common and
// data/effects are the build's, data/sync_tracker and the music are the test's.
class ShowFolder {
public:
    ShowFolder();
    ~ShowFolder();

    // Writes data/sync_tracker/_<name>.track.
    void write_track(const std::string& name, const std::vector<std::tuple<int, float, int>>& keys) const;
    // A track with one value from row 0 on.
    void write_constant(const std::string& name, float value) const;
    // Writes a short stereo OGG music and returns its path ("music.ogg" in the folder).
    std::string write_music(const TestSignal& signal) const;
    // Writes any file below the folder.
    void write_file(const std::string& relative, const std::string& bytes) const;

    const std::string& path() const { return dir.path(); }

private:
    TempDir dir;
    std::string previous;
};

// A music whose playback position is whatever the test sets (set_row, set_time).
class SteppedMusic : public Music {
public:
    using Music::Music;
    QWORD position = 0;

protected:
    QWORD read_position() override { return position; }
    bool write_position(QWORD bytes) override
    {
        position = bytes;
        return true;
    }
};

// Fills a centred square of the given half side (1 covers the whole target) with one colour;
// with additive set it adds the colour instead. Counts its render calls.
class ColourScene : public Scene {
public:
    ColourScene(float r, float g, float b, float half_side, bool additive = false);
    void init() override;
    void render() override;

    float r, g, b, half_side;
    bool additive;
    int renders = 0;
};

// A post pass whose program multiplies the picture by factor and then adds offset (given as
// GLSL number texts), with one parameter whose value is passed as the uniform "amount" that is
// added too.
class ArithmeticPass : public Effects::PostProc {
public:
    ArithmeticPass(const std::string& effect_name, const std::string& factor, const std::string& offset);
    ~ArithmeticPass() override;
    void set_uniforms(int w, int h, float time) override;

    ShaderProgram* program;
    int prepares = 0;
    FBO* last_source = nullptr;
    void prepare(int w, int h, float time, FBO* source) override;
};

// The RGBA bytes of an FBO's colour attachment at a pixel.
std::vector<unsigned char> fbo_pixel(FBO* fbo, int x, int y);
// The RGBA bytes of the window's last frame at a pixel: the test display's software GL
// copies the back buffer on a swap and keeps it, so it is read there.
std::vector<unsigned char> window_pixel(int x, int y);
