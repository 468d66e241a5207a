#include "platform/win32/threadmessage.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct MessageQueue {
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<MSG> messages;
};

struct QueueRegistry {
    std::mutex lock;
    std::map<DWORD, std::shared_ptr<MessageQueue>> queues;
    DWORD next_id = 1;
};

QueueRegistry& registry()
{
    static QueueRegistry* instance = new QueueRegistry; // outlives every thread's clean-up
    return *instance;
}

// Removes the thread's queue when the thread ends.
struct ThreadQueueHolder {
    DWORD id = 0;
    std::shared_ptr<MessageQueue> queue;

    ~ThreadQueueHolder()
    {
        if (id == 0) return;
        QueueRegistry& all = registry();
        std::lock_guard<std::mutex> guard(all.lock);
        all.queues.erase(id);
    }
};

thread_local ThreadQueueHolder t_queue;

MessageQueue& own_queue()
{
    if (t_queue.id == 0) {
        QueueRegistry& all = registry();
        std::lock_guard<std::mutex> guard(all.lock);
        t_queue.id = all.next_id++;
        if (all.next_id == 0) all.next_id = 1;
        t_queue.queue = std::make_shared<MessageQueue>();
        all.queues[t_queue.id] = t_queue.queue;
    }
    return *t_queue.queue;
}

void push(MessageQueue& queue, const MSG& msg)
{
    {
        std::lock_guard<std::mutex> guard(queue.lock);
        queue.messages.push_back(msg);
    }
    queue.arrived.notify_one();
}

struct Event {
    std::mutex lock;
    std::condition_variable changed;
    bool manual_reset = false;
    bool set = false;
};

} // namespace

DWORD GetCurrentThreadId()
{
    own_queue();
    return t_queue.id;
}

BOOL PostThreadMessageA(DWORD thread_id, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<MessageQueue> queue;
    {
        QueueRegistry& all = registry();
        std::lock_guard<std::mutex> guard(all.lock);
        auto found = all.queues.find(thread_id);
        if (found == all.queues.end()) return 0;
        queue = found->second;
    }
    push(*queue, MSG{nullptr, message, wParam, lParam});
    return 1;
}

BOOL GetMessageA(MSG* msg, HWND, UINT, UINT)
{
    if (msg == nullptr) return -1;
    MessageQueue& queue = own_queue();
    std::unique_lock<std::mutex> guard(queue.lock);
    queue.arrived.wait(guard, [&queue] { return !queue.messages.empty(); });
    *msg = queue.messages.front();
    queue.messages.pop_front();
    return msg->message == WM_QUIT ? 0 : 1;
}

void PostQuitMessage(int exit_code)
{
    push(own_queue(), MSG{nullptr, WM_QUIT, static_cast<WPARAM>(exit_code), 0});
}

HANDLE CreateEventA(void*, BOOL manual_reset, BOOL initial_state, const char*)
{
    Event* event = new Event;
    event->manual_reset = manual_reset != 0;
    event->set = initial_state != 0;
    return event;
}

BOOL SetEvent(HANDLE handle)
{
    if (handle == nullptr) return 0;
    Event* event = static_cast<Event*>(handle);
    {
        std::lock_guard<std::mutex> guard(event->lock);
        event->set = true;
    }
    event->changed.notify_all();
    return 1;
}

BOOL ResetEvent(HANDLE handle)
{
    if (handle == nullptr) return 0;
    Event* event = static_cast<Event*>(handle);
    std::lock_guard<std::mutex> guard(event->lock);
    event->set = false;
    return 1;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    if (handle == nullptr) return WAIT_FAILED;
    Event* event = static_cast<Event*>(handle);
    std::unique_lock<std::mutex> guard(event->lock);
    auto is_set = [event] { return event->set; };
    if (milliseconds == INFINITE) {
        event->changed.wait(guard, is_set);
    } else if (!event->changed.wait_for(guard, std::chrono::milliseconds(milliseconds), is_set)) {
        return WAIT_TIMEOUT;
    }
    if (!event->manual_reset) event->set = false;
    return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE handle)
{
    if (handle == nullptr) return 0;
    delete static_cast<Event*>(handle);
    return 1;
}
