// The client's side of the editor link, against a test editor on a free loopback port.
#include "util/music/synclink.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "util/music/synclink_test_editor.h"

namespace {

// The music as the client sees it: records every callback.
struct FakeMusic {
    bool playing = false;
    std::vector<int> rows_set;
    std::vector<int> pauses;
};

void music_pause(void* data, int flag) { static_cast<FakeMusic*>(data)->pauses.push_back(flag); }
void music_set_row(void* data, int row) { static_cast<FakeMusic*>(data)->rows_set.push_back(row); }
int music_is_playing(void* data) { return static_cast<FakeMusic*>(data)->playing ? 1 : 0; }

const SyncCallbacks callbacks = {music_pause, music_set_row, music_is_playing};

// Marks the end of what the editor sent: the client has handled everything before it once the
// music saw this row.
const int SENTINEL_ROW = 424242;

std::vector<int> rows_of(const SyncCurve* curve)
{
    std::vector<int> rows;
    for (int i = 0; i < curve->key_count; ++i)
        rows.push_back(curve->keys[i].row);
    return rows;
}

// Counts how often each file of a folder was replaced: a save renames a finished file over
// the old one.
class ReplacementCounter {
public:
    explicit ReplacementCounter(const std::string& folder)
        : descriptor(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        watching = descriptor >= 0 && inotify_add_watch(descriptor, folder.c_str(), IN_MOVED_TO) >= 0;
    }
    ~ReplacementCounter() { close(descriptor); }
    ReplacementCounter(const ReplacementCounter&) = delete;
    ReplacementCounter& operator=(const ReplacementCounter&) = delete;

    std::map<std::string, int> counts()
    {
        alignas(inotify_event) char buffer[8192];
        ssize_t got;
        while ((got = read(descriptor, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < got;) {
                const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0)
                    ++replaced[event->name];
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return replaced;
    }

    bool watching = false;

private:
    int descriptor;
    std::map<std::string, int> replaced;
};

class SyncLinkEditor : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A send to a vanished editor must not end the process: SIGPIPE keeps its default.
        std::signal(SIGPIPE, SIG_DFL);
        link = synclink_open(base_path().c_str(), 1);
        ASSERT_NE(link, nullptr);
    }
    void TearDown() override { synclink_close(link); }

    std::string base_path() const { return dir.path() + "/data/sync_tracker/"; }

    // Connects to the test editor and checks the greeting.
    void connect(const std::string& reply = "hello, demo!")
    {
        editor.expect_client(reply);
        ASSERT_EQ(synclink_connect(link, "127.0.0.1", editor.port()), 0);
        ASSERT_EQ(editor.accepted(), "hello, synctracker!");
    }

