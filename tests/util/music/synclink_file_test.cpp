// ".track" files: the bytes both ways, the file name, malformed files, directories, saves
// that cannot complete.
#include "util/music/synclink.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <cstring>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

// Keys at rows -3 (0.5, smooth), 0 (1.0, linear) and 300 (-2.5, ramp).
const std::string THREE_KEYS("\x03\0\0\0"
                             "\xfd\xff\xff\xff\0\0\0\x3f\x02"
                             "\0\0\0\0\0\0\x80\x3f\x01"
                             "\x2c\x01\0\0\0\0\x20\xc0\x03",
                             31);

class SyncLinkTrackFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        link = synclink_open(base_path().c_str(), 0);
        ASSERT_NE(link, nullptr);
    }
    void TearDown() override { synclink_close(link); }

    std::string base_path() const { return dir.path() + "/data/sync_tracker/"; }
    void write_track(const std::string& name, const std::string& bytes) const
    {
        dir.write("data/sync_tracker/_" + name + ".track", bytes);
    }

    TempDir dir;
    SyncLink* link = nullptr;
};

TEST_F(SyncLinkTrackFile, ReadsAndWritesTheKnownBytes)
{
    write_track("ppFilmNoise", THREE_KEYS);
    SyncCurve* curve = synclink_curve("ppFilmNoise", link, 7.0f);
    ASSERT_NE(curve, nullptr);
    ASSERT_EQ(curve->key_count, 3);
    EXPECT_EQ(curve->keys[0].row, -3);
    EXPECT_EQ(curve->keys[0].value, 0.5f);
    EXPECT_EQ(curve->keys[0].shape, SHAPE_SMOOTH);
    EXPECT_EQ(curve->keys[1].row, 0);
    EXPECT_EQ(curve->keys[1].value, 1.0f);
    EXPECT_EQ(curve->keys[1].shape, SHAPE_LINEAR);
    EXPECT_EQ(curve->keys[2].row, 300);
    EXPECT_EQ(curve->keys[2].value, -2.5f);
    EXPECT_EQ(curve->keys[2].shape, SHAPE_RAMP);

    std::string copy = dir.file("copy.track");
    ASSERT_EQ(synclink_write_curve_file(copy.c_str(), curve), 0);
    EXPECT_EQ(read_file_bytes(copy), THREE_KEYS);

    SyncCurve empty{nullptr, nullptr, 0};
    ASSERT_EQ(synclink_write_curve_file(copy.c_str(), &empty), 0);
    EXPECT_EQ(read_file_bytes(copy), std::string(4, '\0'));
}

TEST_F(SyncLinkTrackFile, AFileWithoutKeysGivesTheDefaultStepKey)
{
    write_track("ActiveScene2nd", std::string(4, '\0'));
    SyncCurve* curve = synclink_curve("ActiveScene2nd", link, -1.0f);
    ASSERT_NE(curve, nullptr);
    ASSERT_EQ(curve->key_count, 1);
    EXPECT_EQ(curve->keys[0].row, 0);
    EXPECT_EQ(curve->keys[0].shape, SHAPE_STEP);
    EXPECT_EQ(synclink_curve_value(curve, -50.0), -1.0f);
    EXPECT_EQ(synclink_curve_value(curve, 5000.0), -1.0f);
    // Asked again, the curve is the same one and keeps its first default.
    EXPECT_EQ(synclink_curve("ActiveScene2nd", link, 4.0f), curve);
    EXPECT_EQ(synclink_curve_value(curve, 0.0), -1.0f);
    EXPECT_EQ(synclink_find_curve(link, "ActiveScene2nd"), 0);
    EXPECT_EQ(synclink_find_curve(link, "activescene2nd"), -1);
}

TEST_F(SyncLinkTrackFile, MalformedFilesFailTheLoad)
{
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"empty", ""},
        {"count cut short", std::string("\x01\0\0", 3)},
        {"fewer keys than counted", THREE_KEYS.substr(0, 4 + 9 * 2)},
        {"last key without its shape", THREE_KEYS.substr(0, THREE_KEYS.size() - 1)},
        {"count far beyond the data", std::string("\xff\xff\xff\x7f", 4) + THREE_KEYS.substr(4)},
        {"count beyond int", std::string("\0\0\0\x80", 4) + THREE_KEYS.substr(4)},
        {"rows out of order", std::string("\x02\0\0\0" "\x05\0\0\0\0\0\0\0\0" "\x04\0\0\0\0\0\0\0\0", 22)},
        {"two keys at one row", std::string("\x02\0\0\0" "\x05\0\0\0\0\0\0\0\0" "\x05\0\0\0\0\0\0\0\0", 22)},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        std::string name = "bad" + std::to_string(i);
        write_track(name, cases[i].bytes);
        EXPECT_EQ(synclink_curve(name.c_str(), link, 1.0f), nullptr) << cases[i].what;
        int index = synclink_find_curve(link, name.c_str());
        ASSERT_GE(index, 0) << cases[i].what;
        EXPECT_EQ(link->curves[index]->key_count, 0) << cases[i].what;
    }
    EXPECT_EQ(synclink_curve("missing", link, 1.0f), nullptr);
}

