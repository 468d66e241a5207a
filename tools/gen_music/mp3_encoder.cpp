#include "mp3_encoder.h"

#include <lame/lame.h>

#include "song.h"

namespace gen {

namespace {

class LameEncoder {
public:
    LameEncoder() : flags(lame_init()) {}
    ~LameEncoder()
    {
        if (flags)
            lame_close(flags);
    }
    LameEncoder(const LameEncoder&) = delete;
    LameEncoder& operator=(const LameEncoder&) = delete;
    lame_t get() const { return flags; }

private:
    lame_t flags;
};

} // namespace

bool encode_mp3(const std::vector<int16_t>& interleaved, int bitrate_kbps, std::string& mp3,
                std::string& error)
{
    LameEncoder encoder;
    lame_t lame = encoder.get();
    if (!lame) {
        error = "cannot start the MP3 encoder";
        return false;
    }
    lame_set_in_samplerate(lame, SAMPLE_RATE);
    lame_set_out_samplerate(lame, SAMPLE_RATE);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_brate(lame, bitrate_kbps);
    lame_set_quality(lame, 7); // fast; the data build must stay quick
    lame_set_bWriteVbrTag(lame, 1);
    lame_set_write_id3tag_automatic(lame, 0);
    if (lame_init_params(lame) < 0) {
        error = "the MP3 encoder refused its settings";
        return false;
    }

    const int frames = static_cast<int>(interleaved.size() / 2);
    const int chunk = 1152 * 64;
    std::vector<unsigned char> buffer(static_cast<size_t>(chunk * 5 / 4 + 7200));
    mp3.clear();
    for (int done = 0; done < frames; done += chunk) {
        int count = frames - done < chunk ? frames - done : chunk;
        // lame takes a non-const pointer but does not write through it
        short* pcm = const_cast<short*>(interleaved.data() + static_cast<size_t>(done) * 2);
        int got = lame_encode_buffer_interleaved(lame, pcm, count, buffer.data(),
                                                 static_cast<int>(buffer.size()));
        if (got < 0) {
            error = "MP3 encoding failed (" + std::to_string(got) + ")";
            return false;
        }
        mp3.append(reinterpret_cast<char*>(buffer.data()), static_cast<size_t>(got));
    }
    int got = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    if (got < 0) {
        error = "MP3 encoding failed at the end (" + std::to_string(got) + ")";
        return false;
    }
    mp3.append(reinterpret_cast<char*>(buffer.data()), static_cast<size_t>(got));

    // The first frame was reserved for the info tag that carries delay and padding.
    size_t tag = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
    if (tag == 0 || tag > buffer.size() || tag > mp3.size()) {
        error = "the MP3 encoder gave no info tag";
        return false;
    }
    mp3.replace(0, tag, reinterpret_cast<char*>(buffer.data()), tag);
    return true;
}

} // namespace gen
