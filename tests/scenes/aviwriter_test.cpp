#include "scenes/aviwriter.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/x11_driver.h"

namespace {

std::uint32_t u32(const std::string& bytes, size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24);
}
std::uint32_t u16(const std::string& bytes, size_t at)
{
    return static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
}

struct Chunk {
    std::string id;
    size_t data;  // offset of the chunk's data
    size_t size;
};

// A RIFF walker of our own: every chunk by its path of list types and ids, in file order.
struct RiffFile {
    std::string bytes;
    std::vector<std::pair<std::string, Chunk>> chunks;

    explicit RiffFile(const std::string& contents) : bytes(contents) { walk(12, bytes.size(), "AVI "); }

    void walk(size_t from, size_t to, const std::string& path)
    {
        size_t at = from;
        while (at + 8 <= to) {
            std::string id = bytes.substr(at, 4);
            size_t size = u32(bytes, at + 4);
            if (id == "LIST") {
                std::string type = bytes.substr(at + 8, 4);
                chunks.push_back({path + "/LIST:" + type, {type, at + 12, size - 4}});
                walk(at + 12, at + 8 + size, path + "/" + type);
            } else {
                chunks.push_back({path + "/" + id, {id, at + 8, size}});
            }
            at += 8 + size + (size & 1);
        }
    }
    std::vector<Chunk> all(const std::string& path) const
    {
        std::vector<Chunk> found;
        for (const auto& chunk : chunks)
            if (chunk.first == path) found.push_back(chunk.second);
        return found;
    }
};

WAVEFORMATEX stereo_16bit()
{
    WAVEFORMATEX format{};
    format.wFormatTag = 1;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    format.cbSize = 0x7777; // never copied: the stored record is zeroed first
    return format;
}

std::vector<unsigned char> frame_pattern(int width, int height, int frame)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 7 + frame * 31);
    return pixels;
}

std::string probe(const std::string& path, const std::string& entries)
{
    return shell_output("ffprobe -v error -count_frames -show_entries " + entries + " -of default=nw=1 '" + path + "' 2>&1");
}

} // namespace

