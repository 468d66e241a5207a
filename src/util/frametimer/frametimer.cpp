#include "util/frametimer/frametimer.h"

namespace {

const int RING_SIZE = 5;
const float MAX_FRAME_TIME = 0.25f;

struct TimerState {
    FrameTimer::CounterQuery counter = QueryPerformanceCounter;
    FrameTimer::CounterQuery frequency = QueryPerformanceFrequency;
    bool started = false;
    std::int64_t start = 0;
    float seconds_per_tick = 0.001f;
    float last_time = 0.0f;
    float ring[RING_SIZE] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    unsigned char slot = 0;
    float average = 0.0f;
};

TimerState g_timer;

} // namespace

namespace FrameTimer {

void init()
{
    g_timer.started = true;
    g_timer.seconds_per_tick = 0.001f;
    LARGE_INTEGER frequency;
    if (g_timer.frequency(&frequency) && frequency.QuadPart != 0) {
        g_timer.seconds_per_tick = 1.0f / static_cast<float>(frequency.QuadPart);
        LARGE_INTEGER now;
        g_timer.counter(&now);
        g_timer.start = now.QuadPart;
    }
}

double seconds()
{
    LARGE_INTEGER now;
    g_timer.counter(&now);
    std::int64_t elapsed = now.QuadPart - g_timer.start;
    return static_cast<double>(elapsed) * g_timer.seconds_per_tick;
}

void tick()
{
    if (!g_timer.started) init();
    g_timer.slot = static_cast<unsigned char>((g_timer.slot + 1) % RING_SIZE);
    float now;
    do {
        now = static_cast<float>(seconds());
    } while (now == g_timer.last_time);
    float delta = now - g_timer.last_time;
    g_timer.ring[g_timer.slot] = delta < MAX_FRAME_TIME ? delta : MAX_FRAME_TIME;
    g_timer.last_time = now;
    float sum = 0.0f;
    for (float entry : g_timer.ring) sum += entry;
    g_timer.average = sum * 0.2f;
}

float frame_delta()
{
    return g_timer.average;
}

void set_clock(CounterQuery counter, CounterQuery frequency)
{
    g_timer = TimerState();
    g_timer.counter = counter;
    g_timer.frequency = frequency;
}

} // namespace FrameTimer
