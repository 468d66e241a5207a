// The build's data.qxv, written by the packer, against the files it was packed from.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "util/data/datafile.h"

namespace {

std::string gunzip(const std::string& path)
{
    std::string plain;
    gzFile gz = gzopen(path.c_str(), "rb");
    if (gz == nullptr) return plain;
    char chunk[65536];
    int got;
    while ((got = gzread(gz, chunk, sizeof chunk)) > 0) plain.append(chunk, static_cast<size_t>(got));
    gzclose(gz);
    return plain;
}

// An entry holds its file as the loader handed it over: as it is, with a terminator, or
// decompressed when it is a gzip file.
bool stored_as_loaded(const std::string& stored, const std::string& path)
{
    std::string disk = read_file_bytes(path);
    if (stored == disk || stored == disk + '\0') return true;
    if (disk.size() < 2 || disk[0] != '\x1f' || disk[1] != '\x8b') return false;
    std::string plain = gunzip(path);
    return stored == plain || stored == plain + '\0';
}

const std::string PACKER = std::string(PELLORVANE_BINARY_DIR) + "/pellorvane-pack";

bool build_has_packed_data()
{
    const std::string build = PELLORVANE_BINARY_DIR;
    return access((build + "/data.qxv").c_str(), R_OK) == 0 && access((build + "/data").c_str(), R_OK) == 0;
}

} // namespace

TEST(PackerEndToEnd, WithoutDataItEndsInTheFatalReport)
{
    TempDir empty;
    ChildResult result = run_program({PACKER}, {}, empty.path(), 120);
    EXPECT_EQ(result.exit_code, 1) << result.out << result.err;
    EXPECT_EQ(result.err.rfind("Error in file ", 0), 0u) << result.err;
    EXPECT_NE(access(empty.file("data.qxv").c_str(), F_OK), 0);
}

TEST(PackerEndToEnd, PackingAgainGivesTheBuildDataFileByteForByte)
{
    ASSERT_TRUE(build_has_packed_data()) << "the build made no data.qxv";
    TempDir folder;
    std::string data = std::string(PELLORVANE_BINARY_DIR) + "/data";
    ASSERT_EQ(symlink(data.c_str(), folder.file("data").c_str()), 0);
    ChildResult result = run_program({PACKER}, {}, folder.path(), 240);
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_NE(result.out.find(" Writing datafile data.qxv\n"), std::string::npos);
    EXPECT_TRUE(read_file_bytes(folder.file("data.qxv")) ==
                read_file_bytes(std::string(PELLORVANE_BINARY_DIR) + "/data.qxv"));
}

TEST(PackerEndToEnd, BuildDataFileHoldsEveryLoadedFileAsLoaded)
{
    ASSERT_TRUE(build_has_packed_data()) << "the build made no data.qxv";
    const std::string build = PELLORVANE_BINARY_DIR;
    ChildResult result = run_in_child([build] {
        if (chdir(build.c_str()) != 0) std::_Exit(4);
        DataFile::set_mode(DATAFILE_MODE_READ);
        DataFile::read("data.qxv");
        EXPECT_FALSE(DataFile::entries.empty());
        for (const DataEntry* entry : DataFile::entries) {
            EXPECT_EQ(entry->name.rfind("data/", 0), 0u) << entry->name;
            EXPECT_TRUE(stored_as_loaded(std::string(entry->data, static_cast<size_t>(entry->size)),
                                         entry->name))
                << entry->name;
        }
        if (::testing::Test::HasFailure()) std::_Exit(3);
    });
    EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
}
