// Compiles the show's timeline into one ".track" file per track:
//   gen_timeline TIMELINE OUTPUT_FOLDER
#include <cstdio>

#include "file_io.h"
#include "timeline.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_timeline TIMELINE OUTPUT_FOLDER\n");
        return 1;
    }
    gen::Timeline timeline;
    std::string error;
    if (!gen::load_timeline(argv[1], timeline, error)) {
        std::fprintf(stderr, "gen_timeline: %s\n", error.c_str());
        return 1;
    }
    for (const gen::TimelineTrack& track : timeline.tracks) {
        if (!gen::write_file(gen::track_file_name(argv[2], track.name), gen::encode_track(track),
                             error)) {
            std::fprintf(stderr, "gen_timeline: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
