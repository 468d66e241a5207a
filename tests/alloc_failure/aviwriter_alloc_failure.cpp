#include <dirent.h>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <vector>

#include "alloc_failure.h"
#include "close_failure.h"
#include "platform/runtime/diagnostic_log.h"
#include "scenes/aviwriter.h"
#include "support/temp_dir.h"

namespace {

int open_descriptors()
{
    int count = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (readdir(folder) != nullptr) ++count;
        closedir(folder);
    }
    return count;
}

std::vector<std::string> g_reports;
void collect_report(const std::string& text) { g_reports.push_back(text); }

} // namespace

// Finishing a file builds its index in memory. When that allocation fails, closing still
// releases every stream and the file, reports nothing to the caller by an exception but the
// incomplete file in the log, and leaves the writer ready for the next capture.
TEST(AviWriterAllocationFailure, CloseReleasesEverythingWhenFinishingTheFileFails)
{
    TempDir dir;
    AviWriter writer;
    WAVEFORMATEX format{};
    format.wFormatTag = 1;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    const int descriptors = open_descriptors();
    ASSERT_TRUE(writer.open(dir.file("capture.avi").c_str(), 30.0f, 0, 100));
    writer.set_video_size(1, 1);
    writer.set_audio_format(format);
    const unsigned char pixel[3] = {1, 2, 3};
    const short samples[4] = {};
    // 2 x 1000 chunks: the finished index needs 32000 bytes at once.
    for (int frame = 0; frame < 1000; ++frame) {
        ASSERT_TRUE(writer.write_video_frame(pixel));
        ASSERT_TRUE(writer.write_audio(samples, 2));
    }

    set_diagnostic_sink(collect_report);
    fail_allocations_from(16384);
    bool escaped = false;
    try {
        writer.close();
    } catch (const std::bad_alloc&) {
        escaped = true;
    }
    stop_failing_allocations();
    EXPECT_FALSE(escaped) << "the allocation failure escaped from close";
    EXPECT_EQ(open_descriptors(), descriptors) << "the file was left open";
    EXPECT_EQ(g_reports, std::vector<std::string>{"Failed to complete the AVI file (the disk may be full)"});

    // Everything was released: the same writer captures again.
    ASSERT_TRUE(writer.open(dir.file("again.avi").c_str(), 30.0f, 0, 100));
    writer.set_video_size(1, 1);
    EXPECT_TRUE(writer.write_video_frame(pixel));
    writer.close();
    set_diagnostic_sink(nullptr);
    EXPECT_EQ(open_descriptors(), descriptors);
    EXPECT_GT(read_file_bytes(dir.file("again.01.avi")).size(), 2048u);
    EXPECT_EQ(g_reports.size(), 1u) << "a file finished whole is reported incomplete";
}

// Every write of the file succeeded, and only its final close fails: the last of its data did
// not reach the disk, so the file is reported incomplete, once, and nothing is left open.
TEST(AviWriterCloseFailure, AFileWhoseFinalCloseFailsIsReportedIncomplete)
{
    TempDir dir;
    AviWriter writer;
    const int descriptors = open_descriptors();
    ASSERT_TRUE(writer.open(dir.file("capture.avi").c_str(), 30.0f, 0, 100));
    writer.set_video_size(1, 1);
    const unsigned char pixel[3] = {1, 2, 3};
    ASSERT_TRUE(writer.write_video_frame(pixel));

    g_reports.clear();
    set_diagnostic_sink(collect_report);
    fail_next_close();
    writer.close();
    set_diagnostic_sink(nullptr);
    EXPECT_FALSE(close_failure_pending()) << "the file was never closed";
    EXPECT_EQ(open_descriptors(), descriptors) << "the file was left open";
    EXPECT_EQ(g_reports, std::vector<std::string>{"Failed to complete the AVI file (the disk may be full)"});
}
