#include "platform/win32/dialog.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Dialog template bytes written field by field, independently of the program's own builder.
class TemplateBytes {
public:
    void word(unsigned value)
    {
        bytes.push_back(static_cast<unsigned char>(value));
        bytes.push_back(static_cast<unsigned char>(value >> 8));
    }
    void dword(DWORD value)
    {
        word(value & 0xFFFF);
        word(value >> 16);
    }
    void text(const char* ascii)
    {
        for (const char* c = ascii; *c != '\0'; ++c) word(static_cast<unsigned char>(*c));
        word(0);
    }
    void ordinal(unsigned number)
    {
        word(0xFFFF);
        word(number);
    }
    void align4()
    {
        while (bytes.size() % 4 != 0) bytes.push_back(0);
    }
    void item(DWORD style, int id, unsigned class_ordinal, const char* title)
    {
        align4();
        dword(WS_CHILD | WS_VISIBLE | style);
        dword(0);
        for (int v : {10, 20, 50, 14}) word(static_cast<unsigned>(v));
        word(static_cast<unsigned>(id));
        if (class_ordinal != 0) ordinal(class_ordinal);
        else text("Button"); // a class given by name, in any case
        text(title);
        word(0); // no creation data
    }

    std::vector<unsigned char> bytes;
};

enum { ID_OK = 1, ID_CANCEL = 2, ID_BOX = 10, ID_LIST = 20, ID_DISABLED = 30 };

std::vector<unsigned char> sample_template()
{
    TemplateBytes t;
    t.dword(WS_POPUP | DS_MODALFRAME | DS_SETFONT);
    t.dword(0);
    t.word(5);
    for (int v : {0, 0, 200, 100}) t.word(static_cast<unsigned>(v));
    t.word(0); // no menu
    t.word(0); // the standard class
    t.text("Sample");
    t.word(8);
    t.text("MS Shell Dlg");
    t.item(BS_DEFPUSHBUTTON | WS_TABSTOP, ID_OK, 0x80, "OK");
    t.item(BS_PUSHBUTTON, ID_CANCEL, 0x80, "Cancel");
    t.item(BS_AUTOCHECKBOX, ID_BOX, 0, "Box");
    t.item(CBS_DROPDOWNLIST, ID_LIST, 0x85, "");
    t.item(BS_PUSHBUTTON | WS_DISABLED, ID_DISABLED, 0x80, "Off");
    return t.bytes;
}

// What the dialog procedure saw: the message, the control id and notification, and for a
// command the check box's state at that moment.
struct Seen {
    UINT message;
    int id;
    int notification;
    LRESULT box_checked;
};
std::vector<Seen> g_seen;
LPARAM g_init_param = 0;

INT_PTR recording_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) g_init_param = lparam;
    LRESULT checked = SendMessageA(GetDlgItem(window, ID_BOX), BM_GETCHECK, 0, 0);
    g_seen.push_back({message, LOWORD(wparam), HIWORD(wparam), checked});
    if (message == WM_COMMAND && (LOWORD(wparam) == ID_OK || LOWORD(wparam) == ID_CANCEL)) {
        EndDialog(window, static_cast<INT_PTR>(wparam));
    }
    return 1;
}

ParsedDialog parsed_sample()
{
    std::vector<unsigned char> bytes = sample_template();
    ParsedDialog parsed;
    EXPECT_TRUE(parse_dialog_template(bytes.data(), bytes.size(), parsed));
    return parsed;
}

class DialogCore : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_seen.clear();
        g_init_param = 0;
    }
};

} // namespace

TEST(DialogTemplate, ControlsKeepTheirIdsTextsAndKinds)
{
    ParsedDialog parsed = parsed_sample();
    EXPECT_EQ(parsed.title, "Sample");
    EXPECT_EQ(parsed.cx, 200);
    ASSERT_EQ(parsed.controls.size(), 5u);
    struct Expected {
        int id;
        ControlKind kind;
        const char* text;
        bool is_default;
        bool enabled;
    };
    const Expected expected[] = {
        {ID_OK, ControlKind::PUSH_BUTTON, "OK", true, true},
        {ID_CANCEL, ControlKind::PUSH_BUTTON, "Cancel", false, true},
        {ID_BOX, ControlKind::CHECK_BOX, "Box", false, true},
        {ID_LIST, ControlKind::COMBO_BOX, "", false, true},
        {ID_DISABLED, ControlKind::PUSH_BUTTON, "Off", false, false},
    };
    for (size_t i = 0; i < 5; ++i) {
        const DialogControl& c = parsed.controls[i];
        EXPECT_EQ(c.id, expected[i].id) << i;
        EXPECT_EQ(c.kind, expected[i].kind) << i;
        EXPECT_EQ(c.text, expected[i].text) << i;
        EXPECT_EQ(c.is_default(), expected[i].is_default) << i;
        EXPECT_EQ(c.enabled(), expected[i].enabled) << i;
        EXPECT_EQ(c.x, 10) << i;
        EXPECT_EQ(c.cy, 14) << i;
    }
}

