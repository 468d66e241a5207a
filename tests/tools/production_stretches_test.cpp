// The whole show as the build packs it: the real show from data.qxv (its own scenes, post
// effects and tracks, on a clock set by hand) pictured at a beat inside each of its stretches,
// one a place of the scene table. Every picture must show something, and something else than
// the stretches beside it, so that a scene that stops drawing fails here rather than in front
// of a viewer. A picture that is lit only in its bottom fifth (a caption board over black)
// fails too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "scenes/scenelist.h"
#include "scenes/scenemanager.h"
#include "support/child_process.h"
#include "support/show_timeline.h"
#include "support/temp_dir.h"

namespace {

const std::string BUILD = PELLORVANE_BINARY_DIR;
constexpr int WIDTH = 320;
constexpr int HEIGHT = 180;

struct Stretch {
    const char* scene;
    const char* beat; // a beat inside the stretch where its scene is at work
    double least_mean; // the mean luma the picture has at least
};

// The oscilloscope draws one thin trace on black, about a fiftieth of the picture, so its mean
// luma is low even when it works; its brightest pixels still show it.
const Stretch STRETCHES[] = {
    {"QuorelIntro", "60", 0.02},      {"OneInchFurther", "140", 0.02}, {"RobotKu", "170", 0.02},
    {"PicturePuzzle", "220", 0.02},   {"KuVits", "244", 0.02},         {"Oscilloscope", "268", 0.004},
    {"StageLights", "300", 0.02},     {"SkyboxWeirdness", "344", 0.02}, {"MusicTunnel", "392", 0.02},
    {"SpectrumBoxes", "448", 0.02},   {"QuorelAnnouncer", "500", 0.02}, {"KuSlipp", "552", 0.02},
    {"KuCredits", "584", 0.02},       {"KuTemp", "620", 0.02},
};

struct Picture {
    std::vector<double> luma; // 0..1, one value a pixel
    double mean = 0.0;
    double upper_mean = 0.0; // the mean luma of the four fifths above the bottom fifth
    double spread = 0.0; // standard deviation of the luma
    double brightest = 0.0; // the luma that the brightest hundredth of the picture reaches
};

// Reads the binary PPM that show_shot writes.
Picture read_picture(const std::string& path)
{
    Picture picture;
    std::string bytes = read_file_bytes(path);
    std::string header = "P6\n" + std::to_string(WIDTH) + " " + std::to_string(HEIGHT) + "\n255\n";
    if (bytes.compare(0, header.size(), header) != 0 ||
        bytes.size() != header.size() + static_cast<size_t>(WIDTH) * HEIGHT * 3) {
        ADD_FAILURE() << path << " is not a " << WIDTH << " x " << HEIGHT << " picture";
        return picture;
    }
    for (size_t i = header.size(); i + 2 < bytes.size(); i += 3) {
        double r = static_cast<uint8_t>(bytes[i]), g = static_cast<uint8_t>(bytes[i + 1]),
               b = static_cast<uint8_t>(bytes[i + 2]);
        picture.luma.push_back((0.299 * r + 0.587 * g + 0.114 * b) / 255.0);
    }
    for (double v : picture.luma) picture.mean += v;
    picture.mean /= static_cast<double>(picture.luma.size());
    // The file holds the top row first.
    const size_t upper = static_cast<size_t>(WIDTH) * (HEIGHT - HEIGHT / 5);
    for (size_t i = 0; i < upper; ++i) picture.upper_mean += picture.luma[i];
    picture.upper_mean /= static_cast<double>(upper);
    for (double v : picture.luma) picture.spread += (v - picture.mean) * (v - picture.mean);
    picture.spread = std::sqrt(picture.spread / static_cast<double>(picture.luma.size()));
    std::vector<double> sorted = picture.luma;
    const size_t top = sorted.size() - sorted.size() / 100 - 1;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(top), sorted.end());
    picture.brightest = sorted[top];
    return picture;
}

double mean_difference(const Picture& a, const Picture& b)
{
    if (a.luma.size() != b.luma.size() || a.luma.empty()) return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < a.luma.size(); ++i) sum += std::fabs(a.luma[i] - b.luma[i]);
    return sum / static_cast<double>(a.luma.size());
}

} // namespace

// The pictured beats: one row a place, in the table's order, each inside the stretch that the
// timeline gives its scene.
TEST(ProductionStretches, EveryPlaceIsPicturedInsideItsOwnStretch)
{
    const gen::Timeline timeline = show_timeline::load();
    ASSERT_EQ(std::size(STRETCHES), static_cast<size_t>(SceneManager::SCENE_COUNT));
    for (int place = 0; place < SceneManager::SCENE_COUNT; ++place) {
        const Stretch& pictured = STRETCHES[place];
        EXPECT_STREQ(pictured.scene, show_scene_name(place)) << "place " << place;
        const show_timeline::Stretch stretch = show_timeline::stretch(timeline, pictured.scene);
        const float beat = std::stof(pictured.beat);
        EXPECT_GE(beat, stretch.first) << pictured.scene;
        EXPECT_LT(beat, stretch.end) << pictured.scene;
    }
}

TEST(ProductionStretches, EveryStretchShowsAPictureOfItsOwn)
{
    TempDir dir;
    std::vector<std::string> args = {BUILD + "/tools/show_shot", BUILD + "/data.qxv", dir.file("shot"),
                                     std::to_string(WIDTH), std::to_string(HEIGHT)};
    for (const Stretch& stretch : STRETCHES) args.push_back(stretch.beat);
    ChildResult shot = run_program(args, {"SDL_AUDIODRIVER=dummy", "PELLORVANE_UNATTENDED=1"}, dir.path(), 280);
    ASSERT_EQ(shot.exit_code, 0) << shot.err;

    std::vector<Picture> pictures;
    for (const Stretch& stretch : STRETCHES)
        pictures.push_back(read_picture(dir.file(std::string("shot-") + stretch.beat + ".ppm")));

    for (size_t i = 0; i < pictures.size(); ++i) {
        SCOPED_TRACE(std::string(STRETCHES[i].scene) + " at beat " + STRETCHES[i].beat);
        EXPECT_GT(pictures[i].mean, STRETCHES[i].least_mean) << "the picture is black";
        EXPECT_GT(pictures[i].upper_mean, STRETCHES[i].least_mean)
            << "the picture is black above its bottom fifth";
        EXPECT_GT(pictures[i].brightest, 0.15) << "nothing bright is drawn";
        EXPECT_GT(pictures[i].spread, 0.02) << "the picture is one flat colour";
        if (i > 0) {
            EXPECT_GT(mean_difference(pictures[i], pictures[i - 1]), 0.02)
                << "the picture is the same as the one of " << STRETCHES[i - 1].scene;
        }
    }
}
