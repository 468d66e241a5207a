// The Windows vocabulary of the platform layers: the integer, handle and message-parameter
// types their calls are declared with, defined once here.
#pragma once

#include <cstdint>

typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef int BOOL;
typedef unsigned int UINT;
typedef std::int32_t LONG;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef void* HANDLE;
typedef void* HWND;
typedef void* HINSTANCE;
typedef HINSTANCE HMODULE;

typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef std::intptr_t INT_PTR;
