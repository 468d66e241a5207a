// The show's timeline as the player sees it: a track's value at a beat, evaluated by the
// player's own curve code, and the stretch in which a scene is selected. For the tests that
// check a scene's keys against what it needs to show its sequence.
#pragma once

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "timeline.h"
#include "util/music/synclink.h"

const std::string SHOW_TIMELINE_PATH = std::string(PELLORVANE_SOURCE_DIR) + "/data/show/show.timeline";

// A track's value at a beat; a track without keys holds the scene's default. A track the
// timeline lacks fails the test and reads as the default.
inline float timeline_value(const gen::Timeline& timeline, const std::string& name, float beat,
                            float default_value)
{
    const gen::TimelineTrack* track = timeline.find(name);
    EXPECT_NE(track, nullptr) << name << " is not in the timeline";
    if (track == nullptr || track->keys.empty()) return default_value;
    std::vector<CurveKey> keys;
    for (const gen::TimelineKey& key : track->keys)
        keys.push_back({key.row, key.value, static_cast<KeyShape>(key.shape)});
    SyncCurve curve{const_cast<char*>(name.c_str()), keys.data(), static_cast<int>(keys.size())};
    return synclink_curve_value(&curve, static_cast<double>(beat) * gen::ROWS_PER_BEAT);
}

struct Stretch {
    float first = 0.0f; // beats
    float end = 0.0f;
};

// The one stretch in which "ActiveScene1st" selects the scene.
inline Stretch scene_stretch(const gen::Timeline& timeline, int scene)
{
    Stretch stretch;
    const gen::TimelineTrack* track = timeline.find("ActiveScene1st");
    EXPECT_NE(track, nullptr);
    if (track == nullptr) return stretch;
    int found = 0;
    for (size_t i = 0; i < track->keys.size(); ++i) {
        if (track->keys[i].value != static_cast<float>(scene)) continue;
        ++found;
        stretch.first = static_cast<float>(track->keys[i].row) / gen::ROWS_PER_BEAT;
        stretch.end = i + 1 < track->keys.size()
                          ? static_cast<float>(track->keys[i + 1].row) / gen::ROWS_PER_BEAT
                          : static_cast<float>(timeline.length_beats);
    }
    EXPECT_EQ(found, 1) << "scene " << scene << " should have one stretch";
    return stretch;
}
