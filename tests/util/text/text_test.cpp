#include "util/text/text.h"

#include <FTGL/ftgl.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/temp_dir.h"
#include "util/math/vector3.h"

namespace {

const char* const FONT = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";
const std::string REPORT = "Error in file src\\util\\text\\text:";

struct Box {
    int min_x = 1 << 30, min_y = 1 << 30, max_x = -1, max_y = -1;
    bool empty() const { return max_x < 0; }
    int width() const { return max_x - min_x + 1; }
    int height() const { return max_y - min_y + 1; }
};

class TextTest : public GlTest {
protected:
    // The bounding box of window pixels whose chosen channel exceeds the threshold.
    static Box lit_box(int channel, int threshold = 100)
    {
        const std::vector<unsigned char> rgba = read_rgba(0, 0, 256, 256);
        Box box;
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                if (rgba[(y * 256 + x) * 4 + channel] <= threshold) continue;
                box.min_x = std::min(box.min_x, x);
                box.min_y = std::min(box.min_y, y);
                box.max_x = std::max(box.max_x, x);
                box.max_y = std::max(box.max_y, y);
            }
        }
        return box;
    }

    // Pixel coordinates: one unit of the projection per window pixel, unless zoomed.
    static void project(float left, float bottom, float units)
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(left, left + units, bottom, bottom + units, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4f(1, 1, 1, 1);
    }
};

bool ends_with(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

TEST_F(TextTest, GlyphsScaleWithTheReshapedWidth)
{
    Text text(FONT, 48);
    project(-20, -20, 256);
    text.Reshape(1280, 720);
    text.print(0.0f, 0.0f, "HH");
    const Box full = lit_box(0);
    project(-20, -20, 256);
    text.Reshape(640, 360);
    text.print(0.0f, 0.0f, "HH");
    const Box half = lit_box(0);
    ASSERT_FALSE(full.empty());
    ASSERT_FALSE(half.empty());
    EXPECT_NEAR(full.height(), 35, 3); // a capital of a 48-point face at 72 dpi
    EXPECT_NEAR(half.width() * 2, full.width(), 3);
    EXPECT_NEAR(half.height() * 2, full.height(), 3);
}

TEST_F(TextTest, PositionedPrintTranslatesByFractionsOfTheSize)
{
    Text text(FONT, 48);
    text.Reshape(1280, 720);
    project(600, 340, 256);
    text.print(0.5f, 0.5f, "%d", 42);
    const Box positioned = lit_box(0);
    project(600, 340, 256);
    glTranslatef(640, 360, 0);
    text.print("42");
    const Box at_origin = lit_box(0);
    ASSERT_FALSE(positioned.empty());
    EXPECT_EQ(positioned.min_x, at_origin.min_x);
    EXPECT_EQ(positioned.min_y, at_origin.min_y);
    EXPECT_EQ(positioned.width(), at_origin.width());
    EXPECT_GT(positioned.min_x, 40);
}

TEST_F(TextTest, ShadowPassIsOffsetByPercentOfTheHeightOnBothAxes)
{
    Text text(FONT, 4);
    text.Reshape(1280, 720);
    // Ten window pixels per unit: the second pass lands 7.2 units = 72 pixels away.
    project(-2, -2, 25.6f);
    text.print_shadowed(0.0f, 0.0f, 1.0f, Vector3(0, 1, 0), Vector3(1, 0, 0), 1.0f, "#");
    const Box first = lit_box(0, 60);
    const Box second = lit_box(1, 60);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NEAR(second.min_x - first.min_x, 72, 2);
    EXPECT_NEAR(second.min_y - first.min_y, 72, 2);
    EXPECT_NEAR(second.width(), first.width(), 1);
}

TEST_F(TextTest, LatinOneDegreeSignIsDrawnAsTheDegreeGlyph)
{
    Text text(FONT, 48);
    text.Reshape(1280, 720);
    project(-20, -20, 256);
    text.print(0.0f, 0.0f, "%5.2f \xB0" "C", 32.0);
    const std::vector<unsigned char> printed = read_rgba(0, 0, 256, 256);

    FTBufferFont font(FONT);
    font.CharMap(ft_encoding_unicode);
    font.FaceSize(48, 72);
    project(-20, -20, 256);
    font.Render(L"32.00 \u00B0C", -1, FTPoint(0, 0, 0), FTPoint(0, 0, 0), FTGL::RENDER_ALL);
    EXPECT_TRUE(printed == read_rgba(0, 0, 256, 256));
    EXPECT_FALSE(lit_box(0).empty());
}

TEST_F(TextTest, FormattedTextIsCutAt255Characters)
{
    Text text(FONT, 48);
    text.Reshape(1280, 720);
    const std::string long_text(300, 'H');
    project(0, 0, 256);
    glScalef(0.03f, 0.03f, 1.0f);
    text.print("%s", long_text.c_str());
    const Box cut = lit_box(0, 20);
    project(0, 0, 256);
    glScalef(0.03f, 0.03f, 1.0f);
    text.print("%s", long_text.substr(0, 255).c_str());
    const Box exact = lit_box(0, 20);
    ASSERT_FALSE(cut.empty());
    EXPECT_EQ(cut.max_x, exact.max_x);
    EXPECT_LT(cut.max_x, 250);
}

TEST_F(TextTest, PrintUnbindsTextureUnitsAndLeavesUnitZeroActive)
{
    Text text(FONT, 12);
    text.Reshape(256, 256);
    GLuint textures[8];
    glGenTextures(8, textures);
    for (int unit = 0; unit < 8; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, textures[unit]);
    }
    glActiveTexture(GL_TEXTURE5);
    text.print(0.1f, 0.1f, nullptr); // nothing to print: nothing changes
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), textures[5]);

    text.print(0.1f, 0.1f, "x");
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    // Unit 0 may hold the font's own glyph buffer afterwards; none of ours is bound anywhere.
    for (int unit = 0; unit < 8; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_NE(static_cast<GLuint>(bound), textures[unit]) << unit;
        if (unit > 0) {
            EXPECT_EQ(bound, 0) << unit;
        }
    }
    glActiveTexture(GL_TEXTURE0);
    glDeleteTextures(8, textures);
}

TEST(TextFailures, PrintingBeforeReshapeAndBadFontsAreFatal)
{
    TempDir dir;
    dir.write("broken.ttf", std::string(4096, 'x'));
    const std::string broken = dir.file("broken.ttf");
    struct Case {
        std::function<void()> body;
        std::string ending;
    };
    const std::string before = "\n\nCan't print before calling Text::Reshape() at least once!\n";
    const Case cases[] = {
        {[] { Text t(FONT, 12); t.print(0.5f, 0.5f, "x"); }, "92" + before},
        {[] { Text t(FONT, 12); t.print("x"); }, "64" + before},
        {[] { Text t(FONT, 12); t.Reshape(0, 720); t.print_shadowed(0, 0, 1, Vector3(1), Vector3(0), 1, "x"); },
         "186" + before},
        {[] { Text t("no_such_font.ttf", 12); }, "13\n\nFailed to open font file no_such_font.ttf\n"},
        {[&] { Text t(broken, 12); }, "16\n\nFailed to create font from " + broken + "\n"},
    };
    for (const Case& c : cases) {
        ChildResult result = run_in_gl_child(c.body);
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.err.rfind(REPORT, 0), 0u) << result.err;
        EXPECT_TRUE(ends_with(result.err, REPORT + c.ending)) << result.err;
    }
}
