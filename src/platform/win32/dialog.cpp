#include "platform/win32/dialog.h"

#include <cstring>
#include <map>

#include "platform/runtime/byte_order.h"

namespace {

// Every live session, and the session of every live control, so that a handle can be told
// apart without trusting it.
struct LiveHandles {
    std::map<const void*, DialogSession*> sessions;
    std::map<const void*, DialogSession*> control_owners;
};

LiveHandles& live_handles()
{
    static LiveHandles handles;
    return handles;
}

class TemplateReader {
public:
    TemplateReader(const unsigned char* bytes, size_t size) : data(bytes), length(size) {}

    bool word(WORD& out)
    {
        if (position + 2 > length) return false;
        out = read_le16(data + position);
        position += 2;
        return true;
    }
    bool dword(DWORD& out)
    {
        WORD low, high;
        if (!word(low) || !word(high)) return false;
        out = static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
        return true;
    }
    bool signed_word(short& out)
    {
        WORD value;
        if (!word(value)) return false;
        out = static_cast<short>(value);
        return true;
    }
    // A zero-terminated UTF-16 string, or an ordinal (0xFFFF and a number).
    bool string_or_ordinal(std::string& text, int& ordinal)
    {
        text.clear();
        ordinal = -1;
        WORD first;
        if (!word(first)) return false;
        if (first == 0xFFFF) {
            WORD number;
            if (!word(number)) return false;
            ordinal = number;
            return true;
        }
        WORD unit = first;
        while (unit != 0) {
            append_utf8(text, unit);
            if (!word(unit)) return false;
        }
        return true;
    }
    bool skip(size_t count)
    {
        if (position + count > length) return false;
        position += count;
        return true;
    }
    void align4() { position = (position + 3) & ~static_cast<size_t>(3); }
    size_t offset() const { return position; }

private:
    static void append_utf8(std::string& text, WORD unit)
    {
        if (unit < 0x80) {
            text += static_cast<char>(unit);
        } else if (unit < 0x800) {
            text += static_cast<char>(0xC0 | (unit >> 6));
            text += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            text += static_cast<char>(0xE0 | (unit >> 12));
            text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }

    const unsigned char* data;
    size_t length;
    size_t position = 0;
};

ControlKind kind_of(const std::string& class_name, int class_ordinal, DWORD style)
{
    std::string upper;
    for (char c : class_name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    if (upper == "STATIC" || class_ordinal == 0x82) return ControlKind::STATIC_TEXT;
    if (upper == "COMBOBOX" || class_ordinal == 0x85) return ControlKind::COMBO_BOX;
    if (upper == "BUTTON" || class_ordinal == 0x80) {
        DWORD button_type = style & 0xF;
        if (button_type == BS_AUTOCHECKBOX) return ControlKind::CHECK_BOX;
        if (button_type == BS_PUSHBUTTON || button_type == BS_DEFPUSHBUTTON) return ControlKind::PUSH_BUTTON;
    }
    return ControlKind::OTHER;
}

} // namespace

bool parse_dialog_template(const void* dialog_template, size_t max_bytes, ParsedDialog& out)
{
    if (dialog_template == nullptr) return false;
    TemplateReader reader(static_cast<const unsigned char*>(dialog_template), max_bytes);
    WORD item_count;
    std::string text;
    int ordinal;
    if (!reader.dword(out.style) || !reader.dword(out.extended_style) || !reader.word(item_count) ||
        !reader.signed_word(out.x) || !reader.signed_word(out.y) || !reader.signed_word(out.cx) ||
        !reader.signed_word(out.cy)) {
        return false;
    }
    if (!reader.string_or_ordinal(text, ordinal)) return false; // menu
    if (!reader.string_or_ordinal(text, ordinal)) return false; // class
    if (!reader.string_or_ordinal(out.title, ordinal)) return false;
    if (out.style & DS_SETFONT) {
        WORD point_size;
        if (!reader.word(point_size) || !reader.string_or_ordinal(text, ordinal)) return false;
    }
    out.controls.clear();
    for (WORD i = 0; i < item_count; ++i) {
        reader.align4();
        DialogControl control;
        DWORD extended_style;
        WORD id, extra_bytes;
        int class_ordinal, title_ordinal;
        if (!reader.dword(control.style) || !reader.dword(extended_style) ||
            !reader.signed_word(control.x) || !reader.signed_word(control.y) ||
            !reader.signed_word(control.cx) || !reader.signed_word(control.cy) || !reader.word(id) ||
            !reader.string_or_ordinal(control.class_name, class_ordinal) ||
            !reader.string_or_ordinal(control.text, title_ordinal) || !reader.word(extra_bytes)) {
            return false;
        }
        if (!reader.skip(extra_bytes)) return false;
        control.id = static_cast<short>(id);
        control.kind = kind_of(control.class_name, class_ordinal, control.style);
        out.controls.push_back(control);
    }
    return true;
}

DialogSession::DialogSession(const ParsedDialog& dialog, DLGPROC procedure_, LPARAM init_param_)
    : state(dialog), procedure(procedure_), init_param(init_param_)
{
    LiveHandles& live = live_handles();
    live.sessions[this] = this;
    for (DialogControl& control : state.controls) live.control_owners[&control] = this;
}

DialogSession::~DialogSession()
{
    LiveHandles& live = live_handles();
    live.sessions.erase(this);
    for (DialogControl& control : state.controls) live.control_owners.erase(&control);
}

void DialogSession::start()
{
    send_to_dialog(WM_INITDIALOG, 0, init_param);
}

DialogControl* DialogSession::control(int id)
{
    for (DialogControl& candidate : state.controls) {
        if (candidate.id == id) return &candidate;
    }
    return nullptr;
}

void DialogSession::click(int id)
{
    DialogControl* target = control(id);
    if (has_ended || target == nullptr || !target->enabled()) return;
    if (target->kind == ControlKind::CHECK_BOX) target->checked = !target->checked;
    if (target->kind != ControlKind::CHECK_BOX && target->kind != ControlKind::PUSH_BUTTON) return;
    send_to_dialog(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                   reinterpret_cast<LPARAM>(target));
}

void DialogSession::choose(int id, int index)
{
    DialogControl* target = control(id);
    if (has_ended || target == nullptr || !target->enabled() || target->kind != ControlKind::COMBO_BOX) return;
    if (index < 0 || index >= static_cast<int>(target->items.size())) return;
    target->selection = index;
    LPARAM handle = reinterpret_cast<LPARAM>(target);
    send_to_dialog(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), CBN_SELCHANGE), handle);
    if (!has_ended) send_to_dialog(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), CBN_SELENDOK), handle);
}

