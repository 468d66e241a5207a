// The real player over a data.qxv packed from the build's data with a short music in place of
// the show's: it plays the show to the end of the music and ends by itself with exit code 0.
#include <dirent.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "support/audio_fixture.h"
#include "support/child_process.h"
#include "support/player_run.h"
#include "support/temp_dir.h"

namespace {

// Links every entry of from/ into to/ except the one named skip.
void link_entries(const std::string& from, const std::string& to, const std::string& skip)
{
    DIR* dir = opendir(from.c_str());
    ASSERT_NE(dir, nullptr) << from;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || name == skip) continue;
        EXPECT_EQ(symlink((from + "/" + name).c_str(), (to + "/" + name).c_str()), 0) << name;
    }
    closedir(dir);
}

} // namespace

TEST(ShowEndToEnd, PlaysAShortMusicToItsEndAndExitsZero)
{
    std::string build_data = std::string(PELLORVANE_BINARY_DIR) + "/data";
    std::string description = read_file_bytes(build_data + "/common/music/tarnholm_quorel_system.xml");
    size_t stream = description.find("tarnholm_quorel_system.mp3");
    ASSERT_NE(stream, std::string::npos) << "the build's music description names no stream";
    description.replace(stream, std::string("tarnholm_quorel_system.mp3").size(), "short.mp3");

    TempDir folder;
    folder.write("data/common/music/tarnholm_quorel_system.xml", description);
    folder.write("data/common/music/short.mp3",
                 encode_mp3(make_sine_signal(66150, 44100, {220.0, 330.0}, {0.3, 0.3}))); // 1.5 s
    link_entries(build_data, folder.file("data"), "common");
    link_entries(build_data + "/common", folder.file("data/common"), "music");
    link_entries(build_data + "/common/music", folder.file("data/common/music"), "tarnholm_quorel_system.xml");

    ChildResult packed = run_program({std::string(PELLORVANE_BINARY_DIR) + "/pellorvane-pack"},
                                     {"PELLORVANE_UNATTENDED=1", "SDL_AUDIODRIVER=dummy"}, folder.path());
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
    // The packed file alone serves the player.
    std::string data_folder = folder.path() + "/player";
    folder.write("player/data.qxv", read_file_bytes(folder.file("data.qxv")));

    PlayerRun player({"SDL_AUDIODRIVER=dummy"}, data_folder);
    ASSERT_TRUE(player.display_ok());
    player.run_from_dialog(); // Enter in the dialog; the show then runs on its own
    const ChildResult& result = player.finish();
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err.find("Error"), std::string::npos) << result.err;
}
