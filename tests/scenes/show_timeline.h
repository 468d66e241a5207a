// The show's timeline as the player sees it: its tracks evaluated by the player's own curve
// code, and the stretch of the show that a scene fills. For the tests that check a scene's
// stretch is keyed so that each of its elements shows.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "timeline.h"
#include "util/music/synclink.h"

namespace show_timeline {

inline const std::string& path()
{
    static const std::string timeline_path = std::string(PELLORVANE_SOURCE_DIR) + "/data/show/show.timeline";
    return timeline_path;
}

// Loads the timeline; a failure fails the test.
inline gen::Timeline load()
{
    gen::Timeline timeline;
    std::string error;
    EXPECT_TRUE(gen::load_timeline(path(), timeline, error)) << error;
    return timeline;
}

// A track's value at a beat, or fallback (the scene's default) where the track has no keys.
inline float value(const gen::Timeline& timeline, const std::string& name, float beat, float fallback)
{
    const gen::TimelineTrack* track = timeline.find(name);
    EXPECT_NE(track, nullptr) << name << " is not in the timeline";
    if (track == nullptr || track->keys.empty()) return fallback;
    std::vector<CurveKey> keys;
    for (const gen::TimelineKey& key : track->keys)
        keys.push_back({key.row, key.value, static_cast<KeyShape>(key.shape)});
    SyncCurve curve = {nullptr, keys.data(), static_cast<int>(keys.size())};
    return synclink_curve_value(&curve, static_cast<double>(beat) * gen::ROWS_PER_BEAT);
}

// The beats [first, end) in which the first scene track selects the scene.
inline std::pair<float, float> stretch(const gen::Timeline& timeline, int scene)
{
    const gen::TimelineTrack* track = timeline.find("ActiveScene1st");
    EXPECT_NE(track, nullptr);
    if (track == nullptr) return {0.0f, 0.0f};
    for (size_t i = 0; i < track->keys.size(); ++i) {
        if (track->keys[i].value != static_cast<float>(scene)) continue;
        const float first = static_cast<float>(track->keys[i].row) / gen::ROWS_PER_BEAT;
        const float end = i + 1 < track->keys.size()
                              ? static_cast<float>(track->keys[i + 1].row) / gen::ROWS_PER_BEAT
                              : static_cast<float>(timeline.length_beats);
        return {first, end};
    }
    ADD_FAILURE() << "scene " << scene << " has no stretch";
    return {0.0f, 0.0f};
}

// Every row's beat in [first, end).
inline std::vector<float> rows(float first, float end)
{
    std::vector<float> beats;
    for (int row = static_cast<int>(first * gen::ROWS_PER_BEAT); row < static_cast<int>(end * gen::ROWS_PER_BEAT); ++row)
        beats.push_back(static_cast<float>(row) / gen::ROWS_PER_BEAT);
    return beats;
}

} // namespace show_timeline