TEST_F(SyncLinkTrackFile, FileNameIsBasePathUnderscoreNameTrack)
{
    SyncLink* named = synclink_open("data/sync_tracker/", 0);
    ASSERT_NE(named, nullptr);
    char buffer[SYNCLINK_PATH_SIZE];
    ASSERT_EQ(synclink_curve_file_name(named, "ActiveScene1st", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "data/sync_tracker/_ActiveScene1st.track");

    // 18 + 1 + name + 6 characters must leave room for the terminator.
    std::string longest(SYNCLINK_PATH_SIZE - 1 - 25, 'n');
    EXPECT_EQ(synclink_curve_file_name(named, longest.c_str(), buffer, sizeof buffer), 0);
    EXPECT_EQ(std::strlen(buffer), SYNCLINK_PATH_SIZE - 1);
    std::string too_long = longest + "n";
    EXPECT_EQ(synclink_curve_file_name(named, too_long.c_str(), buffer, sizeof buffer), -1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(synclink_curve(std::string(5000, 'x').c_str(), named, 0.0f), nullptr);
    synclink_close(named);
}

// The file functions of the owner are used for every read: the path, the mode, one close.
struct MemoryFile {
    std::string bytes;
    size_t at = 0;
};
std::string opened_path;
std::string opened_mode;
int closes = 0;
MemoryFile memory_file;

void* memory_open(const char* path, const char* mode)
{
    opened_path = path;
    opened_mode = mode;
    memory_file.at = 0;
    return &memory_file;
}
size_t memory_read(void* buffer, size_t size, size_t count, void* handle)
{
    MemoryFile* file = static_cast<MemoryFile*>(handle);
    size_t whole = std::min(count, (file->bytes.size() - file->at) / size);
    std::memcpy(buffer, file->bytes.data() + file->at, whole * size);
    file->at += whole * size;
    return whole;
}
int memory_close(void*)
{
    ++closes;
    return 0;
}

TEST(SyncLinkFileIo, ReadsThroughTheInstalledFunctions)
{
    SyncLink* link = synclink_open("data/sync_tracker/", 0);
    ASSERT_NE(link, nullptr);
    const SyncFileIo io = {memory_open, memory_read, memory_close};
    synclink_set_file_io(link, &io);
    memory_file.bytes = THREE_KEYS;
    SyncCurve* curve = synclink_curve("rkGlow", link, 0.0f);
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(opened_path, "data/sync_tracker/_rkGlow.track");
    EXPECT_EQ(opened_mode, "rb");
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(curve->key_count, 3);

    // A malformed file is closed too.
    memory_file.bytes = THREE_KEYS.substr(0, 10);
    EXPECT_EQ(synclink_curve("rkBad", link, 0.0f), nullptr);
    EXPECT_EQ(closes, 2);
    synclink_close(link);
}

bool is_directory(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TEST(SyncLinkMakeDirs, MakesEveryPrefixThatEndsAtASlash)
{
    TempDir dir;
    ASSERT_EQ(synclink_make_dirs((dir.path() + "/data/sync_tracker/").c_str()), 0);
    EXPECT_TRUE(is_directory(dir.file("data/sync_tracker")));
    ASSERT_EQ(synclink_make_dirs((dir.path() + "/data/sync_tracker/").c_str()), 0);  // again

    ASSERT_EQ(synclink_make_dirs((dir.path() + "/a//b/name").c_str()), 0);
    EXPECT_TRUE(is_directory(dir.file("a/b")));
    EXPECT_FALSE(is_directory(dir.file("a/b/name")));

    dir.write("file", "x");
    EXPECT_EQ(synclink_make_dirs((dir.path() + "/file/below/").c_str()), -1);
    EXPECT_FALSE(is_directory(dir.file("file/below")));

    std::string too_long = dir.path() + "/" + std::string(SYNCLINK_PATH_SIZE, 'd') + "/";
    EXPECT_EQ(synclink_make_dirs(too_long.c_str()), -1);
}

TEST(SyncLinkWriteFile, ReportsAFileThatCannotBeWrittenWhole)
{
    CurveKey keys[] = {{0, 1.0f, SHAPE_STEP}, {8, 2.0f, SHAPE_LINEAR}};
    SyncCurve curve{nullptr, keys, 2};
    TempDir dir;
    // A full disk: the file opens, the bytes never land; the old file stays.
    dir.write("full.track", "old");
    ChildResult result = run_in_child([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {10, 10};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::_Exit(synclink_write_curve_file(dir.file("full.track").c_str(), &curve) == -1 ? 0 : 3);
    });
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(read_file_bytes(dir.file("full.track")), "old");
    EXPECT_EQ(synclink_write_curve_file(dir.file("none/x.track").c_str(), &curve), -1);
}

}  // namespace
