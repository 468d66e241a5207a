// The timeline and the ".track" files compiled from it.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "effects/effect/postproc.h"
#include "scenes/scenemanager.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "support/show_timeline.h"
#include "support/temp_dir.h"
#include "timeline.h"

namespace {

const std::string TRACKS = std::string(PELLORVANE_BINARY_DIR) + "/data/sync_tracker/";

struct Key {
    int32_t row;
    float value;
    uint8_t shape;
};

// Reads a ".track" file on its own terms: u32 count, then 9 packed bytes a key.
bool read_track(const std::string& bytes, std::vector<Key>& keys)
{
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
        return v;
    };
    if (bytes.size() < 4)
        return false;
    uint32_t count = u32(0);
    if (bytes.size() != 4 + 9ull * count)
        return false;
    keys.clear();
    for (uint32_t k = 0; k < count; ++k) {
        size_t at = 4 + 9ull * k;
        Key key;
        key.row = static_cast<int32_t>(u32(at));
        uint32_t bits = u32(at + 4);
        std::memcpy(&key.value, &bits, 4);
        key.shape = static_cast<uint8_t>(bytes[at + 8]);
        keys.push_back(key);
    }
    return true;
}

} // namespace

TEST(ProductionTracks, EveryTrackFileReadsBackToTheTimelinesKeys)
{
    gen::Timeline timeline = show_timeline::load();
    ASSERT_FALSE(timeline.tracks.empty());
    for (const gen::TimelineTrack& track : timeline.tracks) {
        std::vector<Key> keys;
        ASSERT_TRUE(read_track(read_file_bytes(TRACKS + "_" + track.name + ".track"), keys))
            << track.name;
        ASSERT_EQ(keys.size(), track.keys.size()) << track.name;
        for (size_t k = 0; k < keys.size(); ++k) {
            EXPECT_EQ(keys[k].row, track.keys[k].row) << track.name;
            EXPECT_EQ(keys[k].value, track.keys[k].value) << track.name;
            EXPECT_EQ(keys[k].shape, track.keys[k].shape) << track.name;
            EXPECT_LE(keys[k].shape, 3) << track.name;
        }
    }
}

// The post effects are made as the manager makes them, in a GL window and a folder that holds
// the build's shaders.
using ProductionTracksGl = GlTest;

TEST_F(ProductionTracksGl, EveryRegisteredTrackHasAFile)
{
    // The scene manager's tracks, those of every post effect of the show's list, and every
    // scene's own.
    std::vector<std::string> names = {"ActiveScene1st", "ActiveScene2nd", "ActiveScene3rd"};
    {
        ShowFolder shaders;
        std::vector<Effects::PostProc*> made;
        SceneManager::Sources::show().make_post_effects(made);
        ASSERT_FALSE(made.empty());
        for (Effects::PostProc* made_effect : made) {
            std::unique_ptr<Effects::PostProc> effect(made_effect);
            names.push_back("pp" + effect->get_name());
            for (const std::string& param : effect->get_param_names())
                names.push_back("pp" + param);
        }
    }
    const char* scene_tracks[] = {
        "miFadeSpeed", "miSolStart", "miSolEnd", "miMiles", "miPints", "miYards", "miCelsius",
        "miKPa", "miTemp", "miCow", "miCowX", "miCowY", "miCowSize", "miCowEnd", "miCube",
        "miCubeX", "miCubeY", "miCubeSize", "miCubeEnd", "miCubeT1X", "miCubeT1Y", "miCubeT2X",
        "miCubeT2Y", "miCubeT3X", "miCubeT3Y", "miOneWorld", "miOneSystem", "miOneQuorel",
        "miOneEnd", "miFlagStart", "miFlagEnd", "miTulmStart", "miTulmGlow",
        "oiStart", "oiInterval", "oiScrollSpeed", "oiBlinkSpeed", "oiRedSpeed",
        "rkOrgStr", "rkGlowStr", "puProgress", "puInterval",
        "kvProgress", "kvX", "kvY", "kvSize",
        "slColor0", "slColor1", "slColor2", "slColor3", "slLuminance", "slTrack0", "slTrack1",
        "slTrack2", "slTrack3",
        "mtBlocky", "mtAmbient", "mtDisplaceRand", "mtDisplaceSpace", "mtRadblurDisplace",
        "mtRadblurIntensity", "sbAngle", "maAnnouncement", "maProgress", "maFade",
        "ksSkyX", "ksSkyY", "ksPlaneX", "ksPlaneY", "ksPlaneSize", "ksCow1X", "ksCow1Y",
        "ksCow1Size", "ksCow2X", "ksCow2Y", "ksCow2Size",
        "crGlow", "crStart", "crEnd", "crFadeSpeed", "crDelay", "crSpacing", "cr1X", "cr1Y",
        "cr2X", "cr2Y", "cr3X", "cr3Y", "ktProgress", "ktPicFade"};
    names.insert(names.end(), std::begin(scene_tracks), std::end(scene_tracks));
    for (const std::string& name : names) {
        std::vector<Key> keys;
        EXPECT_TRUE(read_track(read_file_bytes(TRACKS + "_" + name + ".track"), keys)) << name;
    }
}