TEST(DialogTemplate, EveryTruncationIsRejectedWithoutReadingPastTheEnd)
{
    const std::vector<unsigned char> whole = sample_template();
    ParsedDialog parsed;
    EXPECT_FALSE(parse_dialog_template(nullptr, 100, parsed));
    // The last item's creation-data count ends the template; any shorter copy lacks a field.
    for (size_t length = 0; length < whole.size(); ++length) {
        unsigned char* cut = static_cast<unsigned char*>(std::malloc(length > 0 ? length : 1));
        if (length > 0) std::memcpy(cut, whole.data(), length);
        EXPECT_FALSE(parse_dialog_template(cut, length, parsed)) << length;
        std::free(cut);
    }
}

TEST_F(DialogCore, InitOnceThenCommandsAsWindowsDeliversThem)
{
    DialogSession session(parsed_sample(), recording_proc, 77);
    session.start();
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].message, WM_INITDIALOG);
    EXPECT_EQ(g_init_param, 77);

    // The auto check box has toggled when its notification arrives.
    session.click(ID_BOX);
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[1].message, WM_COMMAND);
    EXPECT_EQ(g_seen[1].id, ID_BOX);
    EXPECT_EQ(g_seen[1].notification, BN_CLICKED);
    EXPECT_EQ(g_seen[1].box_checked, static_cast<LRESULT>(BST_CHECKED));

    session.click(ID_DISABLED);
    session.click(99); // no such control
    EXPECT_EQ(g_seen.size(), 2u) << "a disabled or missing control sends nothing";

    HWND list = GetDlgItem(session.handle(), ID_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("first")), 0);
    EXPECT_EQ(SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("second")), 1);
    session.choose(ID_LIST, 1);
    ASSERT_EQ(g_seen.size(), 4u);
    EXPECT_EQ(g_seen[2].notification, CBN_SELCHANGE);
    EXPECT_EQ(g_seen[3].notification, CBN_SELENDOK);
    session.choose(ID_LIST, 2); // out of range: nothing happens
    EXPECT_EQ(g_seen.size(), 4u);
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 1);

    session.press_enter();
    EXPECT_TRUE(session.ended());
    EXPECT_EQ(session.result(), ID_OK) << "Enter presses the default button";
    session.click(ID_BOX);
    session.press_escape();
    EXPECT_EQ(g_seen.size(), 5u) << "nothing reaches an ended dialog";
    EXPECT_EQ(session.result(), ID_OK);
}

TEST_F(DialogCore, EscapeGivesCancel)
{
    DialogSession session(parsed_sample(), recording_proc, 0);
    session.start();
    session.press_escape();
    EXPECT_TRUE(session.ended());
    EXPECT_EQ(session.result(), ID_CANCEL);
}

TEST_F(DialogCore, ControlMessagesAnswerAsTheWindowsControls)
{
    DialogSession session(parsed_sample(), recording_proc, 0);
    HWND list = GetDlgItem(session.handle(), ID_LIST);
    HWND box = GetDlgItem(session.handle(), ID_BOX);
    HWND button = GetDlgItem(session.handle(), ID_OK);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("4:3"));
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("16:10"));
    char text[16] = {};
    struct Case {
        const char* what;
        HWND control;
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
        LRESULT result;
    };
    const Case cases[] = {
        {"count", list, CB_GETCOUNT, 0, 0, 2},
        {"no selection yet", list, CB_GETCURSEL, 0, 0, CB_ERR},
        {"select", list, CB_SETCURSEL, 1, 0, 1},
        {"selected", list, CB_GETCURSEL, 0, 0, 1},
        {"text length", list, CB_GETLBTEXTLEN, 1, 0, 5},
        {"text", list, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text), 5},
        {"text out of range", list, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text), CB_ERR},
        {"text into nothing", list, CB_GETLBTEXT, 0, 0, CB_ERR},
        {"select out of range", list, CB_SETCURSEL, 5, 0, CB_ERR},
        {"selection cleared", list, CB_GETCURSEL, 0, 0, CB_ERR},
        {"a button is no list", button, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"), CB_ERR},
        {"a button has no selection", button, CB_GETCURSEL, 0, 0, CB_ERR},
        {"check", box, BM_SETCHECK, BST_CHECKED, 0, 0},
        {"checked", box, BM_GETCHECK, 0, 0, static_cast<LRESULT>(BST_CHECKED)},
        {"no window", nullptr, BM_GETCHECK, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SendMessageA(c.control, c.message, c.wparam, c.lparam), c.result) << c.what;
    }
    EXPECT_STREQ(text, "16:10");
    EXPECT_EQ(GetDlgItem(session.handle(), 99), nullptr);
    EXPECT_EQ(GetDlgItem(reinterpret_cast<HWND>(&text), ID_OK), nullptr) << "not a dialog";
    EXPECT_TRUE(g_seen.empty()) << "control messages do not reach the dialog procedure";
}
