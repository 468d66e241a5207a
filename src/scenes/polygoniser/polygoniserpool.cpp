#include "scenes/polygoniser/polygoniserpool.h"

#include <future>
#include <utility>

#include "util/error/fatal.h"

namespace {
const char* const SOURCE = "src\\scenes\\polygoniser\\polygoniserpool";
} // namespace

PolygoniserPool::PolygoniserPool(PolygoniserWork* shared_work, int thread_count) : work(shared_work)
{
    const size_t count = static_cast<size_t>(thread_count < 1 ? 1 : thread_count);
    work->done_events.assign(count, nullptr);
    work->ranges.assign(count, {0, 0});
    for (size_t i = 0; i < count; ++i) {
        work->done_events[i] = CreateEventA(nullptr, 0, 0, nullptr);
        // The thread's queue exists once it has told its id, so no job can be posted too early.
        std::promise<DWORD> started;
        std::future<DWORD> id = started.get_future();
        threads.emplace_back([this](std::promise<DWORD> told) {
            told.set_value(GetCurrentThreadId());
            polygoniser_thread(work);
        }, std::move(started));
        thread_ids.push_back(id.get());
    }
}

PolygoniserPool::~PolygoniserPool()
{
    for (DWORD id : thread_ids) PostThreadMessageA(id, WM_QUIT, 0, 0);
    for (std::thread& thread : threads) thread.join();
    for (HANDLE event : work->done_events) CloseHandle(event);
    work->done_events.clear();
}

void PolygoniserPool::polygonise(FieldFunction f)
{
    // The workers run no job without a function and so signal nothing: waiting for them
    // would never end.
    if (f == nullptr) FATAL_ERROR(SOURCE, "The polygoniser was given no field function");
    run_job(POLYGONISER_EVALUATE_FIELD, f, work->points.size());
    work->output.resize(2 * work->edges.size());
    run_job(POLYGONISER_EDGE_CROSSINGS, f, work->edges.size());
}

void PolygoniserPool::run_job(UINT message, FieldFunction f, size_t item_count)
{
    const size_t workers = threads.size();
    for (size_t i = 0; i < workers; ++i) {
        work->ranges[i] = {static_cast<int>(item_count * i / workers),
                           static_cast<int>(item_count * (i + 1) / workers)};
    }
    for (size_t i = 0; i < workers; ++i)
        PostThreadMessageA(thread_ids[i], message, i, reinterpret_cast<LPARAM>(f));
    for (size_t i = 0; i < workers; ++i) WaitForSingleObject(work->done_events[i], INFINITE);
}
