// The show's timeline as the player sees it: its tracks evaluated by the player's own curve
// code, and the stretch of the show that a scene fills. For the tests that check a scene's
// stretch is keyed so that each of its elements shows.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenes/scenelist.h"
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

// A track's value at a beat, or fallback (the scene's default) where the track has no keys. A
// track the timeline lacks fails the test and reads as the fallback.
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

struct Stretch {
    float first = 0.0f; // beats
    float end = 0.0f;
};

// The beats [first, end) in which the first scene track selects the scene of that name (the
// class name of its row in the show's scene table, so that a test keeps its scene when places
// move); a scene that has not exactly one such stretch fails the test.
inline Stretch stretch(const gen::Timeline& timeline, const char* scene)
{
    Stretch found;
    const int place = show_scene_place(scene);
    EXPECT_GE(place, 0) << scene << " is not in the scene table";
    const gen::TimelineTrack* track = timeline.find("ActiveScene1st");
    EXPECT_NE(track, nullptr);
    if (track == nullptr || place < 0) return found;
    int count = 0;
    for (size_t i = 0; i < track->keys.size(); ++i) {
        if (track->keys[i].value != static_cast<float>(place)) continue;
        if (++count > 1) continue;
        found.first = static_cast<float>(track->keys[i].row) / gen::ROWS_PER_BEAT;
        found.end = i + 1 < track->keys.size() ? static_cast<float>(track->keys[i + 1].row) / gen::ROWS_PER_BEAT
                                               : static_cast<float>(timeline.length_beats);
    }
    EXPECT_EQ(count, 1) << "scene " << scene << " should have one stretch";
    return found;
}

// Every row's beat in [first, end).
inline std::vector<float> rows(const Stretch& stretch)
{
    std::vector<float> beats;
    for (int row = static_cast<int>(stretch.first * gen::ROWS_PER_BEAT);
         row < static_cast<int>(stretch.end * gen::ROWS_PER_BEAT); ++row)
        beats.push_back(static_cast<float>(row) / gen::ROWS_PER_BEAT);
    return beats;
}

} // namespace show_timeline
