// Kernel services: the local time, the tick count, the high-resolution counter and the
// module handle.
#pragma once

#include <cstdint>

#include "platform/win32/windows_types.h"

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

union LARGE_INTEGER {
    std::int64_t QuadPart;
};

void GetLocalTime(SYSTEMTIME* out);

// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD GetTickCount();

// A monotonic counter (CLOCK_MONOTONIC in nanoseconds) and its frequency.
int QueryPerformanceCounter(LARGE_INTEGER* count);
int QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// The process's own module handle for a NULL name (any non-null value), NULL otherwise.
HMODULE GetModuleHandleA(const char* module_name);
