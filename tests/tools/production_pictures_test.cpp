// The generated pictures through the player's own image readers: every picture the show
// names decodes, in the form and shape its scene expects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "util/texture/texture.h"

namespace {

const std::string DATA = std::string(PELLORVANE_BINARY_DIR) + "/data/";

struct Picture {
    int width = 0, height = 0;
    bool ok = false, rgba = false;
    int transparent = 0, opaque = 0; // pixel counts by alpha
};

Picture load(const std::string& name)
{
    Picture p;
    Texture::TextureInfo info{};
    const std::string path = DATA + name;
    const size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    const bool jpeg = extension == ".jpg" || extension == ".jpeg";
    p.ok = jpeg ? Texture::load_jpg(&info, path.c_str()) : Texture::load_png(&info, path.c_str());
    if (!p.ok || !info.imageData)
        return p;
    p.width = static_cast<int>(info.width);
    p.height = static_cast<int>(info.height);
    p.rgba = info.format == GL_RGBA && info.bpp == 32;
    const unsigned channels = info.bpp / 8;
    if (p.rgba)
        for (unsigned i = 0; i < info.width * info.height; ++i) {
            unsigned char a = info.imageData[i * channels + 3];
            p.transparent += a == 0;
            p.opaque += a == 255;
        }
    std::free(info.imageData);
    return p;
}

} // namespace

TEST(ProductionPictures, EveryNamedPictureDecodesInItsForm)
{
    const struct {
        const char* name;
        bool blended; // drawn over other things: needs a transparent background
    } pictures[] = {
        {"common/images/tarnholm_logo_16_9.png", false}, {"common/images/asciichart.png", true},
        {"common/images/stage_mod.jpg", false},          {"effects/firesl/flames.jpg", false},
        {"quorelintro/sol_med_bane3.png", true},          {"quorelintro/jordklode3.png", true},
        {"quorelintro/forvirret_ku.png", true},           {"quorelintro/anticube.png", true},
        {"quorelintro/red_star_rises.jpg", false},        {"quorelintro/vetr.png", true},
        {"quorelintro/vetr_glow.png", true},              {"quorelintro/klokke.png", true},
        {"quorelintro/linjal.png", true},                 {"quorelintro/multimeter.png", true},
        {"quorelintro/maalebeger.png", true},             {"quorelintro/vekt.png", true},
        {"picturepuzzle/giraff.png", true},               {"picturepuzzle/tavle_bg.png", false},
        {"kuvits/ku_vits_1.png", true},                   {"kuvits/ku_vits_2.png", true},
        {"robotku/robot_ku.png", true},                   {"robotku/ku_vs_robot_glow.png", true},
        {"quorelannouncer/placeholder_2.png", false},     {"quorelannouncer/forvirret_ku.png", true},
        {"kuslipp/skyer.png", true},                      {"kuslipp/fly.png", true},
        {"kuslipp/flyveku_stage1.png", true},             {"kutemp/gradestokk.png", true},
        {"kutemp/gradestokk_0.png", true},                {"kutemp/gradestokk_100.png", true},
        {"kutemp/ku_minus_100.png", true},                {"kutemp/ku_0_grader.png", true},
        {"kutemp/ku_100_grader.png", true},               {"kucredits/kyr_maane.png", false},
    };
    for (const auto& entry : pictures) {
        std::string name = entry.name;
        Picture p = load(name);
        ASSERT_TRUE(p.ok) << name;
        EXPECT_GT(p.width, 0) << name;
        EXPECT_GT(p.height, 0) << name;
        bool jpeg = name.compare(name.size() - 4, 4, ".jpg") == 0;
        if (jpeg)
            continue;
        EXPECT_TRUE(p.rgba) << name;
        if (entry.blended) {
            EXPECT_GT(p.transparent, 0) << name;
            EXPECT_GT(p.opaque + p.transparent, 0) << name;
        } else {
            EXPECT_EQ(p.transparent, 0) << name;
        }
    }
}

TEST(ProductionPictures, ShapesTheScenesRelyOn)
{
    Picture logo = load("common/images/tarnholm_logo_16_9.png");
    EXPECT_EQ(logo.width * 9, logo.height * 16);
    Picture flag = load("quorelintro/red_star_rises.jpg");
    EXPECT_EQ(flag.width * 3, flag.height * 4);
    Picture chart = load("common/images/asciichart.png");
    EXPECT_EQ(chart.width, 128); // 16 x 16 glyphs of 8 x 8 pixels
    EXPECT_EQ(chart.height, 128);
    // The puzzle turns every opaque pixel into a cube: a small picture, a few hundred cubes.
    Picture giraffe = load("picturepuzzle/giraff.png");
    EXPECT_LE(giraffe.width * giraffe.height, 64 * 64);
    EXPECT_GT(giraffe.opaque, 100);
    EXPECT_EQ(giraffe.opaque + giraffe.transparent, giraffe.width * giraffe.height);
    // The sky box: six square faces of one size.
    const std::string base = "effects/skybox/spacescape_purple_nebula_complex/purple_nebula_complex_";
    Picture first = load(base + "left.png");
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(first.width, first.height);
    for (const char* face : {"right", "down", "up", "back", "front"}) {
        Picture p = load(base + face + ".png");
        ASSERT_TRUE(p.ok) << face;
        EXPECT_EQ(p.width, first.width) << face;
        EXPECT_EQ(p.height, first.height) << face;
        EXPECT_EQ(p.transparent, 0) << face;
    }
}

// Every picture the build made, found by walking the data folder, loads whole through the
// player's own readers: the checksums of its data hold and the data reaches its last row,
// without a warning from the JPEG library.
TEST(ProductionPictures, EveryPictureOfTheDataFolderLoadsCleanly)
{
    int pictures = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(DATA)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension != ".png" && extension != ".jpg" && extension != ".jpeg") continue;
        const std::string name = std::filesystem::relative(entry.path(), DATA).string();
        testing::internal::CaptureStderr();
        const Picture p = load(name);
        const std::string messages = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(p.ok) << name;
        EXPECT_GT(p.width * p.height, 0) << name;
        EXPECT_EQ(messages, "") << name;
        ++pictures;
    }
    // The show's 40 pictures; fewer means the walk missed them.
    EXPECT_GE(pictures, 40);
}
