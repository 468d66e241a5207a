#include "platform/runtime/file_replace.h"

#include <csignal>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

#include "support/child_process.h"
#include "support/temp_dir.h"

// Whatever happens, the file holds either what it held or all of the new contents, and nothing
// is left beside it.
TEST(FileReplace, TheFileHoldsTheOldOrAllOfTheNewContents)
{
    const std::string contents(300, 'n');
    struct Case {
        const char* what;
        bool existing;     // a file "f" with old contents is there
        bool folder_there; // "f" is a folder
        bool full_disk;    // files may not grow past 100 bytes
        int result;        // FileReplaceResult, as the child's exit code
    } cases[] = {
        {"a new file", false, false, false, int(FileReplaceResult::WRITTEN)},
        {"over an existing file", true, false, false, int(FileReplaceResult::WRITTEN)},
        {"a full disk", true, false, true, int(FileReplaceResult::NOT_WRITTEN)},
        {"a folder in the way", false, true, false, int(FileReplaceResult::NOT_CREATED)},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.file("f");
        if (c.existing) dir.write("f", "old contents");
        if (c.folder_there) {
            ASSERT_EQ(mkdir(path.c_str(), 0777), 0);
        }
        ChildResult result = run_in_child([&] {
            if (c.full_disk) {
                std::signal(SIGXFSZ, SIG_IGN);
                struct rlimit limit = {100, 100};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            std::_Exit(int(replace_file_contents(path.c_str(), contents.data(), contents.size(),
                                                 FileReplaceSync::ON_THE_DISK)));
        });
        EXPECT_EQ(result.exit_code, c.result) << c.what;
        EXPECT_EQ(folder_entries(dir.path()), std::vector<std::string>{"f"}) << c.what;
        if (c.folder_there) continue;
        const bool written = c.result == int(FileReplaceResult::WRITTEN);
        EXPECT_EQ(read_file_bytes(path), written ? contents : "old contents") << c.what;
    }

    TempDir dir;
    EXPECT_EQ(replace_file_contents(dir.file("missing/f").c_str(), "x", 1, FileReplaceSync::WRITTEN_AND_CLOSED),
              FileReplaceResult::NOT_CREATED);
    EXPECT_EQ(folder_entries(dir.path()), std::vector<std::string>{});
}
