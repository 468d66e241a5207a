#include "scenes/scene_oscilloscope/oscilloscope.h"

#include <GL/glew.h>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "support/audio_fixture.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "util/fbo/fbo.h"

namespace {

const double PI = std::acos(-1.0);

// A window of the scene over a music of the test's own, drawn through a shared FBO of the
// window's size so a pixel of the window is a pixel of the trace.
class OscilloscopeTest : public GlTest {
protected:
    void TearDown() override
    {
        scene.reset();
        fbo.reset();
        music.reset();
        GlTest::TearDown();
    }

    void start(const TestSignal& signal)
    {
        const std::string path = folder.write_music(signal);
        music.reset(new SteppedMusic(path.c_str(), 145.0f, 0.0f, false, 0));
        fbo.reset(new FBO(WINDOW_WIDTH, WINDOW_HEIGHT, FBO_TYPE_COLOR_MIPMAP));
        scene.reset(new Oscilloscope());
        scene->set_music(music.get());
        scene->set_fbo(fbo.get());
        scene->init();
    }

    // One frame with the window starting at that frame of the music.
    void frame_at(std::uint64_t first_frame)
    {
        music->position = first_frame * 4;
        scene->reset_gl_state();
        scene->reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        scene->render();
        picture = read_rgba(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
    }

    // The rows of a column that the green trace covers. The rest is black, but for the faint
    // green the filtering of the shared FBO's picture spreads beside the line.
    std::vector<int> trace_rows(int column) const
    {
        std::vector<int> rows;
        for (int row = 0; row < WINDOW_HEIGHT; ++row) {
            const unsigned char* px = &picture[(static_cast<size_t>(row) * WINDOW_WIDTH + column) * 4];
            EXPECT_TRUE(px[0] == 0 && px[2] == 0)
                << "column " << column << ", row " << row << ": " << int(px[0]) << " " << int(px[1]) << " "
                << int(px[2]);
            if (px[1] > 100) rows.push_back(row);
        }
        return rows;
    }

    // Expects the trace in the column to pass within two rows of y (-1 bottom .. 1 top).
    void expect_trace_at(int column, double y) const
    {
        const double want = (y + 1.0) / 2.0 * WINDOW_HEIGHT;
        const std::vector<int> rows = trace_rows(column);
        ASSERT_FALSE(rows.empty()) << "no trace in column " << column;
        double nearest = WINDOW_HEIGHT;
        for (int row : rows) nearest = std::min(nearest, std::fabs(row + 0.5 - want));
        EXPECT_LE(nearest, 2.0) << "column " << column << " wants row " << want << ", trace from " << rows.front()
                                << " to " << rows.back();
    }

    ShowFolder folder;
    std::unique_ptr<SteppedMusic> music;
    std::unique_ptr<FBO> fbo;
    std::unique_ptr<Oscilloscope> scene;
    std::vector<unsigned char> picture;
};

TEST_F(OscilloscopeTest, SilenceIsAFlatLineAcrossTheMiddle)
{
    TestSignal silence;
    silence.samples.assign(44100 * 2, 0);
    start(silence);
    frame_at(1000);
    for (int column : {0, 1, 64, 128, 200, 254}) {
        const std::vector<int> rows = trace_rows(column);
        ASSERT_EQ(rows.size(), 1u) << column;
        EXPECT_NEAR(rows[0], WINDOW_HEIGHT / 2, 1) << column;
    }
}

// A tone of 256 frames a period on both channels at 0.4 of full scale: the 512 frames of a
// window are two periods, and the trace is 0.75 x (left + right) = 0.6 sin.
TEST_F(OscilloscopeTest, AToneDrawsTwoPeriodsOfItsSine)
{
    start(make_sine_signal(44100, 44100, {44100.0 / 256, 44100.0 / 256}, {0.4, 0.4}));
    frame_at(256 * 17); // a whole number of periods in: the window starts at phase 0
    for (int column = 0; column < WINDOW_WIDTH - 1; column += 4) {
        SCOPED_TRACE(column);
        const double x = (column + 0.5) / WINDOW_WIDTH;
        expect_trace_at(column, 0.6 * std::sin(4.0 * PI * x));
    }
}

// Near the end the window runs out of music: the music hands out zeros there, so the trace
// goes flat where the track ends, and a window wholly past the end is one flat line.
TEST_F(OscilloscopeTest, AtTheEndOfTheMusicTheTraceGoesFlat)
{
    start(make_sine_signal(44100, 44100, {44100.0 / 256, 44100.0 / 256}, {0.4, 0.4}));
    const std::uint64_t end = music->num_samples / 2;
    ASSERT_EQ(end, 44100u);
    frame_at(end - 128 - 36); // the last 164 frames: the first 82 columns of trace
    expect_trace_at(40, 0.6 * std::sin(2.0 * PI * (end - 164 + 80) / 256.0));
    for (int column : {90, 128, 254}) {
        const std::vector<int> rows = trace_rows(column);
        ASSERT_EQ(rows.size(), 1u) << column;
        EXPECT_NEAR(rows[0], WINDOW_HEIGHT / 2, 1) << column;
    }
    for (std::uint64_t first : {end, end + 10000}) {
        frame_at(first);
        for (int column : {0, 128, 254}) {
            const std::vector<int> rows = trace_rows(column);
            ASSERT_EQ(rows.size(), 1u) << first << " " << column;
            EXPECT_NEAR(rows[0], WINDOW_HEIGHT / 2, 1) << first << " " << column;
        }
    }
}

} // namespace
