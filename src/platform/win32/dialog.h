// Modal dialogs from an in-memory dialog template, in place of the Windows dialog manager.
//
// The core parses the template, keeps the state of every control and delivers the dialog
// messages to the dialog procedure as Windows does: WM_INITDIALOG once, WM_COMMAND with the
// control id in the low word and the notification code in the high word, an auto check box
// toggling before it notifies, Enter pressing the default push button and Escape or the close
// box sending IDCANCEL (2). The combo-box and button messages are answered by the core.
// DialogBoxIndirectParamA shows the dialog through a GTK 3 front end; DialogSession drives
// the same core without a display.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/kernel.h"
#include "platform/win32/messagebox.h"
#include "platform/win32/windows_types.h"

typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// Window and dialog styles.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000u;
constexpr DWORD WS_TABSTOP = 0x00010000u;
constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000u;
constexpr DWORD DS_SETFONT = 0x40u;
constexpr DWORD DS_MODALFRAME = 0x80u;
constexpr DWORD BS_PUSHBUTTON = 0x0u;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1u;
constexpr DWORD BS_AUTOCHECKBOX = 0x3u;
constexpr DWORD CBS_DROPDOWNLIST = 0x3u;

// Messages and notifications.
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr int CB_ERR = -1;
constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;
constexpr WORD BN_CLICKED = 0;
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_SELENDOK = 9;

inline WORD LOWORD(WPARAM value) { return static_cast<WORD>(value & 0xFFFF); }
inline WORD HIWORD(WPARAM value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
inline WPARAM MAKEWPARAM(WORD low, WORD high)
{
    return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}
// A resource given by number rather than by name.
inline const char* MAKEINTRESOURCEA(unsigned int number)
{
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(number));
}

// Runs the dialog modally; returns the value given to EndDialog, or -1 when the template
// cannot be parsed or no display can show it.
INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, const void* dialog_template, HWND owner,
                                DLGPROC procedure, LPARAM init_param);
HWND GetDlgItem(HWND dialog, int id);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL EndDialog(HWND dialog, INT_PTR result);

enum class ControlKind { STATIC_TEXT, COMBO_BOX, PUSH_BUTTON, CHECK_BOX, OTHER };

// One control of a running dialog.
struct DialogControl {
    int id = 0;
    ControlKind kind = ControlKind::OTHER;
    std::string class_name;
    std::string text;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::vector<std::string> items; // combo-box entries
    int selection = CB_ERR;
    bool checked = false;
    bool enabled() const { return (style & WS_DISABLED) == 0; }
    bool is_default() const { return kind == ControlKind::PUSH_BUTTON && (style & 0xF) == BS_DEFPUSHBUTTON; }
};

struct ParsedDialog {
    DWORD style = 0;
    DWORD extended_style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string title;
    std::vector<DialogControl> controls;
};

// Parses a DLGTEMPLATE with its DLGITEMTEMPLATE records; false when it is malformed.
bool parse_dialog_template(const void* dialog_template, size_t max_bytes, ParsedDialog& out);

// A dialog's running state and the user's actions on it, without any window.
class DialogSession {
public:
    DialogSession(const ParsedDialog& dialog, DLGPROC procedure, LPARAM init_param);
    ~DialogSession();
    DialogSession(const DialogSession&) = delete;
    DialogSession& operator=(const DialogSession&) = delete;

    HWND handle() { return reinterpret_cast<HWND>(this); }
    void start(); // delivers WM_INITDIALOG

    // User actions; each is ignored on a disabled control or once the dialog has ended.
    void click(int id);            // a push button or check box
    void choose(int id, int index); // picks a combo-box entry
    void press_enter();            // the default push button
    void press_escape();           // IDCANCEL, as the close box

    bool ended() const { return has_ended; }
    INT_PTR result() const { return end_result; }
    const ParsedDialog& dialog() const { return state; }
    DialogControl* control(int id);

    // The message plumbing behind the Windows calls.
    LRESULT send_to_control(DialogControl& control, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT send_to_dialog(UINT message, WPARAM wparam, LPARAM lparam);
    void end(INT_PTR result);

private:
    ParsedDialog state;
    DLGPROC procedure;
    LPARAM init_param;
    bool has_ended = false;
    INT_PTR end_result = 0;
};

// Shows a session in a GTK window until the dialog ends; false when no display is there.
bool run_dialog_window(DialogSession& session);
