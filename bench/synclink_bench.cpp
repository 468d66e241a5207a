// The editor link's frame stall: how long one poll takes to handle a burst that the editor
// sent at once. The whole burst lies in the socket's buffer before the poll, so the time is
// the longest a frame can be held up by it. The reported time is that of the longest poll
// (manual time); the counter poll_cpu_ms is the processor time of that poll (user and system),
// which a busy machine does not stretch. The other counters give how many polls the burst
// took and how many keys the curves held afterwards, so a burst not handled whole shows.
#include <benchmark/benchmark.h>

#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

#include "support/temp_dir.h"
#include "util/music/synclink.h"
#include "util/music/synclink_test_editor.h"

namespace {

// The production's count of sync tracks.
const int CURVES = 118;
const int SAVES = 2000;
const int KEYS = 60000;
const int SENTINEL_ROW = 424242;

struct RowSeen {
    int last = -1;
};

double thread_seconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void seen_row(void* data, int row) { static_cast<RowSeen*>(data)->last = row; }

const SyncCallbacks callbacks = {nullptr, seen_row, nullptr};

// A link with the production's number of curves, connected to a test editor that has sent a
// few keys for every curve (so that every curve counts as edited and is saved).
class EditedLink {
public:
    EditedLink()
    {
        link = synclink_open((dir.path() + "/data/sync_tracker/").c_str(), 1);
        editor.expect_client();
        if (synclink_connect(link, "127.0.0.1", editor.port()) != 0 || editor.accepted().empty())
            return;
        // Room for the whole burst, so that it has arrived before the poll that handles it.
        int size = 8 << 20;
        setsockopt(link->socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        std::string keys;
        for (int c = 0; c < CURVES; ++c) {
            if (synclink_curve(("bench" + std::to_string(c)).c_str(), link, 0.0f) == nullptr)
                return;
            for (int row = 0; row < 64; row += 8)
                keys += TestEditor::key_update(uint32_t(c), row, float(row), SHAPE_LINEAR);
        }
        ready = send_and_handle(keys) >= 0;
    }
    ~EditedLink() { synclink_close(link); }
    EditedLink(const EditedLink&) = delete;
    EditedLink& operator=(const EditedLink&) = delete;

    // Sends the commands and a sentinel row, then polls until the sentinel was handled: the
    // longest poll in seconds, or -1 when the link failed or the burst did not arrive.
    double send_and_handle(const std::string& commands)
    {
        editor.send(commands + TestEditor::row_change(SENTINEL_ROW));
        seen.last = -1;
        double longest = 0.0;
        polls = 0;
        while (seen.last != SENTINEL_ROW && polls < 100000) {
            auto start = std::chrono::steady_clock::now();
            double cpu_start = thread_seconds();
            int result = synclink_poll(link, &callbacks, 0, &seen);
            double cpu = thread_seconds() - cpu_start;
            std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            ++polls;
            if (result != 0)
                return -1.0;
            if (took.count() > longest) {
                longest = took.count();
                longest_cpu = cpu;
            }
        }
        return seen.last == SENTINEL_ROW ? longest : -1.0;
    }

    long stored_keys() const
    {
        long count = 0;
        for (int c = 0; c < link->curve_count; ++c)
            count += link->curves[c]->key_count;
        return count;
    }

    TempDir dir;
    TestEditor editor;
    SyncLink* link = nullptr;
    RowSeen seen;
    int polls = 0;
    double longest_cpu = 0.0;
    bool ready = false;
};

void run_burst(benchmark::State& state, const std::string& burst)
{
    double cpu_seconds = 0.0;
    for (auto _ : state) {
        EditedLink edited;
        if (!edited.ready) {
            state.SkipWithError("the test editor did not connect");
            return;
        }
        double longest = edited.send_and_handle(burst);
        if (longest < 0.0) {
            state.SkipWithError("the burst was not handled");
            return;
        }
        state.SetIterationTime(longest);
        cpu_seconds += edited.longest_cpu;
        state.counters["polls"] = edited.polls;
        state.counters["keys"] = double(edited.stored_keys());
    }
    state.counters["poll_cpu_ms"] = benchmark::Counter(cpu_seconds * 1e3, benchmark::Counter::kAvgIterations);
}

std::string saves()
{
    std::string burst;
    for (int i = 0; i < SAVES; ++i)
        burst += TestEditor::save_curves();
    return burst;
}

// Keys for one curve in descending rows, the worst order for inserting one at a time.
std::string descending_keys()
{
    std::string burst;
    for (int i = 0; i < KEYS; ++i)
        burst += TestEditor::key_update(0, KEYS - i, float(i), SHAPE_LINEAR);
    return burst;
}

// Both at once: the keys with a save after every thirtieth of them.
std::string keys_and_saves()
{
    std::string burst;
    for (int i = 0; i < KEYS; ++i) {
        burst += TestEditor::key_update(uint32_t(i % 3), KEYS - i, float(i), SHAPE_LINEAR);
        if (i % (KEYS / SAVES) == 0)
            burst += TestEditor::save_curves();
    }
    return burst;
}

void BM_SaveCommands(benchmark::State& state) { run_burst(state, saves()); }
void BM_DescendingKeys(benchmark::State& state) { run_burst(state, descending_keys()); }
void BM_KeysAndSaves(benchmark::State& state) { run_burst(state, keys_and_saves()); }

BENCHMARK(BM_SaveCommands)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DescendingKeys)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeysAndSaves)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