// The first scene track takes the places of the scene table one after another, each once: a
// place is a scene's turn in the show.
TEST(ProductionTracks, ShowPlaysEverySceneInTableOrder)
{
    gen::Timeline timeline = show_timeline::load();
    const gen::TimelineTrack* scenes = timeline.find("ActiveScene1st");
    ASSERT_NE(scenes, nullptr);
    ASSERT_EQ(scenes->keys.size(), static_cast<size_t>(SceneManager::SCENE_COUNT));
    for (size_t i = 0; i < scenes->keys.size(); ++i) {
        EXPECT_EQ(scenes->keys[i].value, static_cast<float>(i));
        EXPECT_EQ(scenes->keys[i].shape, gen::KEY_STEP);
    }
    EXPECT_EQ(scenes->keys[0].row, 0);
    std::set<int> shapes;
    for (const gen::TimelineTrack& track : timeline.tracks)
        for (const gen::TimelineKey& key : track.keys)
            shapes.insert(key.shape);
    EXPECT_EQ(shapes.size(), 4u) << "the show keys with all four shapes";
    const double minutes = timeline.length_beats / timeline.bpm;
    EXPECT_GE(minutes, 4.0);
    EXPECT_LE(minutes, 5.0);
}

TEST(TimelineParser, ReadsKeysInRowsWithTheirShapes)
{
    gen::Timeline t;
    std::string error;
    ASSERT_TRUE(gen::parse_timeline("bpm 145\nlength 16  # beats\n\ntrack a\n  0 1 step\n"
                                    "  2.125 -0.5 smooth\ntrack empty\ntrack b\n 1 3 ramp\n",
                                    t, error))
        << error;
    ASSERT_EQ(t.tracks.size(), 3u);
    ASSERT_EQ(t.tracks[0].keys.size(), 2u);
    EXPECT_EQ(t.tracks[0].keys[1].row, 17);
    EXPECT_EQ(t.tracks[0].keys[1].value, -0.5f);
    EXPECT_EQ(t.tracks[0].keys[1].shape, gen::KEY_SMOOTH);
    EXPECT_TRUE(t.tracks[1].keys.empty());
    EXPECT_EQ(t.tracks[2].keys[0].shape, gen::KEY_RAMP);
    EXPECT_EQ(gen::encode_track(t.tracks[1]), std::string(4, '\0'));
    EXPECT_EQ(gen::encode_track(t.tracks[2]).size(), 13u);
}

TEST(TimelineParser, RefusesBrokenTimelinesNamingTheLine)
{
    const std::string head = "bpm 145\nlength 8\n";
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {head + "0 1 step\n", "line 3: key before the first 'track'"},
        {head + "track a\n0 1 wobble\n", "line 4: unknown shape 'wobble'"},
        {head + "track a\n0.1 1 step\n", "line 4: beat 0.1 is not on a row"},
        {head + "track a\n1 1 step\n1 2 step\n", "line 5: keys of track a must increase"},
        {head + "track a\ntrack a\n", "line 4: track a is listed twice"},
        {head + "track a\n0 x step\n", "line 4: 'x' is not a value"},
        {"bpm 145\ntrack a\n", "the timeline names no 'length'"},
    };
    for (const auto& c : cases) {
        gen::Timeline t;
        std::string error;
        EXPECT_FALSE(gen::parse_timeline(c.text, t, error)) << c.text;
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
    }
}
