// The show's timeline keys the sky scene so that the sky moves, the plane crosses the whole
// screen and both cows fall through it, all while the stretch is not faded.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/show_timeline.h"

namespace {

const float SHOW_ASPECT = 16.0f / 9.0f;

struct Sprite {
    const char* x;
    const char* y;
    const char* size;
    float aspect; // of its picture: the plane 512 x 256, the cows 512 x 480
};

} // namespace

TEST(KuSlippTimeline, TheSkyMovesThePlaneCrossesAndBothCowsFall)
{
    const gen::Timeline timeline = show_timeline::load();
    const auto stretch = show_timeline::stretch(timeline, "KuSlipp");
    ASSERT_LT(stretch.first, stretch.end);
    auto value = [&](const std::string& name, float beat) { return show_timeline::value(timeline, name, beat, 0.0f); };
    auto unfaded = [&](float beat) { return std::fabs(value("ppFadeValue", beat)) < 0.05f; };

    EXPECT_GT(std::fabs(value("ksSkyX", stretch.end - 1.0f) - value("ksSkyX", stretch.first)), 0.2f);

    // The plane: wholly off one side, then wholly on the screen, then wholly off the other,
    // all in unfaded beats.
    const Sprite plane = {"ksPlaneX", "ksPlaneY", "ksPlaneSize", 2.0f};
    const Sprite cows[] = {{"ksCow1X", "ksCow1Y", "ksCow1Size", 512.0f / 480.0f},
                           {"ksCow2X", "ksCow2Y", "ksCow2Size", 512.0f / 480.0f}};
    int plane_stage = 0; // 1: off the start side seen, 2: wholly on the screen, 3: off the other side
    bool from_left = value(plane.x, stretch.first) < 0.5f;
    for (float beat : show_timeline::rows(stretch)) {
        if (!unfaded(beat)) continue;
        const float x = value(plane.x, beat), y = value(plane.y, beat), h = value(plane.size, beat);
        const float w = plane.aspect * h / SHOW_ASPECT;
        const bool off_start = from_left ? x + w <= 0.0f : x >= 1.0f;
        const bool off_end = from_left ? x >= 1.0f : x + w <= 0.0f;
        const bool inside = x >= 0.0f && x + w <= 1.0f && y >= 0.0f && y + h <= 1.0f;
        if (plane_stage == 0 && off_start) plane_stage = 1;
        if (plane_stage == 1 && inside) plane_stage = 2;
        if (plane_stage == 2 && off_end) plane_stage = 3;
    }
    EXPECT_EQ(plane_stage, 3) << "the plane does not cross the screen";

    // Each cow: above the screen (not drawn), then falling without rising again until it is
    // wholly below the screen, in unfaded beats, and fully on the screen on the way.
    for (const Sprite& cow : cows) {
        SCOPED_TRACE(cow.y);
        int stage = 0; // 1: above the screen, 2: wholly on the screen, 3: below it
        float last_y = 1e9f;
        for (float beat : show_timeline::rows(stretch)) {
            const float x = value(cow.x, beat), y = value(cow.y, beat), h = value(cow.size, beat);
            const float w = cow.aspect * h / SHOW_ASPECT;
            EXPECT_LE(y, last_y) << "the cow rises at beat " << beat;
            last_y = y;
            if (!unfaded(beat)) continue;
            if (stage == 0 && y > 1.0f) stage = 1;
            if (stage == 1 && y >= 0.0f && y + h <= 1.0f && x >= 0.0f && x + w <= 1.0f) stage = 2;
            if (stage == 2 && y + h <= 0.0f) stage = 3;
        }
        EXPECT_EQ(stage, 3) << "the cow does not fall through the screen";
    }
}
