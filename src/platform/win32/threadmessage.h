// Thread message queues and events in place of the Windows kernel and user calls of the same
// names, for worker threads that wait for jobs.
//
// Every thread has one blocking message queue, made when the thread first asks for its id or
// its messages. PostThreadMessageA appends to the queue of a thread by id; GetMessageA takes the
// oldest message of the calling thread's queue, waiting while it is empty, and returns 0 for
// WM_QUIT so that a message loop ends. The queue goes when its thread ends.
//
// An event is set or clear; WaitForSingleObject waits until it is set. An auto-reset event
// clears itself when a wait returns with it; a manual-reset event stays set until ResetEvent.
#pragma once

#include <cstdint>

#include "platform/win32/windows_types.h"

constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_USER = 0x0400;

constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0x00000000u;
constexpr DWORD WAIT_TIMEOUT = 0x00000102u;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The calling thread's id (never 0); makes its message queue on the first call.
DWORD GetCurrentThreadId();

// Appends a message to the queue of the thread with that id. FALSE when no such thread has a
// queue (it never asked for its id or messages, or it has ended).
BOOL PostThreadMessageA(DWORD thread_id, UINT message, WPARAM wParam, LPARAM lParam);

// Waits for the next message of the calling thread (window and range filters are not
// supported: pass NULL, 0, 0). Returns 0 for WM_QUIT, -1 for a NULL msg, else nonzero.
BOOL GetMessageA(MSG* msg, HWND window, UINT filter_min, UINT filter_max);

// Posts WM_QUIT with the exit code to the calling thread's own queue.
void PostQuitMessage(int exit_code);

// An unnamed event (attributes and name are ignored), or NULL.
HANDLE CreateEventA(void* attributes, BOOL manual_reset, BOOL initial_state, const char* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// WAIT_OBJECT_0 once the event is set, WAIT_TIMEOUT after the milliseconds (INFINITE waits
// for ever), WAIT_FAILED for a NULL handle.
DWORD WaitForSingleObject(HANDLE event, DWORD milliseconds);
// Frees an event made by CreateEventA.
BOOL CloseHandle(HANDLE event);
