// Message boxes in place of the Windows user interface call of the same name.
//
// Every box writes its caption and text to standard error first, so that the report survives
// without a display. With a display a GTK message dialog is shown and its answer returned;
// with PELLORVANE_UNATTENDED=1 in the environment no window is shown and the box answers with
// its default button.
#pragma once

#include <cstdint>

#include "platform/win32/windows_types.h"

// Button sets and icons (the values of the Windows constants).
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

// True when boxes must not open windows (PELLORVANE_UNATTENDED=1).
bool message_boxes_unattended();
