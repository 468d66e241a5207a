#include "util/music/music.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <tuple>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/audio_fixture.h"
#include "support/child_process.h"
#include "support/show_fixture.h"
#include "support/temp_dir.h"
#include "util/music/synclink_test_editor.h"

namespace {

// Two seconds: 440 Hz at half scale on the left, 1000 Hz at a quarter on the right.
const TestSignal& stereo_signal()
{
    static TestSignal signal = make_sine_signal(88200, 44100, {440.0, 1000.0}, {0.5, 0.25});
    return signal;
}

std::string write_fixture(const TempDir& dir, const std::string& name, const std::string& bytes)
{
    dir.write(name, bytes);
    return dir.file(name);
}

std::string stereo_ogg(const TempDir& dir)
{
    static std::string bytes = encode_ogg(stereo_signal());
    return write_fixture(dir, "music.ogg", bytes);
}

// Runs the body in a child and expects the fatal report of the music with this message.
void expect_music_fatal(const std::function<void()>& body, const std::string& message)
{
    ChildResult result = run_in_child(body);
    EXPECT_EQ(result.exit_code, 1) << result.err;
    EXPECT_NE(result.err.find("Error in file src\\util\\music\\music:"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("\n\n" + message + "\n"), std::string::npos) << result.err;
}

// Stays in a folder for the test's time (the sync tracks live under data/ of the working
// folder).
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& path)
    {
        char buffer[4096];
        previous = getcwd(buffer, sizeof buffer) ? buffer : ".";
        EXPECT_EQ(chdir(path.c_str()), 0);
    }
    ~WorkingFolder() { (void)!chdir(previous.c_str()); }

private:
    std::string previous;
};


} // namespace

TEST(Music, LoadsMp3AndOggWholeIntoItsBuffers)
{
    TempDir dir;
    const TestSignal& signal = stereo_signal();
    std::string mp3 = encode_mp3(signal);
    // An extension in capitals is the same format.
    for (const std::string& path : {write_fixture(dir, "a.mp3", mp3), write_fixture(dir, "b.OGG", encode_ogg(signal)),
                                    write_fixture(dir, "c.Mp3", mp3)}) {
        {
            Music music(path.c_str(), 145.0f, 0.0f, true, 0);
            EXPECT_EQ(g_music, &music);
            ASSERT_EQ(music.num_samples, signal.samples.size()) << path;
            const WAVEFORMATEX& format = music.wave_format;
            EXPECT_EQ(format.wFormatTag, 1);
            EXPECT_EQ(format.nChannels, 2);
            EXPECT_EQ(format.nSamplesPerSec, 44100u);
            EXPECT_EQ(format.nAvgBytesPerSec, 176400u);
            EXPECT_EQ(format.nBlockAlign, 4);
            EXPECT_EQ(format.wBitsPerSample, 16);
            EXPECT_EQ(format.cbSize, 0);
            EXPECT_EQ(music.rows_per_beat, 8);
            EXPECT_FALSE(music.paused);
            EXPECT_EQ(music.note_data, nullptr);

            double float_error = 0.0;
            int largest_u16_step = 0;
            for (std::size_t i = 0; i < signal.samples.size(); ++i) {
                double d = music.float_buffer[i] - signal.samples[i] / 32768.0;
                float_error += d * d;
                largest_u16_step = std::max(largest_u16_step,
                                            std::abs(music.u16_buffer[i] - static_cast<int>(
                                                         std::lround(music.float_buffer[i] * 32768.0f))));
            }
            EXPECT_LT(std::sqrt(float_error / signal.samples.size()), 0.01) << path;
            EXPECT_EQ(largest_u16_step, 0) << "both buffers hold the same decoding";
        }
        EXPECT_EQ(g_music, nullptr);
    }
    Music without_pcm(write_fixture(dir, "d.mp3", mp3).c_str(), 145.0f, 0.0f, false, 0);
    EXPECT_EQ(without_pcm.u16_buffer, nullptr);
    EXPECT_NE(without_pcm.float_buffer, nullptr);
}

