// The real player over a data.qxv packed from the build's data with a short music in place of
// the show's: it plays the show to the end of the music and ends by itself with exit code 0; with
// that music damaged in the packed file, it ends in the music's fatal report.
#include <dirent.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/audio_fixture.h"
#include "support/child_process.h"
#include "support/player_run.h"
#include "support/temp_dir.h"
#include "util/data/huffman.h"

namespace {

const char* const SHORT_MUSIC = "data/common/music/short.mp3";

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

// Packs the build's data with a short music in place of the show's into folder/data.qxv.
void pack_with_short_music(const TempDir& folder)
{
    std::string build_data = std::string(PELLORVANE_BINARY_DIR) + "/data";
    std::string description = read_file_bytes(build_data + "/common/music/tarnholm_quorel_system.xml");
    size_t stream = description.find("tarnholm_quorel_system.mp3");
    ASSERT_NE(stream, std::string::npos) << "the build's music description names no stream";
    description.replace(stream, std::string("tarnholm_quorel_system.mp3").size(), "short.mp3");

    folder.write("data/common/music/tarnholm_quorel_system.xml", description);
    folder.write(SHORT_MUSIC, encode_mp3(make_sine_signal(66150, 44100, {220.0, 330.0}, {0.3, 0.3}))); // 1.5 s
    link_entries(build_data, folder.file("data"), "common");
    link_entries(build_data + "/common", folder.file("data/common"), "music");
    link_entries(build_data + "/common/music", folder.file("data/common/music"), "tarnholm_quorel_system.xml");

    ChildResult packed = run_program({std::string(PELLORVANE_BINARY_DIR) + "/pellorvane-pack"},
                                     {"PELLORVANE_UNATTENDED=1", "SDL_AUDIODRIVER=dummy"}, folder.path());
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
}

// The packed file with the contents of one entry overwritten by bytes no decoder takes.
std::string with_entry_damaged(const std::string& packed, const std::string& name)
{
    const size_t header = 21;
    const unsigned char* stream = reinterpret_cast<const unsigned char*>(packed.data()) + header;
    std::vector<unsigned char> payload(HuffmanCoder::get_decoded_size(stream));
    std::uint32_t size = 0;
    HuffmanCoder decoder;
    EXPECT_TRUE(decoder.decode(payload.data(), &size, stream, packed.size() - header));
    // A chunk: magic, name length, contents size, name, contents.
    std::string text(payload.begin(), payload.end());
    size_t at = text.find(name);
    EXPECT_NE(at, std::string::npos) << name;
    if (at == std::string::npos) return packed;
    std::uint32_t contents = 0;
    for (int i = 0; i < 4; ++i) contents |= std::uint32_t{payload[at - 4 + i]} << (8 * i);
    std::fill_n(payload.begin() + static_cast<std::ptrdiff_t>(at + name.size()), contents, 'x');

    std::vector<unsigned char> coded(HuffmanCoder::max_encoded_size(payload.size()));
    HuffmanCoder encoder;
    encoder.encode(coded.data(), &size, payload.data(), static_cast<std::uint32_t>(payload.size()));
    return packed.substr(0, header) + std::string(coded.begin(), coded.begin() + size);
}

} // namespace

TEST(ShowEndToEnd, PlaysAShortMusicToItsEndAndExitsZero)
{
    TempDir folder;
    pack_with_short_music(folder);
    if (HasFatalFailure()) return;
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

TEST(ShowEndToEnd, DamagedMusicEndsInTheMusicsFatalReport)
{
    TempDir folder;
    pack_with_short_music(folder);
    if (HasFatalFailure()) return;
    // The music decodes on its own thread while the scenes load; its failure is still reported
    // once, with the music's message, and ends the player with 1.
    folder.write("player/data.qxv", with_entry_damaged(read_file_bytes(folder.file("data.qxv")), SHORT_MUSIC));

    PlayerRun player({"SDL_AUDIODRIVER=dummy", "PELLORVANE_UNATTENDED=1"}, folder.path() + "/player");
    ASSERT_TRUE(player.display_ok());
    player.run_from_dialog();
    const ChildResult& result = player.finish();
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_NE(result.err.find("Error in file src\\util\\music\\music:"), std::string::npos) << result.err;
    const std::string message = std::string("\n\nFailed to decode music data from ") + SHORT_MUSIC + "\n";
    size_t first = result.err.find(message);
    EXPECT_NE(first, std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(message, first + 1), std::string::npos) << "one report only: " << result.err;
}
