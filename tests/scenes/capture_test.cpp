// Capture mode of the scene manager, run in a child process over a short music: one frame per
// 1/30 s of music, the music's 16-bit samples as the audio, and an end by itself.
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>

#include "scenes/scenemanager.h"
#include "support/child_process.h"
#include "support/gl_fixture.h"
#include "support/show_fixture.h"
#include "support/x11_driver.h"

namespace {

std::uint32_t le32(const std::string& bytes, size_t at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

// The chunks of the movi list by id, in file order.
std::map<std::string, std::vector<std::string>> movi_chunks(const std::string& avi)
{
    std::map<std::string, std::vector<std::string>> chunks;
    size_t movi = avi.find("movi");
    if (movi == std::string::npos || movi < 8) return chunks;
    size_t end = movi - 4 + le32(avi, movi - 4);
    for (size_t at = movi + 4; at + 8 <= end && at + 8 <= avi.size();) {
        std::string id = avi.substr(at, 4);
        std::uint32_t size = le32(avi, at + 4);
        if (at + 8 + size > avi.size()) break;
        chunks[id].push_back(avi.substr(at + 8, size));
        at += 8 + size + (size & 1);
    }
    return chunks;
}

// A disk that fills up during the capture: files roll over at a small size, and once some
// frames are captured no file may grow past a limit any more.
struct FullDisk {
    std::uint64_t file_byte_limit;
    int after_frames;
    rlim_t file_size_limit;
};

void run_capture(const std::string& music_path, int width, int height, const FullDisk* disk = nullptr)
{
    open_gl_window(width, height);
    SceneManager::Sources sources;
    if (disk != nullptr) {
        sources.capture_file_byte_limit = disk->file_byte_limit;
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
    }
    sources.make_music = [music_path](bool preload_pcm, int sync_mode) {
        return new Music(music_path.c_str(), 145.0f, 0.0f, preload_pcm, sync_mode);
    };
    sources.make_post_effects = [](std::vector<Effects::PostProc*>&) {};
    sources.make_scene = [](int index) -> Scene* { return index == 0 ? new ColourScene(1.0f, 0.5f, 0.0f, 1.0f) : nullptr; };
    SceneManager* manager = new SceneManager(width, height, 5.0f / 3.0f, true, 0, sources);
    Music* music = manager->get_music();
    std::string samples(reinterpret_cast<const char*>(music->u16_buffer), music->num_samples * 2);
    FILE* expected = std::fopen("expected.raw", "wb");
    std::fwrite(samples.data(), 1, samples.size(), expected);
    std::fclose(expected);
    manager->start();
    bool quit = false;
    for (int pass = 0; pass < 1000 && !quit; ++pass) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) quit = quit || event.type == SDL_QUIT;
        manager->render_frame();
        if (disk != nullptr && manager->get_frame_counter() == disk->after_frames) {
            struct rlimit limit = {disk->file_size_limit, disk->file_size_limit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
    }
    delete manager;
    std::exit(quit ? 0 : 3);
}

} // namespace

TEST(SceneManagerCapture, WritesOneFramePerThirtiethOfTheMusicAndItsSamples)
{
    struct Case {
        std::size_t frames; // of the music
        int video_frames;
        int last_slice;     // interleaved samples in the last frame's slice
    };
    // 11025 frames end inside the eighth slice; 8820 fill six slices exactly, so the seek to
    // the seventh still moves while no samples are left.
    for (const Case& c : {Case{11025, 8, 1470}, Case{8820, 6, 2940}}) {
        ShowFolder folder;
        TestSignal signal = make_sine_signal(c.frames, 44100, {440.0, 550.0}, {0.5, 0.5});
        std::string music = folder.write_music(signal);
        folder.write_constant("ActiveScene1st", 0.0f);
        folder.write_track("ActiveScene2nd", {});
        folder.write_track("ActiveScene3rd", {});
        const int width = 250, height = 150; // rows of 750 bytes: not a multiple of 4
        ChildResult result = run_in_child([&] { run_capture(music, width, height); });
        std::string label = std::to_string(c.frames) + " frames";
        ASSERT_EQ(result.exit_code, 0) << label << "\n" << result.err << result.out;

        std::string avi = read_file_bytes(folder.path() + "/Pellorvane.01.avi");
        std::map<std::string, std::vector<std::string>> chunks = movi_chunks(avi);
        const std::vector<std::string>& video = chunks["00db"];
        ASSERT_EQ(static_cast<int>(video.size()), c.video_frames) << label;
        // Bottom-up BGR rows padded to 4 bytes; every pixel is the scene's orange.
        const size_t stride = 752;
        ASSERT_EQ(video[0].size(), stride * height);
        for (size_t at : {size_t(0), size_t(747), stride * 75 + 300, stride * (height - 1) + 747}) {
            EXPECT_NEAR(static_cast<unsigned char>(video[0][at]), 0, 1) << at;
            EXPECT_NEAR(static_cast<unsigned char>(video[0][at + 1]), 128, 1) << at;
            EXPECT_NEAR(static_cast<unsigned char>(video[0][at + 2]), 255, 1) << at;
        }

        std::string audio;
        for (const std::string& slice : chunks["01wb"]) audio += slice;
        std::string expected = read_file_bytes(folder.path() + "/expected.raw");
        EXPECT_EQ(expected.size(), c.frames * 4) << label;
        EXPECT_TRUE(audio == expected) << label << ": " << audio.size() << " audio bytes";
        ASSERT_EQ(static_cast<int>(chunks["01wb"].size()), c.video_frames);
        EXPECT_EQ(chunks["01wb"].back().size(), static_cast<size_t>(c.last_slice) * 2) << label;

        EXPECT_NE(result.out.find(" Dumping to video file Pellorvane.avi\n"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find(" Dumped frame 0 and wrote 2940 samples of audio\n"), std::string::npos);
        std::string last = " Dumped frame " + std::to_string(c.video_frames - 1) + " and wrote " +
                           std::to_string(c.last_slice) + " samples of audio\n";
        EXPECT_NE(result.out.find(last), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("   Finished dumping, quit event posted\n"), std::string::npos);
        EXPECT_NE(result.out.find(" Finished AVI writing\n"), std::string::npos);
    }
}

TEST(SceneManagerCapture, AFullDiskKeepsEveryFileReadableWithTheFramesWritten)
{
    // Frames of 250 x 150 take 112808 bytes with their chunk header and their sound 5888; a
    // file starts with 2048 bytes of headers and rolls over after three frames.
    const std::uint64_t roll_over = 250000;
    const rlim_t second_frame = 2048 + 118696;
    struct Case {
        const char* what;
        FullDisk disk;
        int line;             // of the report
        const char* file;     // being written when the disk filled
        std::vector<int> frames; // in each file
    } cases[] = {
        {"a frame cut short in the third file", {roll_over, 7, second_frame + 50000}, 589, "Pellorvane.03.avi", {3, 3, 1}},
        {"its sound cut short in the second file", {roll_over, 4, second_frame + 112808 + 100}, 599, "Pellorvane.02.avi", {3, 2}},
    };
    for (const Case& c : cases) {
        ShowFolder folder;
        TestSignal signal = make_sine_signal(20 * 1470, 44100, {440.0, 550.0}, {0.5, 0.5});
        std::string music = folder.write_music(signal);
        folder.write_constant("ActiveScene1st", 0.0f);
        folder.write_track("ActiveScene2nd", {});
        folder.write_track("ActiveScene3rd", {});
        ChildResult result = run_in_child([&] { run_capture(music, 250, 150, &c.disk); });
        EXPECT_EQ(result.exit_code, 1) << c.what << "\n" << result.err;
        EXPECT_NE(result.err.find("Error in file src\\scenes:" + std::to_string(c.line) + "\n\nFailed assert success"),
                  std::string::npos) << c.what << "\n" << result.err;
        EXPECT_NE(result.out.find(std::string(" Failed to write ") + c.file + ": File too large\n"), std::string::npos)
            << c.what << "\n" << result.out;

        // Each file holds its frames and their sound blocks, one a frame; only a sound block cut
        // short is missing from the last file.
        int written = 0;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            std::string file = folder.path() + "/Pellorvane.0" + std::to_string(i + 1) + ".avi";
            std::string probed = shell_output("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                              "stream=nb_read_frames -of default=nw=1 '" + file + "' 2>&1");
            EXPECT_EQ(probed, "nb_read_frames=" + std::to_string(c.frames[i]) + "\n") << c.what << ": " << file;
            bool last = i + 1 == c.frames.size();
            int blocks = c.frames[i] - (last && c.line == 599 ? 1 : 0);
            std::string sound = shell_output("ffmpeg -v error -i '" + file + "' -map 0:a -f s16le - | wc -c");
            EXPECT_EQ(sound, std::to_string(blocks * 2940 * 2) + "\n") << c.what << ": " << file;
            written += c.frames[i];
        }
        std::string next = folder.path() + "/Pellorvane.0" + std::to_string(c.frames.size() + 1) + ".avi";
        EXPECT_NE(access(next.c_str(), F_OK), 0) << c.what;
        // Every frame captured whole, with its sound, was logged; with only the sound cut short
        // its picture went into the file all the same.
        int dumped = written - (c.line == 599 ? 1 : 0);
        EXPECT_NE(result.out.find(" Dumped frame " + std::to_string(dumped - 1) + " and"), std::string::npos) << c.what;
        EXPECT_EQ(result.out.find(" Dumped frame " + std::to_string(dumped) + " and"), std::string::npos) << c.what;
    }
}
