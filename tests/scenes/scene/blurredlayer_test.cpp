// The kept blur of a picture that never changes: the same pixels as the blur program drawing
// the picture each time, at any colour, blending and viewport size. The kept picture holds
// bytes, so its colour and its alpha are each rounded once more: up to two 255ths off.
#include "scenes/scene/blurredlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "util/fbo/fbo.h"
#include "util/shaderprogram/shaderbank.h"

namespace {

class BlurredLayerTest : public GlTest {
protected:
    void TearDown() override
    {
        bank.reset();
        GlTest::TearDown();
    }

    // The window after drawing over a grey background with additive alpha blending.
    static std::vector<unsigned char> blended(int width, int height, float grey, const std::function<void()>& draw)
    {
        glViewport(0, 0, width, height);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glColor4f(grey, grey, grey, 0.75f);
        draw();
        glDisable(GL_BLEND);
        return read_rgba(0, 0, width, height);
    }

    ShowFolder folder;
    std::unique_ptr<ShaderBank> bank;
};

} // namespace

TEST_F(BlurredLayerTest, AddsTheBlurOfThePictureAsTheBlurProgramWould)
{
    bank.reset(new ShaderBank());
    // Hard edges: an orange block, a half transparent blue one, transparent black around them.
    FBO source(64, 48, FBO_TYPE_COLOR);
    source.push(true);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(1.0f, 0.5f, 0.1f, 1.0f);
    glScissor(8, 8, 20, 30);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.1f, 0.2f, 0.9f, 0.5f);
    glScissor(36, 20, 16, 6);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    source.pop();
    auto draw_picture = [&source] { source.draw(); };

    BlurredLayer layer;
    FBO* kept = nullptr;
    struct Case {
        int width, height;
        float grey;
    };
    for (const Case& c : {Case{160, 120, 1.0f}, Case{160, 120, 0.4f}, Case{200, 100, 0.8f}}) {
        const std::string label = std::to_string(c.width) + " x " + std::to_string(c.height) + " grey " + std::to_string(c.grey);
        const std::vector<unsigned char> expected = blended(c.width, c.height, c.grey, [&] {
            bank->bind(SHADER_SLOT_BLUR);
            draw_picture();
        });
        const std::vector<unsigned char> actual =
            blended(c.width, c.height, c.grey, [&] { layer.draw(*bank, draw_picture); });
        ASSERT_EQ(actual.size(), expected.size());
        int largest = 0;
        for (size_t i = 0; i < actual.size(); ++i)
            largest = std::max(largest, std::abs(static_cast<int>(actual[i]) - static_cast<int>(expected[i])));
        EXPECT_LE(largest, 2) << label;
        EXPECT_NE(expected, blended(c.width, c.height, c.grey, [] {})) << label << ": the blur adds light";

        // Kept while the viewport keeps its size, made again at a new size.
        ASSERT_NE(layer.get_picture(), nullptr);
        EXPECT_EQ(layer.get_picture()->get_width(), c.width) << label;
        EXPECT_EQ(layer.get_picture()->get_height(), c.height) << label;
        if (c.grey == 0.4f) {
            EXPECT_EQ(layer.get_picture(), kept) << label;
        }
        kept = layer.get_picture();
    }
}