TEST(AviWriter, WritesHeadersFramesAudioAndIndex)
{
    TempDir dir;
    const int width = 8, height = 4;
    {
        AviWriter writer;
        ASSERT_TRUE(writer.open(dir.file("capture.avi").c_str(), 30.0f, -1, 100));
        writer.set_video_size(width, height);
        writer.set_audio_format(stereo_16bit());
        std::vector<std::int16_t> audio(1470 * 2);
        for (size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<std::int16_t>(i * 3 - 1000);
        for (int frame = 0; frame < 3; ++frame) {
            ASSERT_TRUE(writer.write_video_frame(frame_pattern(width, height, frame).data()));
            ASSERT_TRUE(writer.write_audio(audio.data(), 1470));
        }
        writer.set_video_size(640, 480); // after the first frame: ignored
        EXPECT_EQ(writer.width, width);
        writer.close();
        writer.close();
    }
    std::string bytes = read_file_bytes(dir.file("capture.01.avi"));
    ASSERT_GT(bytes.size(), 12u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(u32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(bytes.substr(8, 4), "AVI ");
    RiffFile riff(bytes);

    std::vector<Chunk> headers = riff.all("AVI /hdrl/strl/strh");
    std::vector<Chunk> formats = riff.all("AVI /hdrl/strl/strf");
    ASSERT_EQ(headers.size(), 2u);
    ASSERT_EQ(formats.size(), 2u);
    const Chunk& vids = headers[0];
    EXPECT_EQ(bytes.substr(vids.data, 4), "vids");
    EXPECT_EQ(u32(bytes, vids.data + 20), 10000u);  // scale
    EXPECT_EQ(u32(bytes, vids.data + 24), 300000u); // rate
    EXPECT_EQ(u32(bytes, vids.data + 32), 3u);      // length in frames
    const Chunk& auds = headers[1];
    EXPECT_EQ(bytes.substr(auds.data, 4), "auds");
    EXPECT_EQ(u32(bytes, auds.data + 20), 1u);
    EXPECT_EQ(u32(bytes, auds.data + 24), 44100u);
    EXPECT_EQ(u32(bytes, auds.data + 44), 4u); // sample size = block align

    EXPECT_EQ(u32(bytes, formats[0].data), 40u);
    EXPECT_EQ(u32(bytes, formats[0].data + 4), static_cast<std::uint32_t>(width));
    EXPECT_EQ(u32(bytes, formats[0].data + 8), static_cast<std::uint32_t>(height));
    EXPECT_EQ(u16(bytes, formats[0].data + 14), 24u);
    ASSERT_EQ(formats[1].size, 18u);
    const std::uint32_t wave[] = {1, 2, 44100, 176400, 4, 16, 0};
    const size_t wave_at[] = {0, 2, 4, 8, 12, 14, 16};
    for (int i = 0; i < 7; ++i) {
        std::uint32_t value = (i == 2 || i == 3) ? u32(bytes, formats[1].data + wave_at[i]) : u16(bytes, formats[1].data + wave_at[i]);
        EXPECT_EQ(value, wave[i]) << "field " << i;
    }

    std::vector<Chunk> frames = riff.all("AVI /movi/00db");
    std::vector<Chunk> blocks = riff.all("AVI /movi/01wb");
    ASSERT_EQ(frames.size(), 3u);
    ASSERT_EQ(blocks.size(), 3u);
    for (int frame = 0; frame < 3; ++frame) {
        std::vector<unsigned char> expected = frame_pattern(width, height, frame);
        EXPECT_EQ(bytes.substr(frames[frame].data, frames[frame].size), std::string(expected.begin(), expected.end()));
        EXPECT_EQ(blocks[frame].size, 1470u * 4);
    }
    std::vector<Chunk> index = riff.all("AVI /idx1");
    ASSERT_EQ(index.size(), 1u);
    ASSERT_EQ(index[0].size, 6u * 16);
    size_t movi_word = riff.all("AVI /LIST:movi")[0].data - 4;
    EXPECT_EQ(bytes.substr(index[0].data, 4), "00db");
    EXPECT_EQ(u32(bytes, index[0].data + 8) + movi_word + 8, frames[0].data);
    EXPECT_EQ(bytes.substr(index[0].data + 16, 4), "01wb");

    std::string video = probe(dir.file("capture.01.avi"), "stream=codec_type,nb_read_frames,r_frame_rate,duration");
    EXPECT_NE(video.find("nb_read_frames=3"), std::string::npos) << video;
    EXPECT_NE(video.find("r_frame_rate=30/1"), std::string::npos) << video;
    EXPECT_NE(video.find("duration=0.100000"), std::string::npos) << video;
    // A plain WAVEFORMATEX carries no channel mask, so ffmpeg notes that it guessed "stereo";
    // that note is the only thing it may say.
    std::string warnings = shell_output("ffmpeg -v warning -i '" + dir.file("capture.01.avi") +
                                        "' -f null - 2>&1 | grep -v 'Guessed Channel Layout'");
    EXPECT_EQ(warnings, "");
}

TEST(AviWriter, RowsArePaddedForOddWidths)
{
    TempDir dir;
    {
        AviWriter writer;
        ASSERT_TRUE(writer.open(dir.file("odd").c_str(), 30.0f, 0, 100));
        writer.set_video_size(3, 2);
        ASSERT_TRUE(writer.write_video_frame(frame_pattern(3, 2, 0).data()));
    }
    std::string bytes = read_file_bytes(dir.file("odd.01.avi"));
    std::vector<Chunk> frames = RiffFile(bytes).all("AVI /movi/00db");
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].size, 24u); // two rows of 9 bytes, each padded to 12
    std::vector<unsigned char> pixels = frame_pattern(3, 2, 0);
    EXPECT_EQ(bytes.substr(frames[0].data, 9), std::string(pixels.begin(), pixels.begin() + 9));
    EXPECT_EQ(bytes.substr(frames[0].data + 12, 9), std::string(pixels.begin() + 9, pixels.end()));
    EXPECT_NE(probe(dir.file("odd.01.avi"), "stream=nb_read_frames").find("nb_read_frames=1"), std::string::npos);
}

TEST(AviWriter, RollsOverToTheNextFileWithAudioAgain)
{
    TempDir dir;
    {
        AviWriter writer(200); // a tiny limit: every frame of 192 bytes reaches it
        ASSERT_TRUE(writer.open(dir.file("roll.avi").c_str(), 30.0f, 0, 100));
        writer.set_video_size(8, 8);
        writer.set_audio_format(stereo_16bit());
        std::vector<std::int16_t> audio(20, 5);
        ASSERT_TRUE(writer.write_video_frame(frame_pattern(8, 8, 0).data()));
        ASSERT_TRUE(writer.write_audio(audio.data(), 10));
        ASSERT_TRUE(writer.write_video_frame(frame_pattern(8, 8, 1).data()));
        EXPECT_EQ(writer.frame_index, 1);
        EXPECT_STREQ(writer.current_file_name(), dir.file("roll.02.avi").c_str());
    }
    RiffFile second(read_file_bytes(dir.file("roll.02.avi")));
    EXPECT_EQ(second.all("AVI /movi/00db").size(), 1u);
    EXPECT_EQ(second.all("AVI /hdrl/strl/strh").size(), 2u); // the audio stream is there again
    EXPECT_EQ(RiffFile(read_file_bytes(dir.file("roll.01.avi"))).all("AVI /movi/00db").size(), 1u);

    // Every file of the series, the first (opened before the size was set) included, has the
    // picture's frame rectangle and a buffer for one frame in its video stream header.
    for (const char* name : {"roll.01.avi", "roll.02.avi"}) {
        RiffFile file(read_file_bytes(dir.file(name)));
        std::vector<Chunk> headers = file.all("AVI /hdrl/strl/strh");
        ASSERT_EQ(headers.size(), 2u) << name;
        const size_t vids = headers[0].data;
        ASSERT_EQ(file.bytes.substr(vids, 4), "vids") << name;
        EXPECT_EQ(u32(file.bytes, vids + 36), 8u * 8 * 3) << name << ": suggested buffer size";
        const std::uint32_t rectangle[4] = {u16(file.bytes, vids + 48), u16(file.bytes, vids + 50),
                                            u16(file.bytes, vids + 52), u16(file.bytes, vids + 54)};
        EXPECT_EQ(rectangle[0], 0u) << name;
        EXPECT_EQ(rectangle[1], 0u) << name;
        EXPECT_EQ(rectangle[2], 8u) << name << ": frame right";
        EXPECT_EQ(rectangle[3], 8u) << name << ": frame bottom";
        EXPECT_EQ(u32(file.bytes, headers[1].data + 36), 176400u) << name << ": audio buffer";
    }
}

TEST(AviWriter, NamesFailuresAndEmptyWrites)
{
    TempDir dir;
    AviWriter writer;
    // A dot in a folder name is not an extension.
    std::string folder = dir.file("with.dot");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(writer.open((folder + "/capture").c_str(), 30.0f, 0, 100));
    EXPECT_STREQ(writer.current_file_name(), (folder + "/capture.01.avi").c_str());
    EXPECT_FALSE(writer.write_video_frame(frame_pattern(1, 1, 0).data())) << "no video size set";
    writer.set_video_size(2, 2);
    writer.set_audio_format(stereo_16bit());
    std::int16_t none[4] = {};
    EXPECT_FALSE(writer.write_audio(none, 0));
    writer.close();
    EXPECT_FALSE(writer.write_audio(none, 1)) << "no file open";

    AviWriter never_opened;
    never_opened.close();
    EXPECT_FALSE(writer.open(dir.file("missing/folder/capture.avi").c_str(), 30.0f, 0, 100));
}

TEST(AviWriter, AFullDiskIsAFailureAndKeepsTheFramesWritten)
{
    // Frames of 32 x 32 take 3080 bytes with their chunk header, after 2048 bytes of headers.
    struct Case {
        const char* what;
        rlim_t limit;
        int frames;   // written before the failure
        bool indexed; // the index found room behind them
    } cases[] = {
        {"a frame cut short", 8192, 1, true},
        {"no room left for the index", 2048 + 2 * 3080, 2, false},
        {"no room for the file's start", 1000, -1, false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.file("full.avi");
        ChildResult result = run_in_child([&] {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {c.limit, c.limit};
            setrlimit(RLIMIT_FSIZE, &limit);
            AviWriter writer;
            if (!writer.open(path.c_str(), 30.0f, 0, 100)) std::_Exit(writer.last_error() == EFBIG ? 100 : 3);
            writer.set_video_size(32, 32);
            std::vector<unsigned char> pixels = frame_pattern(32, 32, 0);
            for (int frame = 0; frame < 10; ++frame) {
                if (writer.write_video_frame(pixels.data())) continue;
                if (writer.last_error() != EFBIG) std::_Exit(4);
                writer.close();
                std::_Exit(frame);
            }
            std::_Exit(5);
        });
        const std::string file = dir.file("full.01.avi");
        // What was written is finished whole, or no file was made: none is left incomplete.
        EXPECT_EQ(result.out.find("Failed to complete the AVI file"), std::string::npos) << c.what << ": " << result.out;
        if (c.frames < 0) {
            EXPECT_EQ(result.exit_code, 100) << c.what << ": " << result.err;
            EXPECT_NE(access(file.c_str(), F_OK), 0) << c.what << ": no file stays";
            continue;
        }
        EXPECT_EQ(result.exit_code, c.frames) << c.what << ": " << result.err;
        std::string bytes = read_file_bytes(file);
        EXPECT_EQ(bytes.size(), 2048 + 3080u * c.frames + (c.indexed ? 8 + 16u * c.frames : 0)) << c.what;
        RiffFile riff(bytes);
        EXPECT_EQ(riff.all("AVI /movi/00db").size(), static_cast<size_t>(c.frames)) << c.what;
        EXPECT_EQ(riff.all("AVI /idx1").size(), c.indexed ? 1u : 0u) << c.what;
        EXPECT_EQ(result.out.find("The AVI file was finished without its index: File too large") != std::string::npos,
                  !c.indexed) << c.what << ": " << result.out;
        std::string probed = probe(file, "stream=nb_read_frames");
        EXPECT_NE(probed.find("nb_read_frames=" + std::to_string(c.frames)), std::string::npos) << c.what << ": " << probed;
    }
}