void DialogSession::press_enter()
{
    if (has_ended) return;
    for (DialogControl& candidate : state.controls) {
        if (candidate.is_default()) {
            click(candidate.id);
            return;
        }
    }
    send_to_dialog(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void DialogSession::press_escape()
{
    if (has_ended) return;
    send_to_dialog(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void DialogSession::end(INT_PTR result)
{
    if (has_ended) return;
    has_ended = true;
    end_result = result;
}

LRESULT DialogSession::send_to_dialog(UINT message, WPARAM wparam, LPARAM lparam)
{
    if (procedure == nullptr) return 0;
    return procedure(handle(), message, wparam, lparam);
}

LRESULT DialogSession::send_to_control(DialogControl& target, UINT message, WPARAM wparam, LPARAM lparam)
{
    const int count = static_cast<int>(target.items.size());
    switch (message) {
    case CB_ADDSTRING:
        if (target.kind != ControlKind::COMBO_BOX || lparam == 0) return CB_ERR;
        target.items.emplace_back(reinterpret_cast<const char*>(lparam));
        return count;
    case CB_GETCOUNT:
        return target.kind == ControlKind::COMBO_BOX ? count : CB_ERR;
    case CB_SETCURSEL: {
        if (target.kind != ControlKind::COMBO_BOX) return CB_ERR;
        int index = static_cast<int>(static_cast<std::intptr_t>(wparam));
        if (index < 0 || index >= count) {
            target.selection = CB_ERR;
            return CB_ERR;
        }
        target.selection = index;
        return index;
    }
    case CB_GETCURSEL:
        return target.kind == ControlKind::COMBO_BOX ? target.selection : CB_ERR;
    case CB_GETLBTEXTLEN:
    case CB_GETLBTEXT: {
        int index = static_cast<int>(static_cast<std::intptr_t>(wparam));
        if (target.kind != ControlKind::COMBO_BOX || index < 0 || index >= count) return CB_ERR;
        const std::string& entry = target.items[static_cast<size_t>(index)];
        if (message == CB_GETLBTEXT) {
            if (lparam == 0) return CB_ERR;
            std::memcpy(reinterpret_cast<char*>(lparam), entry.c_str(), entry.size() + 1);
        }
        return static_cast<LRESULT>(entry.size());
    }
    case BM_SETCHECK:
        if (target.kind == ControlKind::CHECK_BOX) target.checked = wparam == BST_CHECKED;
        return 0;
    case BM_GETCHECK:
        return target.checked ? static_cast<LRESULT>(BST_CHECKED) : static_cast<LRESULT>(BST_UNCHECKED);
    default:
        return 0;
    }
}

HWND GetDlgItem(HWND dialog, int id)
{
    LiveHandles& live = live_handles();
    auto found = live.sessions.find(dialog);
    if (found == live.sessions.end()) return nullptr;
    return reinterpret_cast<HWND>(found->second->control(id));
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (window == nullptr) return 0;
    LiveHandles& live = live_handles();
    auto session = live.sessions.find(window);
    if (session != live.sessions.end()) return session->second->send_to_dialog(message, wparam, lparam);
    auto owner = live.control_owners.find(window);
    if (owner != live.control_owners.end()) {
        return owner->second->send_to_control(*static_cast<DialogControl*>(window), message, wparam, lparam);
    }
    return 0;
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    LiveHandles& live = live_handles();
    auto found = live.sessions.find(dialog);
    if (found == live.sessions.end()) return 0;
    found->second->end(result);
    return 1;
}

INT_PTR DialogBoxIndirectParamA(HINSTANCE, const void* dialog_template, HWND, DLGPROC procedure,
                                LPARAM init_param)
{
    ParsedDialog parsed;
    // Templates come from our own builder, which keeps them well inside this bound.
    if (!parse_dialog_template(dialog_template, 1u << 20, parsed)) return -1;
    DialogSession session(parsed, procedure, init_param);
    session.start();
    if (session.ended()) return session.result();
    if (!run_dialog_window(session)) return -1;
    return session.result();
}
