// The ASCII-art engine: its chart, target, cells, palette, pictures and letterbox.
#include "util/ascii/asciiengine.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "support/temp_dir.h"
#include "util/fbo/fbo.h"

namespace {

class AsciiEngineGl : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        folder = std::make_unique<ShowFolder>();
        engine = std::make_unique<AsciiEngine>();
    }
    void TearDown() override
    {
        engine.reset();
        folder.reset();
        GlTest::TearDown();
    }
    std::unique_ptr<ShowFolder> folder;
    std::unique_ptr<AsciiEngine> engine;
};

} // namespace

TEST_F(AsciiEngineGl, ResourcesAfterConstruction)
{
    // A 16 x 16 grid of 8 x 8 glyphs.
    EXPECT_EQ(engine->chart.get_width(), 128u);
    EXPECT_EQ(engine->chart.get_height(), 128u);
    ASSERT_NE(engine->target, nullptr);
    EXPECT_EQ(engine->target->get_width(), 640);
    EXPECT_EQ(engine->target->get_height(), 600);
    unsigned char zero[sizeof engine->cells] = {};
    EXPECT_EQ(std::memcmp(engine->cells, zero, sizeof zero), 0);
    EXPECT_EQ(sizeof engine->cells, 12000u);
    EXPECT_EQ((std::vector<int>{engine->viewport_x, engine->viewport_y, engine->viewport_width, engine->viewport_height}),
              (std::vector<int>{1, 1, 1, 1}));
    struct Colour {
        int index;
        float r, g, b;
    };
    for (const Colour& c : {Colour{0, 0, 0, 0}, Colour{1, 0, 0, 0.5f}, Colour{6, 0.5f, 0.5f, 0}, Colour{7, 0.75f, 0.75f, 0.75f},
                            Colour{8, 0.5f, 0.5f, 0.5f}, Colour{11, 0, 1, 1}, Colour{12, 1, 0, 0}, Colour{15, 1, 1, 1}}) {
        const Vector4& p = engine->palette[c.index];
        EXPECT_EQ((std::vector<float>{p.x, p.y, p.z, p.w}), (std::vector<float>{c.r, c.g, c.b, 1.0f})) << c.index;
    }
}

TEST_F(AsciiEngineGl, PicturesAreFiftyRowsOfEightyAllowedCharacters)
{
    for (int n = 0; n < AsciiEngine::PICTURE_COUNT; ++n) {
        int ink = 0;
        for (int row = 0; row < AsciiEngine::PICTURE_ROWS; ++row) {
            const char* text = engine->pictures[n][row];
            ASSERT_EQ(std::strlen(text), 80u) << n << " " << row;
            for (const char* c = text; *c; ++c) {
                ASSERT_NE(std::strchr(". o8#:", *c), nullptr) << n << " " << row;
                ink += std::strchr("o8#:", *c) != nullptr;
            }
        }
        EXPECT_GT(ink, 200) << "picture " << n;
    }
    // Picture 1: the figure beside a blank window 30 columns wide.
    int window_rows = 0;
    for (int row = 0; row < AsciiEngine::PICTURE_ROWS; ++row)
        window_rows += std::strncmp(engine->pictures[1][row], ".....                              ", 35) == 0;
    EXPECT_GE(window_rows, 30);
}

TEST_F(AsciiEngineGl, LetterboxInDoubleWithAFloatAspect)
{
    struct Case {
        int w, h;
        float aspect;
        int x, y, width, height;
    };
    const Case cases[] = {
        {1920, 1080, 4.0f / 3.0f, 240, 0, 1440, 1080},
        {1280, 720, 16.0f / 9.0f, 0, 0, 1280, 719},
        {1440, 1080, 4.0f / 3.0f, 0, 0, 1440, 1079},
        {1024, 768, 16.0f / 9.0f, 0, 96, 1024, 575},
    };
    for (const Case& c : cases) {
        engine->letterbox(c.w, c.h, c.aspect);
        EXPECT_EQ((std::vector<int>{engine->viewport_x, engine->viewport_y, engine->viewport_width, engine->viewport_height}),
                  (std::vector<int>{c.x, c.y, c.width, c.height}))
            << c.w << " x " << c.h;
    }
}

TEST(AsciiEngine, AMissingChartIsFatal)
{
    ChildResult result = run_in_gl_child([] {
        TempDir empty;
        if (chdir(empty.path().c_str()) != 0) std::_Exit(2);
        AsciiEngine engine;
    });
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("Failed to load texture"), std::string::npos) << result.err;
}
