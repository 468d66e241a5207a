// The frame timer: ticked once per rendered frame, it keeps the average of the last five
// frame times, each capped at 0.25 s. One process-wide instance.
#pragma once

#include "platform/win32/kernel.h"

namespace FrameTimer {

// Takes the counter's start value and resolution (1 ms per tick when the counter has no
// frequency).
void init();

// Seconds since init.
double seconds();

// Records the time since the previous tick; waits until the clock has advanced, so a frame
// time is never zero. A tick before init starts the timer first.
void tick();

// The average of the last five capped frame times, in seconds; 0 before the first tick.
float frame_delta();

// The counter the timer reads: QueryPerformanceCounter / QueryPerformanceFrequency unless
// replaced (tests install a fake clock). Installing a clock returns the timer to its state
// at program start.
typedef int (*CounterQuery)(LARGE_INTEGER* value);
void set_clock(CounterQuery counter, CounterQuery frequency);

} // namespace FrameTimer
