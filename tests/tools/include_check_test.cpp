#include "include_check.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

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

TEST(IncludeCheck, LibraryHeadersOnlyInTheLayersThatMayIncludeThem)
{
    const IncludeCase cases[] = {
        {"standard and POSIX headers anywhere, each library in its own layers",
         {{"platform/win32/dialog.cpp", {},
           {{1, "gtk/gtk.h"}, {2, "gdk/gdkkeysyms.h"}, {3, "cstdio"}, {4, "sys/socket.h"}}},
          {"platform/audio/decoder.cpp", {},
           {{1, "mpg123.h"}, {2, "vorbis/vorbisfile.h"}, {3, "fftw3.h"}}},
          {"util/texture/jpg_loader.cpp", {},
           {{1, "jpeglib.h"}, {2, "zlib.h"}, {3, "tinyxml.h"}, {4, "FTGL/ftgl.h"}}},
          {"effects/effect/effect.h", {}, {{1, "GL/glew.h"}, {2, "vector"}}},
          {"scenes/scene/scene.h", {}, {{1, "SDL/SDL.h"}, {2, "GL/glu.h"}, {3, "stdint.h"}}},
          {"main/main.cpp", {}, {{1, "SDL/SDL.h"}, {2, "GL/glew.h"}}}},
         {}},
        {"a file outside the layers is held to none of them",
         {{"version.cpp", {}, {{1, "gtk/gtk.h"}}}},
         {}},
        {"GTK in a scenes file fails",
         {{"scenes/scene/scene.cpp", {}, {{3, "gtk/gtk.h"}}}},
         {"scenes/scene/scene.cpp:3 includes <gtk/gtk.h>: GTK and GLib may be included only by "
          "the platform layer"}},
        {"libmpg123 in an effects file fails",
         {{"effects/flag/flag.cpp", {}, {{7, "mpg123.h"}}}},
         {"effects/flag/flag.cpp:7 includes <mpg123.h>: libmpg123 may be included only by the "
          "platform layer"}},
        {"SDL in an effects file fails, naming every layer that may include it",
         {{"effects/flag/flag.h", {}, {{2, "SDL/SDL.h"}}}},
         {"effects/flag/flag.h:2 includes <SDL/SDL.h>: SDL may be included only by the "
          "platform, util, scenes and main layers"}},
        {"GL in the platform layer fails",
         {{"platform/audio/audio.cpp", {}, {{4, "GL/gl.h"}}}},
         {"platform/audio/audio.cpp:4 includes <GL/gl.h>: GL, GLEW and GLU may be included only "
          "by the util, effects, scenes and main layers"}},
        {"vorbisfile in a util file fails",
         {{"util/music/music.cpp", {}, {{2, "vorbis/vorbisfile.h"}}}},
         {"util/music/music.cpp:2 includes <vorbis/vorbisfile.h>: vorbisfile may be included only "
          "by the platform layer"}},
        {"Ogg, vorbisfile's own header, in a main file fails",
         {{"main/main.cpp", {}, {{3, "ogg/ogg.h"}}}},
         {"main/main.cpp:3 includes <ogg/ogg.h>: vorbisfile may be included only by the platform "
          "layer"}},
        {"FFTW in a util file fails",
         {{"util/music/spectrum.cpp", {}, {{4, "fftw3.h"}}}},
         {"util/music/spectrum.cpp:4 includes <fftw3.h>: FFTW may be included only by the "
          "platform layer"}},
        {"FTGL in a platform file fails",
         {{"platform/win32/dialog.cpp", {}, {{5, "FTGL/ftgl.h"}}}},
         {"platform/win32/dialog.cpp:5 includes <FTGL/ftgl.h>: FTGL may be included only by the "
          "util layer"}},
        {"TinyXML in a scenes file fails",
         {{"scenes/scenemanager.cpp", {}, {{6, "tinyxml.h"}}}},
         {"scenes/scenemanager.cpp:6 includes <tinyxml.h>: TinyXML may be included only by the "
          "util layer"}},
        {"zlib in a platform file fails",
         {{"platform/avifile/avifile.cpp", {}, {{7, "zlib.h"}}}},
         {"platform/avifile/avifile.cpp:7 includes <zlib.h>: zlib may be included only by the "
          "util layer"}},
        {"libjpeg in an effects file fails, by either of its headers",
         {{"effects/skybox/skybox.cpp", {}, {{8, "jpeglib.h"}, {9, "jerror.h"}}}},
         {"effects/skybox/skybox.cpp:8 includes <jpeglib.h>: libjpeg may be included only by the "
          "util layer",
          "effects/skybox/skybox.cpp:9 includes <jerror.h>: libjpeg may be included only by the "
          "util layer"}},
        {"the SSE2 intrinsics in a scenes file fail",
         {{"scenes/particles/particle.cpp", {}, {{10, "emmintrin.h"}}}},
         {"scenes/particles/particle.cpp:10 includes <emmintrin.h>: the SSE2 intrinsics may be "
          "included only by the util layer"}},
        {"a header of no library in the table fails",
         {{"util/texture/texture.cpp", {}, {{5, "png.h"}}}},
         {"util/texture/texture.cpp:5 includes <png.h>: it is no C, C++ or POSIX header, and the "
          "library table of tools/check_includes/include_check.cpp names no library with it"}},
    };
    for (const IncludeCase& c : cases) {
        EXPECT_EQ(check_includes(c.files), c.problems) << c.what;
    }
}

TEST(IncludeCheck, ReadsBothKindsOfIncludeWithTheirLines)
{
    TempDir root;
    root.write("scenes/glow/glow.cpp", "#include \"scenes/glow/glow.h\"\n"
                                       "\n"
                                       "#include <cmath>\n"
                                       "  #  include <gtk/gtk.h>\n"
                                       "// #include <mpg123.h>\n");
    root.write("scenes/glow/glow.h", "#pragma once\n#include \"main/main.h\"\n");
    root.write("scenes/glow/notes.txt", "#include <mpg123.h>\n");

    const std::vector<SourceFile> files = read_source_tree(root.path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].includes, std::vector<std::string>{"scenes/glow/glow.h"});
    EXPECT_EQ(files[1].includes, std::vector<std::string>{"main/main.h"});
    EXPECT_EQ(check_includes(files),
              (std::vector<std::string>{
                  "scenes/glow/glow.cpp:4 includes <gtk/gtk.h>: GTK and GLib may be included "
                  "only by the platform layer",
                  "scenes/glow/glow.h includes main/main.h: the scenes layer may not include the "
                  "main layer above it"}));
}

TEST(IncludeCheck, TheSystemsSourcesFollowTheRules)
{
    const std::vector<SourceFile> files = read_source_tree(PELLORVANE_SOURCE_DIR "/src");
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(check_includes(files), std::vector<std::string>{});
}

} // namespace