TEST(Music, RefusesFormatsItCannotPlay)
{
    TempDir dir;
    TestSignal mono = make_sine_signal(22050, 44100, {440.0}, {0.5});
    std::string mono_path = write_fixture(dir, "mono.ogg", encode_ogg(mono));
    std::string wav_path = write_fixture(dir, "music.WAV", "RIFF");
    std::string broken_path = write_fixture(dir, "broken.mp3", std::string(5000, 'x'));
    std::string missing_path = dir.file("missing.ogg");
    struct Case {
        std::string path;
        std::string message;
    };
    const Case cases[] = {
        {wav_path, "Music format .wav not supported"},
        {"ab", "Music format ab not supported"},
        {mono_path, "Failed assert info.chans == 2\n info.chans is 1\n 2 is 2"},
        {missing_path, "Failed to read music data from " + missing_path},
        {broken_path, "Failed to decode music data from " + broken_path},
    };
    // Decoded on a second thread, the same reports come from the thread that waits for it.
    for (bool background : {false, true}) {
        for (const Case& c : cases) {
            expect_music_fatal(
                [&c, background] {
                    Music::set_background_decode(background);
                    Music music(c.path.c_str(), 145.0f, 0.0f, false, 0);
                    music.wait_for_decode();
                },
                c.message);
        }
    }
}

