// The show's timeline keys the opening scene so that every element of its sequence shows
// within the scene's stretch.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/show_timeline.h"

namespace {

const float FADE = 2.0f;

// The scene's timing tracks as the timeline holds them: one value through the stretch, or the
// scene's default when the track has no keys.
std::map<std::string, float> timing_tracks(const gen::Timeline& timeline)
{
    const std::map<std::string, float> defaults = {
        {"miSolEnd", 128.0f}, {"miMiles", 13.0f},    {"miPints", 14.5f},     {"miYards", 16.0f},
        {"miCelsius", 23.0f}, {"miKPa", 25.0f},      {"miTemp", 36.0f},      {"miCow", 30.5f},
        {"miCowEnd", 46.0f},  {"miCube", 50.0f},     {"miCubeEnd", 64.0f},   {"miOneWorld", 120.0f},
        {"miOneSystem", 122.0f}, {"miOneQuorel", 128.0f}, {"miOneEnd", 140.0f},
        {"miFlagStart", 100.0f}, {"miFlagEnd", 120.0f}, {"miTulmStart", 110.0f},
        {"miTulmGlow", 116.0f},
    };
    std::map<std::string, float> values;
    for (const auto& entry : defaults) {
        const gen::TimelineTrack* track = timeline.find(entry.first);
        if (track != nullptr) {
            EXPECT_LE(track->keys.size(), 1u) << entry.first << " should hold one value";
        }
        values[entry.first] = show_timeline::value(timeline, entry.first, 0.0f, entry.second);
    }
    return values;
}

} // namespace

TEST(QuorelIntroTimeline, EveryElementShowsWithinTheScenesStretch)
{
    const gen::Timeline timeline = show_timeline::load();
    const show_timeline::Stretch stretch = show_timeline::stretch(timeline, "QuorelIntro");
    ASSERT_EQ(stretch.first, 0.0f);
    ASSERT_LT(stretch.first, stretch.end);
    const float end = stretch.end;

    std::map<std::string, float> v = timing_tracks(timeline);
    ASSERT_EQ(v.size(), 19u);
    // Sun and globe from the fixed beat 2, with the year facts (up to beat 9.5) beside them.
    EXPECT_GE(v["miSolEnd"], 9.5f);
    EXPECT_LE(v["miSolEnd"] + FADE, end);
    for (const char* peak : {"miMiles", "miPints", "miYards", "miCelsius", "miKPa"}) {
        EXPECT_GE(v[peak], FADE) << peak;
        EXPECT_LE(v[peak] + FADE, end) << peak;
    }
    // The cow with its "?" sign a beat after it comes in.
    EXPECT_GE(v["miCowEnd"], v["miCow"] + 2.0f);
    EXPECT_LE(v["miCowEnd"] + FADE, end);
    EXPECT_LE(v["miTemp"] + 8.0f + FADE, end);
    // The cube with its three labels, and the five instruments before the fixed beat 62.
    EXPECT_GE(v["miCubeEnd"], v["miCube"] + 3.0f);
    EXPECT_LE(v["miCubeEnd"] + FADE, end);
    EXPECT_LT(v["miCube"] + 6.5f, 62.0f);
    EXPECT_LE(62.0f + FADE, end);
    // The flag, the portrait (full until eight beats before the flag ends) and its glow.
    EXPECT_LT(v["miFlagStart"], v["miFlagEnd"]);
    EXPECT_LE(v["miFlagEnd"] + 2.5f + FADE, end);
    EXPECT_LT(v["miTulmStart"], v["miFlagEnd"] - 8.0f);
    EXPECT_LT(v["miTulmGlow"], v["miFlagEnd"] + 2.5f);
    // The three title words, one after the other.
    EXPECT_LT(v["miOneWorld"], v["miOneSystem"]);
    EXPECT_LT(v["miOneSystem"], v["miOneQuorel"]);
    EXPECT_LT(v["miOneQuorel"], v["miOneEnd"]);
    EXPECT_LE(v["miOneEnd"] + FADE, end);
}
