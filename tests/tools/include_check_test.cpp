#include "include_check.h"

#include <gtest/gtest.h>

namespace {

struct IncludeCase {
    const char* what;
    std::vector<SourceFile> files;
    std::vector<std::string> problems;
};

TEST(IncludeCheck, LayerDirectionAndCircles)
{
    const IncludeCase cases[] = {
        {"downward and sideways includes pass",
         {{"platform/bass/bass.cpp", {"platform/bass/bass.h", "platform/win32/messagebox.h"}},
          {"util/error/fatal.cpp", {"util/error/fatal.h", "platform/win32/messagebox.h"}},
          {"scenes/scene/scene.cpp", {"effects/effect/effect.h", "util/math/vector3.h"}},
          {"main/main.cpp", {"scenes/scenemanager.h", "platform/win32/dialog.h"}}},
         {}},
        {"platform including util fails",
         {{"platform/bass/bass.cpp", {"util/error/log.h"}}},
         {"platform/bass/bass.cpp includes util/error/log.h: the platform layer may not include "
          "the util layer above it"}},
        {"an effect including a scene fails",
         {{"effects/flag/flag.cpp", {"scenes/scene/scene.h"}}},
         {"effects/flag/flag.cpp includes scenes/scene/scene.h: the effects layer may not include "
          "the scenes layer above it"}},
        {"a relative include is resolved beside the includer",
         {{"util/data/datafile.h", {"../../scenes/scenemanager.h"}}},
         {"util/data/datafile.h includes scenes/scenemanager.h: the util layer may not include "
          "the scenes layer above it"}},
        {"a circle inside one folder passes",
         {{"util/math/vector3.h", {"util/math/mathutil.h"}},
          {"util/math/mathutil.cpp", {"util/math/vector3.h"}}},
         {}},
        {"a circle between folders fails, a header and its source counting as one",
         {{"util/data/datafile.cpp", {"util/data/loadingbar.h"}},
          {"util/data/loadingbar.cpp", {"util/texture/texture.h"}},
          {"util/texture/texture.cpp", {"util/data/datafile.h"}}},
         {"include circle between folders: util/data/datafile util/data/loadingbar "
          "util/texture/texture"}},
    };
    for (const IncludeCase& c : cases) {
        EXPECT_EQ(check_includes(c.files), c.problems) << c.what;
    }
}

TEST(IncludeCheck, TheSystemsSourcesFollowTheRules)
{
    const std::vector<SourceFile> files = read_source_tree(PELLORVANE_SOURCE_DIR "/src");
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(check_includes(files), std::vector<std::string>{});
}

} // namespace
