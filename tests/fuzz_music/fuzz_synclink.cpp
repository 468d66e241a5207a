// Fuzz target for the sync-tracker client's command stream. The input is what the editor
// sends, written into one end of a socketpair whose other end the music's link holds; the
// music's own frame update reads it, so row changes and pauses reach the music through its
// real callbacks. The curves the commands fill are then evaluated.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

#include "fuzz_support/fuzz_harness.h"
#include "music_harness.h"
#include "util/music/music.h"
#include "util/music/synclink.h"

namespace {

const char* const CURVES[] = {"camera:x", "camera:y", "scene"};
const double ROWS[] = {-1e12, -1.0, 0.0, 0.5, 1.0, 7.25, 64.0, 1e6, 3e9, INFINITY, NAN};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Music& music = fuzz_music();
    SyncLink* link = music.sync_link;
    static bool saves_to_scratch = false;
    if (!saves_to_scratch) {
        // Saved curves go into the scratch folder, not into the working copy.
        std::free(link->base_path);
        link->base_path = strdup((fuzz_scratch_folder() + "/sync/").c_str());
        saves_to_scratch = true;
        // The link fails at the end of every input and the update dials the editor again: a
        // port where nothing listens keeps that away from an editor (or a test) on the real one.
        music.editor_port = 1;
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) std::abort();
    synclink_free_curves(link);
    link->mode = 1;
    link->socket = ends[0];
    link->inbox_start = link->inbox_end = 0;
    link->last_row = -1;
    for (const char* name : CURVES) {
        if (synclink_curve(name, link, 0.5f) == nullptr) std::abort();
    }
    if (size > 0 && write(ends[1], data, size) != static_cast<ssize_t>(size)) std::abort();
    shutdown(ends[1], SHUT_WR);

    fuzz_run([&] {
        music.update();
        // A reconnect that fails leaves the curves as they are; evaluate what is there.
        volatile float sum = 0.0f;
        for (int i = 0; i < link->curve_count; ++i) {
            const SyncCurve* curve = link->curves[i];
            for (double row : ROWS) sum = sum + synclink_curve_value(curve, row);
            for (int k = 0; k < curve->key_count; ++k) {
                sum = sum + synclink_curve_value(curve, curve->keys[k].row) +
                      synclink_curve_value(curve, curve->keys[k].row + 0.5);
            }
        }
    });
    if (link->socket >= 0) close(link->socket);
    link->socket = -1;
    link->mode = 0;
    close(ends[1]);
    return 0;
}