TEST(Music, DecodedOnASecondThreadItIsTheSameMusic)
{
    TempDir dir;
    std::string path = write_fixture(dir, "a.mp3", encode_mp3(stereo_signal()));
    std::vector<float> floats;
    std::vector<std::int16_t> pcm;
    WAVEFORMATEX format;
    {
        Music music(path.c_str(), 145.0f, 0.0f, true, 0);
        floats.assign(music.float_buffer, music.float_buffer + music.num_samples);
        pcm.assign(music.u16_buffer, music.u16_buffer + music.num_samples);
        format = music.wave_format;
    }
    struct BackgroundDecode {
        BackgroundDecode() { Music::set_background_decode(true); }
        ~BackgroundDecode() { Music::set_background_decode(false); }
    } background;
    {
        Music music(path.c_str(), 145.0f, 0.0f, true, 0);
        // The first use of the playback waits for the decoding: the track's first samples.
        std::vector<float> window(1024);
        music.get_pcm(window.data(), 1024);
        EXPECT_EQ(std::memcmp(window.data(), floats.data(), 1024 * sizeof(float)), 0);
        ASSERT_EQ(music.num_samples, floats.size());
        EXPECT_EQ(std::memcmp(music.float_buffer, floats.data(), floats.size() * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(music.u16_buffer, pcm.data(), pcm.size() * sizeof(std::int16_t)), 0);
        EXPECT_EQ(std::memcmp(&music.wave_format, &format, sizeof format), 0);
        EXPECT_DOUBLE_EQ(music.get_row(), 0.0);
    }
    // A music that goes before anything waited for its decoding waits in its destructor.
    Music unused(path.c_str(), 145.0f, 0.0f, false, 0);
}

TEST(Music, ClockInRowsAndBeats)
{
    TempDir dir;
    {
        SteppedMusic offset(stereo_ogg(dir).c_str(), 145.0f, 0.5f, false, 0);
        offset.set_time(1.0f);
        EXPECT_NEAR(offset.get_beat(), 2.9166667f, 1e-6f);
        offset.bpm = 120.0f;
        EXPECT_NEAR(offset.get_row(), 16.0, 1e-9);
    }
    SteppedMusic music(stereo_ogg(dir).c_str(), 145.0f, 0.0f, false, 0);
    music.set_time(1.0f);
    EXPECT_EQ(music.get_byte_position(), 176400u);
    EXPECT_NEAR(music.get_row(), 19.0 + 1.0 / 3.0, 1e-9);
    EXPECT_NEAR(music.get_beat(), 2.4166667f, 1e-6f);
    music.set_time(-3.0f);
    EXPECT_EQ(music.get_byte_position(), 0u);
    music.set_byte_position(0xffffffffu);
    EXPECT_EQ(music.get_byte_position(), 0xffffffffull);

    music.set_row(0);
    EXPECT_EQ(music.get_byte_position(), 8u) << "eight bytes past the row's start";
    for (int row = 0; row <= 20000; ++row) {
        music.set_row(row);
        ASSERT_EQ(static_cast<int>(std::floor(music.get_row())), row);
    }
}

TEST(Music, PcmWindowStopsAtTheEndOfTheTrack)
{
    TempDir dir;
    SteppedMusic music(stereo_ogg(dir).c_str(), 145.0f, 0.0f, false, 0);
    std::vector<float> window(1024, 7.0f);
    music.position = 4000; // interleaved sample 2000
    music.get_pcm(window.data(), 1024);
    EXPECT_EQ(std::memcmp(window.data(), music.float_buffer + 2000, 1024 * sizeof(float)), 0);

    music.position = (music.num_samples - 10) * 2;
    music.get_pcm(window.data(), 1024);
    EXPECT_EQ(std::memcmp(window.data(), music.float_buffer + music.num_samples - 10, 10 * sizeof(float)), 0);
    for (int i = 10; i < 1024; ++i)
        ASSERT_EQ(window[i], 0.0f) << i;
    music.position = music.num_samples * 4;
    music.get_pcm(window.data(), 4);
    EXPECT_EQ(window[0], 0.0f);

    expect_music_fatal([&music] { music.get_pcm(nullptr, 4); }, "Invalid buffer");
    expect_music_fatal([&music] { music.get_spectrum(nullptr); }, "Invalid buffer");
}

TEST(Music, SpectrumAtThePlaybackPosition)
{
    TempDir dir;
    const double bin_width = 44100.0 / 2048;
    TestSignal signal = make_sine_signal(44100, 44100, {60 * bin_width, 60 * bin_width}, {0.5, 0.5});
    std::string path = write_fixture(dir, "sine.ogg", encode_ogg(signal));
    SteppedMusic music(path.c_str(), 145.0f, 0.0f, false, 0);
    std::vector<float> bins(1024, 9.0f);
    music.position = 80000;
    EXPECT_EQ(music.get_spectrum(bins.data()), 2048 * 4);
    int peak = static_cast<int>(std::max_element(bins.begin(), bins.end()) - bins.begin());
    EXPECT_EQ(peak, 60);
    EXPECT_NEAR(bins[peak], 0.5f, 0.03f);
    music.position = music.num_samples * 2; // the very end: silence
    EXPECT_EQ(music.get_spectrum(bins.data()), -1);
    EXPECT_EQ(*std::max_element(bins.begin(), bins.end()), 0.0f);
}

// A position past the end cannot be taken by the decode stream; the answer is silence, not
// the window the previous call read.
TEST(Music, SpectrumPastTheEndIsSilenceNotTheLastWindow)
{
    TempDir dir;
    const double bin_width = 44100.0 / 2048;
    TestSignal signal = make_sine_signal(44100, 44100, {60 * bin_width, 60 * bin_width}, {0.5, 0.5});
    std::string path = write_fixture(dir, "sine.ogg", encode_ogg(signal));
    SteppedMusic music(path.c_str(), 145.0f, 0.0f, false, 0);
    std::vector<float> bins(1024, 9.0f);
    music.position = 80000;
    ASSERT_GT(music.get_spectrum(bins.data()), 0);
    ASSERT_GT(bins[60], 0.4f);
    for (QWORD past : {music.num_samples * 2 + 4, music.num_samples * 2 + 176400}) {
        std::fill(bins.begin(), bins.end(), 9.0f);
        music.position = past;
        EXPECT_EQ(music.get_spectrum(bins.data()), -1) << past;
        EXPECT_EQ(*std::max_element(bins.begin(), bins.end()), 0.0f) << past;
    }
}

TEST(Music, PlaysPausesAndStopsAtTheEnd)
{
    TempDir dir;
    TestSignal signal = make_sine_signal(44100 / 2, 44100, {440.0, 440.0}, {0.3, 0.3});
    Music music(write_fixture(dir, "short.ogg", encode_ogg(signal)).c_str(), 145.0f, 0.0f, false, 0);
    EXPECT_FALSE(music.is_running()) << "not started yet";
    music.set_volume(1.0f);
    music.start();
    EXPECT_TRUE(music.is_active());
    music.pause();
    music.pause();
    std::uint64_t held = music.get_byte_position();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(music.get_byte_position(), held);
    music.set_row(1000); // past the end: the seek fails and the position stays
    EXPECT_EQ(music.get_byte_position(), held);
    EXPECT_TRUE(music.is_running()) << "a paused music counts as running";
    music.play();
    EXPECT_TRUE(music.is_active());

    music.toggle_pause();
    EXPECT_TRUE(music.paused);
    music.set_byte_position(static_cast<std::uint32_t>(music.num_samples * 2));
    EXPECT_TRUE(music.is_running()) << "paused at the very end still counts as running";
    music.set_time(0.3f);
    music.toggle_pause();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (music.is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(music.is_running()) << "the music does not loop";
    EXPECT_EQ(music.get_byte_position(), music.num_samples * 2u);
}

TEST(Music, SyncTracksFromTrackFiles)
{
    TempDir dir;
    dir.write("data/sync_tracker/_empty.track", track_file_bytes({}));
    dir.write("data/sync_tracker/_ramp.track", track_file_bytes({{0, 0.0f, 1}, {8, 1.0f, 0}}));
    std::string path = stereo_ogg(dir);
    WorkingFolder folder(dir.path());
    SteppedMusic music(path.c_str(), 145.0f, 0.0f, false, 0);
    music.add_sync_track("empty", 3.5f, true);
    music.add_sync_track("empty", 9.0f, true); // a second entry: reads never reach it
    music.add_sync_track("ramp", 0.0f, true);
    music.add_sync_track("fixed", -1.0f, false);
    EXPECT_EQ(music.sync_tracks.size(), 4u);
    for (int row : {0, 2, 4, 100}) {
        music.set_row(row);
        EXPECT_EQ(music.get_sync_value("empty"), 3.5f) << row;
        EXPECT_EQ(music.get_sync_value("fixed"), -1.0f) << row;
    }
    music.set_row(2);
    // The row counts with its fraction (set_row lands just past the row's start).
    EXPECT_NEAR(music.get_sync_value("ramp"), 0.25f, 1e-3f);
    EXPECT_GT(music.get_sync_value("ramp"), 0.25f);
    music.set_row(12);
    EXPECT_EQ(music.get_sync_value("ramp"), 1.0f);

    expect_music_fatal([&music] { music.get_sync_value("Empty"); }, "Can't find sync value for Empty");
    expect_music_fatal([&music] { music.add_sync_track("absent", 0.0f, true); },
                       "Failed to open track absent!");
}

namespace {

// The editor's side of the link, on the loopback host at the editor port.
class EditorPeer {
public:
    EditorPeer()
    {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        int yes = 1;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(SYNCLINK_EDITOR_PORT);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bound = bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~EditorPeer()
    {
        if (connection >= 0)
            close(connection);
        close(listener);
    }

    bool listen_now() { return bound && listen(listener, 4) == 0; }

    // Accepts a client and answers its greeting.
    bool accept_client()
    {
        if (connection >= 0)
            close(connection);
        connection = accept(listener, nullptr, nullptr);
        char hello[19];
        return connection >= 0 && read_exactly(hello, sizeof hello) &&
               std::memcmp(hello, "hello, synctracker!", 19) == 0 &&
               send(connection, "hello, demo!", 12, 0) == 12;
    }

    // Reads one command of the client: a curve request (2, its name) or a row change (3).
    bool read_command(int& command, std::string& name, std::uint32_t& row)
    {
        unsigned char byte = 0;
        std::uint32_t value = 0;
        if (!read_exactly(&byte, 1) || !read_exactly(&value, 4))
            return false;
        command = byte;
        value = ntohl(value);
        if (byte == 3) {
            row = value;
            return true;
        }
        name.assign(value, '\0');
        return byte == 2 && read_exactly(&name[0], value);
    }

    void send_bytes(const std::vector<unsigned char>& bytes)
    {
        ASSERT_EQ(send(connection, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    }

    void drop_client()
    {
        close(connection);
        connection = -1;
    }

    bool bound = false;

private:
    bool read_exactly(void* buffer, std::size_t size)
    {
        std::size_t done = 0;
        while (done < size) {
            ssize_t got = recv(connection, static_cast<char*>(buffer) + done, size - done, 0);
            if (got <= 0)
                return false;
            done += static_cast<std::size_t>(got);
        }
        return true;
    }

    int listener = -1;
    int connection = -1;
};

std::vector<unsigned char> row_change(std::uint32_t row)
{
    return {3, static_cast<unsigned char>(row >> 24), static_cast<unsigned char>(row >> 16),
            static_cast<unsigned char>(row >> 8), static_cast<unsigned char>(row)};
}

// Calls update until the condition holds (at most a few seconds, so a fault cannot hang).
template <typename Condition>
bool update_until(Music& music, Condition condition)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        music.update();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

TEST(Music, EditorModeFollowsTheSyncTrackerAndRedials)
{
    TempDir dir;
    std::string path = stereo_ogg(dir);
    WorkingFolder folder(dir.path());
    EditorPeer peer;
    if (!peer.bound)
        GTEST_SKIP() << "the editor port is in use";

    // Bound but not listening: nothing answers on the port.
    expect_music_fatal([&path] { Music music(path.c_str(), 145.0f, 0.0f, false, 1); },
                       "Sync tracker failed to connect to host");

    ASSERT_TRUE(peer.listen_now());
    std::atomic<bool> first_ready{false};
    std::thread greet([&] { first_ready = peer.accept_client(); });
    std::unique_ptr<Music> owner(new Music(path.c_str(), 145.0f, 0.0f, false, 1));
    Music& music = *owner;
    greet.join();
    ASSERT_TRUE(first_ready);

    music.add_sync_track("fxLevel", 2.0f, true);
    int command = 0;
    std::string name;
    std::uint32_t row = 0;
    ASSERT_TRUE(peer.read_command(command, name, row));
    EXPECT_EQ(command, 2);
    EXPECT_EQ(name, "fxLevel");

    // The editor moves the position and pauses; then sends a key for the track.
    peer.send_bytes(row_change(30)); // 1.55 s into the track
    peer.send_bytes({4, 1});
    peer.send_bytes({0, 0, 0, 0, 0, 0, 0, 0, 16, 0x40, 0xa0, 0, 0, 1}); // row 16: 5.0, linear
    ASSERT_TRUE(update_until(music, [&] { return music.paused && music.get_sync_value("fxLevel") == 5.0f; }))
        << music.paused << " " << music.get_row() << " " << music.get_sync_value("fxLevel");
    EXPECT_EQ(static_cast<int>(std::floor(music.get_row())), 30);
    EXPECT_TRUE(music.is_running());

    // Resuming plays the music, and the link reports the rows it plays.
    peer.send_bytes({4, 0});
    ASSERT_TRUE(update_until(music, [&] { return !music.paused; }));
    EXPECT_TRUE(music.is_active());
    ASSERT_TRUE(peer.read_command(command, name, row));
    EXPECT_EQ(command, 3);
    EXPECT_GE(row, 30u);

    // A dropped link is dialled again by the updates, which ask for every track anew.
    peer.drop_client();
    std::atomic<bool> second_ready{false};
    std::thread regreet([&] { second_ready = peer.accept_client(); });
    ASSERT_TRUE(update_until(music, [&] { return second_ready.load(); }));
    regreet.join();
    do {
        ASSERT_TRUE(peer.read_command(command, name, row));
    } while (command == 3);
    EXPECT_EQ(command, 2);
    EXPECT_EQ(name, "fxLevel");

    // After the redial the editor sent no keys: the save at the end writes nothing, not
    // even where a file stands in the way of the track folder.
    auto save_at_the_end = [&] {
        return run_in_child([&] {
            dir.write("data", "a file where the folder should be");
            owner.reset();
            std::remove(dir.file("data").c_str());
            fprintf(stderr, "went on\n");
        });
    };
    ChildResult silent = save_at_the_end();
    EXPECT_EQ(silent.exit_code, 0);
    EXPECT_EQ(silent.err, "went on\n");

    // Once the editor set a key, a save that cannot write its files is reported, and the
    // program goes on.
    peer.send_bytes({0, 0, 0, 0, 0, 0, 0, 0, 8, 0x40, 0x40, 0, 0, 0}); // row 8: 3.0, step
    ASSERT_TRUE(update_until(music, [&] { return music.get_sync_value("fxLevel") == 3.0f; }));
    ChildResult result = save_at_the_end();
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.err, "Failed to save sync tracks!\n"
                          "Failed to save sync tracks, check your directory structure!\n"
                          "went on\n");
    owner.reset();
    EXPECT_EQ(read_file_bytes(dir.file("data/sync_tracker/_fxLevel.track")),
              std::string("\x01\0\0\0\x08\0\0\0\0\0\x40\x40\0", 13));
}

// In editor mode the music's end does not end the run; the editor moves the play position
// instead. A seek after the end plays the music on from there; a music the editor paused stays
// paused until it resumes, and before the start a seek only moves the position.
TEST(Music, EditorSeekAfterTheEndPlaysOn)
{
    TempDir dir;
    // 9126 frames: row 4 (9124 frames, and the 8 bytes past the row's start) is the very end.
    const std::size_t frames = 9126;
    TestSignal signal = make_sine_signal(frames, 44100, {440.0, 440.0}, {0.3, 0.3});
    std::string path = write_fixture(dir, "short.ogg", encode_ogg(signal));
    WorkingFolder folder(dir.path());
    // A music linked to a test editor on a free port (editor mode dials the fixed one).
    Music music(path.c_str(), 145.0f, 0.0f, false, 0);
    ASSERT_EQ(music.num_samples, 2 * frames);
    TestEditor editor;
    editor.expect_client();
    music.sync_link->mode = 1;
    music.editor_port = editor.port();
    ASSERT_EQ(synclink_connect(music.sync_link, "127.0.0.1", editor.port()), 0);
    ASSERT_EQ(editor.accepted(), "hello, synctracker!");
    auto at_row = [&](double row) {
        return update_until(music, [&] { return std::floor(music.get_row()) == row; });
    };
    auto play_to_the_end = [&] {
        music.set_time(0.15f);
        return update_until(music, [&] { return !music.is_active(); });
    };

    editor.send(TestEditor::row_change(1));
    ASSERT_TRUE(at_row(1.0)) << music.get_row();
    EXPECT_FALSE(music.is_active()) << "not started yet";

    music.set_volume(1.0f);
    music.start();
    ASSERT_TRUE(play_to_the_end());
    EXPECT_FALSE(music.is_running());
    editor.send(TestEditor::row_change(2));
    ASSERT_TRUE(update_until(music, [&] { return music.is_active(); })) << music.get_row();
    EXPECT_GE(music.get_row(), 2.0);

    ASSERT_TRUE(play_to_the_end());
    editor.send(TestEditor::pause_change(1) + TestEditor::row_change(1));
    ASSERT_TRUE(at_row(1.0)) << music.get_row();
    EXPECT_FALSE(music.is_active());
    EXPECT_TRUE(music.is_running()) << "paused";
    editor.send(TestEditor::pause_change(0));
    ASSERT_TRUE(update_until(music, [&] { return music.is_active(); }));
    EXPECT_GE(music.get_row(), 1.0);

    // A seek to the very end leaves the music there, rather than playing it from the start.
    ASSERT_TRUE(play_to_the_end());
    editor.send(TestEditor::row_change(2) + TestEditor::row_change(4));
    ASSERT_TRUE(update_until(music, [&] { return music.get_byte_position() == 4 * frames; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    music.update();
    EXPECT_FALSE(music.is_active());
    EXPECT_EQ(music.get_byte_position(), 4 * frames);
}