    // Polls until the sentinel row reached the music or the link failed (bounded).
    int poll_until_sentinel()
    {
        for (int attempt = 0; attempt < 2000; ++attempt) {
            int result = synclink_poll(link, &callbacks, 0, &music);
            if (result != 0)
                return result;
            if (!music.rows_set.empty() && music.rows_set.back() == SENTINEL_ROW)
                return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return 1;
    }

    // Polls until the link reports a failure (bounded).
    int poll_until_failure()
    {
        int result = 0;
        for (int attempt = 0; attempt < 2000 && result == 0; ++attempt) {
            result = synclink_poll(link, &callbacks, 0, &music);
            if (result == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return result;
    }

    TempDir dir;
    TestEditor editor;
    FakeMusic music;
    SyncLink* link = nullptr;
};

TEST_F(SyncLinkEditor, RequestsCurvesInCreationOrderAndAgainAfterAReconnect)
{
    connect();
    ASSERT_NE(synclink_curve("ActiveScene1st", link, 0.0f), nullptr);
    ASSERT_NE(synclink_curve("ppFadeAmount", link, 1.0f), nullptr);
    EXPECT_EQ(synclink_curve("ActiveScene1st", link, 5.0f), link->curves[0]);  // found, not re-requested
    std::string expected =
        TestEditor::curve_request("ActiveScene1st") + TestEditor::curve_request("ppFadeAmount");
    EXPECT_EQ(editor.receive(expected.size()), expected);

    // A new curve holds its default as a step key at row 0 until the editor sends keys.
    ASSERT_EQ(link->curves[1]->key_count, 1);
    EXPECT_EQ(synclink_curve_value(link->curves[1], 100.0), 1.0f);

    connect();
    EXPECT_EQ(editor.receive(expected.size()), expected);
    EXPECT_EQ(link->curves[1]->key_count, 0);
    EXPECT_EQ(synclink_curve_value(link->curves[1], 100.0), 0.0f);
}

TEST_F(SyncLinkEditor, HandshakeMustBeAnsweredExactly)
{
    struct Case {
        const char* reply;
        size_t piece;
        bool hang_up;
        int expected;
    };
    const std::vector<Case> cases = {
        {"hello, demo!", 0, false, 0},
        {"hello, demo!", 1, false, 0},  // the reply in single bytes is read whole
        {"hello, demo?", 0, false, -1},
        {"hello, synctracker!", 0, false, -1},
        {"hello", 0, true, -1},
        {"", 0, true, -1},
    };
    for (const Case& c : cases) {
        editor.expect_client(c.reply, c.piece, c.hang_up);
        int result = synclink_connect(link, "127.0.0.1", editor.port());
        editor.accepted();
        if (c.expected != 0)
            editor.drop();
        EXPECT_EQ(result, c.expected) << "'" << c.reply << "' in pieces of " << c.piece;
        EXPECT_EQ(link->socket >= 0, c.expected == 0) << c.reply;
    }

    // Nobody listening.
    int closed_port;
    {
        TestEditor gone;
        closed_port = gone.port();
    }
    EXPECT_EQ(synclink_connect(link, "127.0.0.1", closed_port), -1);
    EXPECT_EQ(link->socket, -1);
    EXPECT_EQ(synclink_poll(link, &callbacks, 0, &music), -1);
    // Unconnected, a new curve cannot be requested: the owner reports it.
    EXPECT_EQ(synclink_curve("unrequested", link, 0.0f), nullptr);
}

TEST_F(SyncLinkEditor, ReportsEachNewRowOnlyWhilePlaying)
{
    connect();
    const std::vector<std::pair<bool, int>> frames = {
        {false, 1}, {true, 5}, {true, 5}, {false, 6}, {true, 5}, {true, 7}, {true, 7}, {true, 6}};
    for (const auto& frame : frames) {
        music.playing = frame.first;
        ASSERT_EQ(synclink_poll(link, &callbacks, frame.second, &music), 0);
    }
    std::string expected =
        TestEditor::row_change(5) + TestEditor::row_change(7) + TestEditor::row_change(6);
    EXPECT_EQ(editor.receive(expected.size()), expected);
    EXPECT_EQ(link->last_row, 6);

    // No table, or a table without is_playing: nothing is reported.
    const SyncCallbacks silent = {music_pause, music_set_row, nullptr};
    EXPECT_EQ(synclink_poll(link, &silent, 9, &music), 0);
    EXPECT_EQ(synclink_poll(link, nullptr, 10, &music), 0);
    music.playing = true;
    EXPECT_EQ(synclink_poll(link, &callbacks, 11, &music), 0);
    EXPECT_EQ(editor.receive(5), TestEditor::row_change(11));
}

TEST_F(SyncLinkEditor, AppliesKeysRowsPausesAndSavesFromTheEditor)
{
    connect();
    SyncCurve* first = synclink_curve("kvGlow", link, 3.5f);
    SyncCurve* second = synclink_curve("kvSpin", link, 0.0f);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    editor.send(TestEditor::key_update(0, 8, 1.0f, SHAPE_LINEAR) +
                TestEditor::key_update(0, 16, 2.0f, SHAPE_STEP) +
                TestEditor::key_update(0, 8, 4.0f, SHAPE_STEP) +  // replaces row 8
                TestEditor::key_update(1, -4, 9.0f, SHAPE_RAMP) +
                TestEditor::key_remove(1, 0) +  // the default key
                TestEditor::pause_change(1) + TestEditor::row_change(96) +
                TestEditor::pause_change(0) + TestEditor::save_curves() +
                TestEditor::row_change(SENTINEL_ROW));
    ASSERT_EQ(poll_until_sentinel(), 0);

    EXPECT_EQ(rows_of(first), (std::vector<int>{0, 8, 16}));
    EXPECT_EQ(first->keys[0].value, 3.5f);
    EXPECT_EQ(first->keys[1].value, 4.0f);
    EXPECT_EQ(rows_of(second), (std::vector<int>{-4}));
    EXPECT_EQ(music.pauses, (std::vector<int>{1, 0}));
    EXPECT_EQ(music.rows_set, (std::vector<int>{96, SENTINEL_ROW}));

    // The save made the directories and wrote both curves, keys in row order.
    EXPECT_EQ(read_file_bytes(base_path() + "_kvGlow.track"),
              std::string("\x03\0\0\0"
                          "\0\0\0\0\0\0\x60\x40\0"
                          "\x08\0\0\0\0\0\x80\x40\0"
                          "\x10\0\0\0\0\0\0\x40\0",
                          31));
    EXPECT_EQ(read_file_bytes(base_path() + "_kvSpin.track"),
              std::string("\x01\0\0\0\xfc\xff\xff\xff\0\0\x10\x41\x03", 13));
}

TEST_F(SyncLinkEditor, ReadsCommandsThatArriveOneByteAtATime)
{
    connect();
    ASSERT_NE(synclink_curve("slBeam", link, 0.0f), nullptr);
    std::string commands = TestEditor::key_update(0, 4, 1.5f, SHAPE_LINEAR) +
                           TestEditor::key_update(0, 12, 2.0f, SHAPE_STEP) +
                           TestEditor::key_remove(0, 4) + TestEditor::pause_change(1) +
                           TestEditor::row_change(SENTINEL_ROW);
    std::thread writer([&] { editor.send_byte_by_byte(commands); });
    int result = poll_until_sentinel();
    writer.join();
    ASSERT_EQ(result, 0);
    EXPECT_EQ(rows_of(link->curves[0]), (std::vector<int>{0, 12}));
    EXPECT_EQ(link->curves[0]->keys[1].value, 2.0f);
    EXPECT_EQ(music.pauses, (std::vector<int>{1}));
}

TEST_F(SyncLinkEditor, SurvivesTheEditorGoingAwayAndStartsOverOnReconnect)
{
    connect();
    ASSERT_NE(synclink_curve("mtRing", link, 2.0f), nullptr);
    editor.send(TestEditor::key_update(0, 8, 6.0f, SHAPE_LINEAR) + TestEditor::row_change(SENTINEL_ROW));
    ASSERT_EQ(poll_until_sentinel(), 0);
    ASSERT_EQ(link->curves[0]->key_count, 2);
    editor.receive(TestEditor::curve_request("mtRing").size());

    editor.drop();
    // Requests into the dead connection: the second send meets a reset peer, which on Linux
    // raises SIGPIPE unless the client prevents it.
    synclink_curve("mtLate1", link, 0.0f);
    synclink_curve("mtLate2", link, 0.0f);
    synclink_curve("mtLate3", link, 0.0f);
    music.playing = true;
    EXPECT_EQ(poll_until_failure(), -1);
    EXPECT_EQ(link->socket, -1);
    EXPECT_EQ(synclink_poll(link, &callbacks, 3, &music), -1);

    connect();
    std::string expected = TestEditor::curve_request("mtRing") + TestEditor::curve_request("mtLate1") +
                           TestEditor::curve_request("mtLate2") + TestEditor::curve_request("mtLate3");
    EXPECT_EQ(editor.receive(expected.size()), expected);
    EXPECT_EQ(link->curves[0]->key_count, 0);
    EXPECT_EQ(synclink_curve_value(link->curves[0], 8.0), 0.0f);
    EXPECT_EQ(synclink_poll(link, &callbacks, 3, &music), 0);
}

// A long random editing session against a plain model of the curves: after every command
// the client's keys are the model's, in row order.
TEST_F(SyncLinkEditor, KeepsTheEditorsKeysThroughARandomSession)
{
    connect();
    ASSERT_NE(synclink_curve("maA", link, 0.0f), nullptr);
    ASSERT_NE(synclink_curve("maB", link, 0.0f), nullptr);
    std::vector<std::map<int, std::pair<float, int>>> model(2);
    for (auto& curve : model)
        curve[0] = {0.0f, SHAPE_STEP};

    uint32_t state = 12345;
    auto next = [&state](uint32_t range) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % range;
    };
    std::string commands;
    for (int i = 0; i < 600; ++i) {
        uint32_t curve = next(2);
        int row = int(next(40)) - 10;
        switch (next(4)) {
        case 0:
        case 1: {
            float value = float(next(1000)) / 8.0f;
            unsigned char shape = static_cast<unsigned char>(next(4));
            commands += TestEditor::key_update(curve, row, value, shape);
            model[curve][row] = {value, shape};
            break;
        }
        case 2:
            commands += TestEditor::key_remove(curve, row);
            model[curve].erase(row);
            break;
        default:
            commands += TestEditor::row_change(row);
        }
    }
    editor.send(commands + TestEditor::row_change(SENTINEL_ROW));
    ASSERT_EQ(poll_until_sentinel(), 0);
    for (int c = 0; c < 2; ++c) {
        const SyncCurve* curve = link->curves[c];
        ASSERT_EQ(size_t(curve->key_count), model[c].size());
        int k = 0;
        for (const auto& entry : model[c]) {
            EXPECT_EQ(curve->keys[k].row, entry.first);
            EXPECT_EQ(curve->keys[k].value, entry.second.first);
            EXPECT_EQ(curve->keys[k].shape, entry.second.second);
            ++k;
        }
    }
}

// The keys of a poll are applied together, with the result of applying every command in the
// order it came. Each case edits a curve of its own, which holds its default step key at row 0;
// the cases' commands arrive interleaved, in one burst.
TEST_F(SyncLinkEditor, KeysOfOnePollEndAsTheirOrderSays)
{
    struct Edit {
        bool remove;
        int row;
        float value;
        unsigned char shape;
    };
    struct Case {
        const char* what;
        std::vector<Edit> edits;
        std::vector<CurveKey> keys;
    };
    auto set = [](int row, float value, unsigned char shape) { return Edit{false, row, value, shape}; };
    auto del = [](int row) { return Edit{true, row, 0.0f, 0}; };
    const CurveKey stored{0, 0.0f, SHAPE_STEP};
    const std::vector<Case> cases = {
        {"a later set of a row wins", {set(8, 1.0f, SHAPE_STEP), set(8, 2.0f, SHAPE_RAMP)}, {stored, {8, 2.0f, SHAPE_RAMP}}},
        {"a delete after a set removes it", {set(8, 1.0f, SHAPE_STEP), del(8)}, {stored}},
        {"a set after a delete puts it back", {set(8, 1.0f, SHAPE_STEP), del(8), set(8, 3.0f, SHAPE_LINEAR)}, {stored, {8, 3.0f, SHAPE_LINEAR}}},
        {"the stored key replaced", {set(0, 5.0f, SHAPE_SMOOTH)}, {{0, 5.0f, SHAPE_SMOOTH}}},
        {"the stored key deleted", {del(0)}, {}},
        {"the stored key deleted, then set", {del(0), set(0, 6.0f, SHAPE_LINEAR)}, {{0, 6.0f, SHAPE_LINEAR}}},
        {"the stored key set, then deleted", {set(0, 6.0f, SHAPE_LINEAR), del(0)}, {}},
        {"a delete of a row without a key", {del(4), del(4)}, {stored}},
        {"descending rows", {set(30, 3.0f, SHAPE_STEP), set(20, 2.0f, SHAPE_STEP), set(10, 1.0f, SHAPE_STEP), set(-10, -1.0f, SHAPE_RAMP)},
         {{-10, -1.0f, SHAPE_RAMP}, stored, {10, 1.0f, SHAPE_STEP}, {20, 2.0f, SHAPE_STEP}, {30, 3.0f, SHAPE_STEP}}},
        {"sets and deletes mixed",
         {set(5, 1.0f, SHAPE_STEP), set(3, 1.0f, SHAPE_STEP), del(5), set(4, 2.0f, SHAPE_LINEAR), set(5, 7.0f, SHAPE_SMOOTH), del(3), set(-2, 1.0f, SHAPE_STEP), del(-2)},
         {stored, {4, 2.0f, SHAPE_LINEAR}, {5, 7.0f, SHAPE_SMOOTH}}},
    };
    connect();
    for (size_t c = 0; c < cases.size(); ++c)
        ASSERT_NE(synclink_curve(("order" + std::to_string(c)).c_str(), link, 0.0f), nullptr);
    std::string burst;
    for (size_t step = 0; step < 8; ++step) {
        for (size_t c = 0; c < cases.size(); ++c) {
            if (step >= cases[c].edits.size())
                continue;
            const Edit& edit = cases[c].edits[step];
            burst += edit.remove ? TestEditor::key_remove(uint32_t(c), edit.row)
                                 : TestEditor::key_update(uint32_t(c), edit.row, edit.value, edit.shape);
        }
    }
    editor.send(burst + TestEditor::row_change(SENTINEL_ROW));
    ASSERT_EQ(poll_until_sentinel(), 0);
    for (size_t c = 0; c < cases.size(); ++c) {
        const SyncCurve* curve = link->curves[c];
        ASSERT_EQ(size_t(curve->key_count), cases[c].keys.size()) << cases[c].what;
        EXPECT_EQ(curve->keys == nullptr, cases[c].keys.empty()) << cases[c].what;
        for (size_t k = 0; k < cases[c].keys.size(); ++k) {
            EXPECT_EQ(curve->keys[k].row, cases[c].keys[k].row) << cases[c].what << ", key " << k;
            EXPECT_EQ(curve->keys[k].value, cases[c].keys[k].value) << cases[c].what << ", key " << k;
            EXPECT_EQ(curve->keys[k].shape, cases[c].keys[k].shape) << cases[c].what << ", key " << k;
        }
    }
}

// However many save commands a poll brings, it saves once, with every key of the poll.
TEST_F(SyncLinkEditor, TheSaveCommandsOfAPollMakeOneSave)
{
    connect();
    ASSERT_NE(synclink_curve("svA", link, 1.0f), nullptr);
    ASSERT_NE(synclink_curve("svB", link, 2.0f), nullptr);
    ASSERT_EQ(synclink_make_dirs(base_path().c_str()), 0);
    ReplacementCounter replaced(base_path());
    ASSERT_TRUE(replaced.watching);

    std::string burst = TestEditor::key_update(0, 8, 4.0f, SHAPE_STEP);
    for (int row = 1; row <= 50; ++row)
        burst += TestEditor::key_update(1, row, 0.5f, SHAPE_LINEAR) + TestEditor::save_curves();
    editor.send(burst + TestEditor::row_change(SENTINEL_ROW));
    ASSERT_EQ(poll_until_sentinel(), 0);

    EXPECT_EQ(replaced.counts(), (std::map<std::string, int>{{"_svA.track", 1}, {"_svB.track", 1}}));
    EXPECT_EQ(read_file_bytes(base_path() + "_svA.track"),
              std::string("\x02\0\0\0" "\0\0\0\0\0\0\x80\x3f\0" "\x08\0\0\0\0\0\x80\x40\0", 22));
    EXPECT_EQ(read_file_bytes(base_path() + "_svB.track").size(), 4u + 51 * 9);
    EXPECT_EQ(folder_entries(base_path()), (std::vector<std::string>{"_svA.track", "_svB.track"}));
}

// An editor without the project answers the greeting and never sends a key: the authored
// track files stay byte for byte, through its save commands and the save at the end. A curve
// is written only once the editor set or deleted one of its keys since the last connection.
TEST_F(SyncLinkEditor, OnlyCurvesTheEditorEditedReplaceTheirFiles)
{
    const std::vector<std::string> names = {"auA", "auB", "auC"};
    auto authored = [](const std::string& name) { return "authored keys of " + name; };
    auto expect_files = [&](const std::vector<std::string>& contents, const char* when) {
        for (size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(read_file_bytes(base_path() + "_" + names[i] + ".track"), contents[i])
                << names[i] << ", " << when;
        EXPECT_EQ(folder_entries(base_path()),
                  (std::vector<std::string>{"_auA.track", "_auB.track", "_auC.track"}))
            << when;
    };
    connect();
    for (const std::string& name : names)
        ASSERT_NE(synclink_curve(name.c_str(), link, 1.0f), nullptr);
    const std::string silent = TestEditor::row_change(16) + TestEditor::pause_change(1) + TestEditor::save_curves() +
                               TestEditor::pause_change(0) + TestEditor::row_change(SENTINEL_ROW);

    // With nothing to write, a save does not even make the track folder.
    editor.send(silent);
    ASSERT_EQ(poll_until_sentinel(), 0);
    EXPECT_EQ(synclink_save(link), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("data")));

    for (const std::string& name : names)
        dir.write("data/sync_tracker/_" + name + ".track", authored(name));
    music.rows_set.clear();
    editor.send(silent);
    ASSERT_EQ(poll_until_sentinel(), 0);
    expect_files({authored("auA"), authored("auB"), authored("auC")}, "after the editor's save");
    EXPECT_EQ(synclink_save(link), 0);
    expect_files({authored("auA"), authored("auB"), authored("auC")}, "after the save at the end");

    // A set for auB and a delete for auC: those two are written as they stand, auA stays.
    const std::string saved_b("\x02\0\0\0" "\0\0\0\0\0\0\x80\x3f\0" "\x08\0\0\0\0\0\0\x40\x01", 22);
    const std::string saved_c(4, '\0');
    editor.send(TestEditor::key_update(1, 8, 2.0f, SHAPE_LINEAR) + TestEditor::key_remove(2, 0) +
                TestEditor::row_change(SENTINEL_ROW));
    music.rows_set.clear();
    ASSERT_EQ(poll_until_sentinel(), 0);
    EXPECT_EQ(synclink_save(link), 0);
    expect_files({authored("auA"), saved_b, saved_c}, "after edits");

    // Reconnected, an editor that sends nothing again: the keys of the earlier connection were
    // dropped, and the files saved from them stay.
    connect();
    music.rows_set.clear();
    editor.send(TestEditor::save_curves() + TestEditor::row_change(SENTINEL_ROW));
    ASSERT_EQ(poll_until_sentinel(), 0);
    EXPECT_EQ(synclink_save(link), 0);
    expect_files({authored("auA"), saved_b, saved_c}, "after a silent reconnect");
}

// Hostile or broken editors: each case on a fresh connection, one curve "rkArm" with its
// default key at row 0 and a key at row 8.
TEST_F(SyncLinkEditor, HostileCommandsNeverReachOutsideTheCurves)
{
    struct Case {
        const char* what;
        std::string bytes;
        bool link_survives;
        std::string error_text;
        std::vector<int> rows;
    };
    const std::vector<Case> cases = {
        {"curve index one past the end", TestEditor::key_update(1, 4, 1.0f, SHAPE_STEP), false, "", {0, 8}},
        {"curve index far out", TestEditor::key_update(0xffffffffu, 4, 1.0f, SHAPE_STEP), false, "", {0, 8}},
        {"remove with index out of range", TestEditor::key_remove(0x80000000u, 8), false, "", {0, 8}},
        {"remove of a row without a key is ignored", TestEditor::key_remove(0, 5) + TestEditor::row_change(SENTINEL_ROW), true, "", {0, 8}},
        {"unknown shape is kept", TestEditor::key_update(0, 4, 1.0f, 200) + TestEditor::row_change(SENTINEL_ROW), true, "", {0, 4, 8}},
        {"curve request is not an editor command", TestEditor::curve_request("rkArm"), false, "unknown cmd: 02\n", {0, 8}},
        {"garbage", std::string("\xff\x00\x13", 3), false, "unknown cmd: ff\n", {0, 8}},
        {"key update cut short", TestEditor::key_update(0, 4, 1.0f, SHAPE_STEP).substr(0, 7), false, "", {0, 8}},
        {"row change cut short", TestEditor::row_change(4).substr(0, 3), false, "", {0, 8}},
        {"pause without its flag", TestEditor::pause_change(1).substr(0, 1), false, "", {0, 8}},
    };
    connect();
    ASSERT_NE(synclink_curve("rkArm", link, 0.0f), nullptr);
    for (const Case& c : cases) {
        connect();
        // Read what the client sent, so that the editor's close is a plain end of stream.
        EXPECT_EQ(editor.receive(TestEditor::curve_request("rkArm").size()),
                  TestEditor::curve_request("rkArm"));
        editor.send(TestEditor::key_update(0, 0, 0.0f, SHAPE_STEP) + TestEditor::key_update(0, 8, 1.0f, SHAPE_STEP) +
                    c.bytes);
        if (!c.link_survives)
            editor.drop();  // a truncated command then ends with the connection
        testing::internal::CaptureStderr();
        int result = c.link_survives ? poll_until_sentinel() : poll_until_failure();
        std::string error_text = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, c.link_survives ? 0 : -1) << c.what;
        EXPECT_EQ(link->socket >= 0, c.link_survives) << c.what;
        EXPECT_EQ(error_text, c.error_text) << c.what;
        EXPECT_EQ(rows_of(link->curves[0]), c.rows) << c.what;
    }
}

TEST_F(SyncLinkEditor, GarbageRightAfterTheGreetingDropsTheLink)
{
    connect("hello, demo!garbage");
    testing::internal::CaptureStderr();
    EXPECT_EQ(synclink_poll(link, &callbacks, 0, &music), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "unknown cmd: 67\n");
}

TEST_F(SyncLinkEditor, SaveReportsFilesThatCannotBeWritten)
{
    connect();
    ASSERT_NE(synclink_curve("ppA", link, 1.0f), nullptr);
    // Only curves the editor has edited are saved: it sets ppA's key as it stands.
    editor.send(TestEditor::key_update(0, 0, 1.0f, SHAPE_STEP) + TestEditor::row_change(SENTINEL_ROW));
    ASSERT_EQ(poll_until_sentinel(), 0);
    // A file where the save needs a directory.
    dir.write("data", "not a directory");
    EXPECT_EQ(synclink_save(link), -1);
    // The editor's save request ignores the result; the link goes on.
    music.rows_set.clear();
    editor.send(TestEditor::save_curves() + TestEditor::row_change(SENTINEL_ROW));
    EXPECT_EQ(poll_until_sentinel(), 0);

    // A name too long for a file is refused: the curves before it are saved, the save stops
    // there and the curves after it are not written.
    ASSERT_EQ(std::remove(dir.file("data").c_str()), 0);
    ASSERT_NE(synclink_curve(std::string(300, 'n').c_str(), link, 0.0f), nullptr);
    ASSERT_NE(synclink_curve("ppB", link, 2.0f), nullptr);
    editor.send(TestEditor::key_update(1, 4, 1.0f, SHAPE_STEP) + TestEditor::key_update(2, 4, 1.0f, SHAPE_STEP) +
                TestEditor::row_change(SENTINEL_ROW));
    music.rows_set.clear();
    ASSERT_EQ(poll_until_sentinel(), 0);
    EXPECT_EQ(synclink_save(link), -1);
    EXPECT_EQ(read_file_bytes(base_path() + "_ppA.track"),
              std::string("\x01\0\0\0\0\0\0\0\0\0\x80\x3f\0", 13));
    EXPECT_FALSE(std::ifstream(base_path() + "_ppB.track").good());
}

// A save that fails part-way costs no authored keys: the curves before the failure are
// replaced whole, the failing one and those after it keep their files as they were, and no
// temporary file is left behind.
TEST_F(SyncLinkEditor, AFailedSaveStopsAndLeavesTheUnsavedTracksAsTheyWere)
{
    connect();
    SyncCurve* curves[3] = {synclink_curve("ppA", link, 1.0f), synclink_curve("ppB", link, 2.0f),
                            synclink_curve("ppC", link, 3.0f)};
    for (SyncCurve* curve : curves) ASSERT_NE(curve, nullptr);
    // The editor edits all three; the second curve is long: 200 keys, 1804 bytes.
    std::string edits = TestEditor::key_update(0, 0, 1.0f, SHAPE_STEP) + TestEditor::key_update(2, 0, 3.0f, SHAPE_STEP);
    for (int row = 1; row < 200; ++row)
        edits += TestEditor::key_update(1, row, 0.5f, SHAPE_LINEAR);
    editor.send(edits + TestEditor::row_change(SENTINEL_ROW));
    ASSERT_EQ(poll_until_sentinel(), 0);
    ASSERT_EQ(curves[1]->key_count, 200);
    const std::string saved_a("\x01\0\0\0\0\0\0\0\0\0\x80\x3f\0", 13);
    const std::string authored = "authored keys of ";
    auto author_tracks = [&] {
        for (const char* name : {"ppA", "ppB", "ppC"})
            dir.write("data/sync_tracker/_" + std::string(name) + ".track", authored + name);
    };

    // A folder where the second track file should be.
    author_tracks();
    ASSERT_EQ(std::remove((base_path() + "_ppB.track").c_str()), 0);
    ASSERT_EQ(mkdir((base_path() + "_ppB.track").c_str(), 0755), 0);
    EXPECT_EQ(synclink_save(link), -1);
    EXPECT_EQ(read_file_bytes(base_path() + "_ppA.track"), saved_a);
    EXPECT_EQ(read_file_bytes(base_path() + "_ppC.track"), authored + "ppC");
    EXPECT_EQ(folder_entries(base_path()), (std::vector<std::string>{"_ppA.track", "_ppB.track", "_ppC.track"}));
    ASSERT_EQ(rmdir((base_path() + "_ppB.track").c_str()), 0);

    // A file-size limit that the first file fits and the second does not (a full disk).
    author_tracks();
    ChildResult result = run_in_child([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::_Exit(synclink_save(link) == -1 ? 0 : 3);
    });
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(read_file_bytes(base_path() + "_ppA.track"), saved_a);
    EXPECT_EQ(read_file_bytes(base_path() + "_ppB.track"), authored + "ppB");
    EXPECT_EQ(read_file_bytes(base_path() + "_ppC.track"), authored + "ppC");
    EXPECT_EQ(folder_entries(base_path()), (std::vector<std::string>{"_ppA.track", "_ppB.track", "_ppC.track"}));
}

TEST(SyncLinkPlayMode, LinkCallsDoNothing)
{
    TempDir dir;
    SyncLink* link = synclink_open((dir.path() + "/sync/").c_str(), 0);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->socket, -1);
    EXPECT_EQ(link->last_row, -1);
    EXPECT_EQ(synclink_connect(link, "127.0.0.1", 1), 0);
    EXPECT_EQ(synclink_poll(link, &callbacks, 3, nullptr), 0);
    EXPECT_EQ(synclink_save(link), 0);
    EXPECT_EQ(read_file_bytes(dir.path() + "/sync"), "");
    synclink_close(link);
}

}  // namespace
