// The show as the build packs it: the sync tracks inside data.qxv, and the real player
// showing the opening seconds of the show from it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "support/child_process.h"
#include "support/player_run.h"
#include "support/temp_dir.h"
#include "support/x11_driver.h"
#include "support/show_timeline.h"
#include "timeline.h"
#include "util/data/datafile.h"

namespace {

const std::string BUILD = PELLORVANE_BINARY_DIR;

bool build_has_packed_data()
{
    return access((BUILD + "/data.qxv").c_str(), R_OK) == 0;
}

// Whether the build's data.qxv holds an entry whose name begins with the prefix: what the
// start-up loads is what gets packed, so this says which parts of the show are in place.
bool packed_has(const std::string& prefix)
{
    ChildResult result = run_in_child([prefix] {
        if (chdir(BUILD.c_str()) != 0)
            std::_Exit(4);
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        for (const DataEntry* entry : DataFile::entries)
            if (entry->name.rfind(prefix, 0) == 0)
                std::_Exit(0);
        std::_Exit(5);
    });
    return result.exit_code == 0;
}

// Share of the screen's pixels in the warm colours of the opening's sun, from a screenshot of
// the test's own display (the GL window's contents show on the root window, not in the window's
// own picture). The loading logo holds none of them, so they show that the show is playing.
double sun_share(const TempDir& dir)
{
    const std::string shot = dir.file("shot.rgb");
    shell_output("import -window root -depth 8 rgb:" + shot + " 2>/dev/null");
    std::string pixels = read_file_bytes(shot);
    if (pixels.size() < 3)
        return 0.0;
    size_t lit = 0;
    for (size_t i = 0; i + 2 < pixels.size(); i += 3)
    {
        int r = static_cast<uint8_t>(pixels[i]), g = static_cast<uint8_t>(pixels[i + 1]),
            b = static_cast<uint8_t>(pixels[i + 2]);
        if (r > 170 && g > 60 && g * 100 < r * 85 && b * 100 < r * 55)
            ++lit;
    }
    return static_cast<double>(lit) / static_cast<double>(pixels.size() / 3);
}

} // namespace

TEST(ProductionShow, PackedTracksReadBackToTheTimelinesKeys)
{
    // The build always makes the data file; a missing one is a broken build.
    ASSERT_TRUE(build_has_packed_data()) << BUILD << "/data.qxv is missing";
    ChildResult result = run_in_child([] {
        gen::Timeline timeline;
        std::string error;
        ASSERT_TRUE(gen::load_timeline(show_timeline::path(), timeline, error)) << error;
        ASSERT_EQ(chdir(BUILD.c_str()), 0);
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        const std::string prefix = "data/sync_tracker/_";
        std::set<std::string> packed;
        for (const DataEntry* entry : DataFile::entries) {
            if (entry->name.rfind(prefix, 0) != 0)
                continue;
            std::string name = entry->name.substr(prefix.size());
            ASSERT_GT(name.size(), 6u);
            name.resize(name.size() - 6); // ".track"
            const gen::TimelineTrack* track = timeline.find(name);
            ASSERT_NE(track, nullptr) << name << " is packed but not in the timeline";
            EXPECT_TRUE(packed.insert(name).second) << name << " is packed twice";
            std::string bytes(entry->data, static_cast<size_t>(entry->size));
            ASSERT_EQ(bytes.size(), 4 + 9 * track->keys.size()) << name;
            uint32_t count;
            std::memcpy(&count, bytes.data(), 4);
            EXPECT_EQ(count, track->keys.size()) << name;
            for (size_t k = 0; k < track->keys.size(); ++k) {
                int32_t row;
                float value;
                std::memcpy(&row, bytes.data() + 4 + 9 * k, 4);
                std::memcpy(&value, bytes.data() + 8 + 9 * k, 4);
                EXPECT_EQ(row, track->keys[k].row) << name;
                EXPECT_EQ(value, track->keys[k].value) << name;
                EXPECT_EQ(static_cast<uint8_t>(bytes[12 + 9 * k]), track->keys[k].shape) << name;
            }
        }
        // The other way: every track of the timeline is registered by the start-up, so its
        // file is packed.
        for (const gen::TimelineTrack& track : timeline.tracks)
            EXPECT_EQ(packed.count(track.name), 1u) << track.name << " is in the timeline but not packed";
        if (::testing::Test::HasFailure())
            std::_Exit(3);
    });
    EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
}

TEST(ProductionShow, OpeningSecondsShowTheSun)
{
    ASSERT_TRUE(build_has_packed_data()) << BUILD << "/data.qxv is missing";
    ASSERT_TRUE(packed_has("data/quorelintro/")) << "the opening scene's files are not packed";
    TempDir dir;
    PlayerRun player;
    std::string window = player.run_from_dialog();
    ASSERT_FALSE(window.empty()) << "no show window appeared: " << player.finish().err;
    // Loading takes a while; look until the sun rises (at most a minute).
    double best = 0.0;
    for (int attempt = 0; attempt < 120 && best < 0.01; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        best = std::max(best, sun_share(dir));
    }
    player.press_until_exit(window, "Escape");
    const ChildResult& result = player.finish();
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_GE(best, 0.01) << "the opening's sun never showed";
}
