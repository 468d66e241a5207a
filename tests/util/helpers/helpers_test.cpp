#include "util/helpers/helpers.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

TEST(Helpers, ColourConversions)
{
    struct Case {
        Vector3 hsl;
        Vector3 rgb;
    };
    const Case cases[] = {
        {Vector3(0.0f, 0.0f, 0.3f), Vector3(0.3f, 0.3f, 0.3f)},     // grey: no saturation
        {Vector3(0.0f, 1.0f, 0.5f), Vector3(1.0f, 0.0f, 0.0f)},     // red
        {Vector3(1.0f / 3, 1.0f, 0.5f), Vector3(0.0f, 1.0f, 0.0f)}, // green
        {Vector3(2.0f / 3, 1.0f, 0.25f), Vector3(0.0f, 0.0f, 0.5f)}, // dark blue
        {Vector3(0.5f, 0.5f, 0.75f), Vector3(0.625f, 0.875f, 0.875f)}, // light cyan: l >= 0.5
    };
    for (const Case& c : cases) {
        Vector3 rgb = hsl_to_rgb(c.hsl);
        EXPECT_NEAR(rgb.x, c.rgb.x, 1e-5) << c.hsl.x;
        EXPECT_NEAR(rgb.y, c.rgb.y, 1e-5) << c.hsl.x;
        EXPECT_NEAR(rgb.z, c.rgb.z, 1e-5) << c.hsl.x;
        EXPECT_EQ(rgb.w, 1.0f);
    }
    // A hue below 0 or above 1 wraps by one.
    EXPECT_NEAR(hue_to_rgb(0.0f, 1.0f, -0.2f), hue_to_rgb(0.0f, 1.0f, 0.8f), 1e-6);
    EXPECT_NEAR(hue_to_rgb(0.0f, 1.0f, 1.2f), hue_to_rgb(0.0f, 1.0f, 0.2f), 1e-6);
    EXPECT_NEAR(hue_to_rgb(0.0f, 1.0f, 0.1f), 0.6f, 1e-6);
    EXPECT_NEAR(hue_to_rgb(0.0f, 1.0f, 0.6f), 0.4f, 1e-5);

    Vector3 colour = color_from_hex(0xFF8000);
    EXPECT_FLOAT_EQ(colour.x, 1.0f);
    EXPECT_NEAR(colour.y, 0.50196f, 1e-5);
    EXPECT_FLOAT_EQ(colour.z, 0.0f);
    EXPECT_EQ(colour.w, 1.0f);
    EXPECT_NEAR(color_from_hex(0x12345678).x, 0x34 / 255.0f, 1e-7); // bits above 23 are ignored
}

TEST(Helpers, FadeEnvelope)
{
    struct Case {
        float t;
        float expected;
    };
    const Case cases[] = {{5, 0}, {6, 0}, {8, 0.5f}, {10, 1}, {15, 1}, {20, 1},
                          {22, 0.5f}, {24, 0}, {24.5f, 0}};
    for (const Case& c : cases) {
        EXPECT_NEAR(fade_envelope(c.t, 10, 20, 4), c.expected, 1e-6) << "t = " << c.t;
    }
}

TEST(Helpers, NumbersAsText)
{
    EXPECT_EQ(float_to_string(3.14159f, 3), "3.14");
    EXPECT_EQ(float_to_string(0.5f, 3), "0.5");
    EXPECT_EQ(float_to_string(1234.5f, 2), "1.2e+03");
    EXPECT_EQ(int_to_string(0), "0");
    EXPECT_EQ(int_to_string(-42), "-42");
    EXPECT_EQ(int_to_string(2147483647), "2147483647");
}

TEST(Helpers, FileExistsForFilesOnly)
{
    TempDir dir;
    dir.write("picture.png", "x");
    dir.write("empty", "");
    EXPECT_TRUE(file_exists(dir.file("picture.png")));
    EXPECT_TRUE(file_exists(dir.file("empty")));
    EXPECT_FALSE(file_exists(dir.path()));
    EXPECT_FALSE(file_exists(dir.file("missing.png")));
    EXPECT_FALSE(file_exists(""));
}
