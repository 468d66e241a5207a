#include "main/setup_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "main/dialogtemplatebuilder.h"
#include "main/startup_settings.h"
#include "util/data/datafile.h"
#include "util/error/fatal.h"

SDL_Rect** (*setup_dialog_list_modes)(SDL_PixelFormat* format, Uint32 flags) = SDL_ListModes;

namespace {

const char* const SOURCE = "src\\main";

const char* const FIXED_RESOLUTIONS[] = {
    "640x480",  "720x480",  "720x576",   "800x600",   "1024x768", "1152x864",  "1280x768",
    "1280x800", "1280x960", "1280x1024", "1360x768",  "1440x900", "1600x1200",
};
const char* const ANTIALIASING_CHOICES[] = {"None", "2x", "4x", "8x", "16x"};
const char* const ASPECT_CHOICES[] = {"4:3", "16:9", "16:10"};

constexpr DWORD LIST_STYLE = WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST;

LRESULT add_string(HWND control, const char* text)
{
    return SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

// The selected entry's text, empty when nothing is selected.
std::string selected_text(HWND control)
{
    LRESULT index = SendMessageA(control, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return std::string();
    LRESULT length = SendMessageA(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length < 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (SendMessageA(control, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0])) == CB_ERR) {
        return std::string();
    }
    text.resize(static_cast<size_t>(length));
    return text;
}

bool is_checked(HWND control)
{
    return SendMessageA(control, BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED);
}

void fill_resolutions(HWND resolution_list, SDL_Rect** modes)
{
    LRESULT selection = CB_ERR;
    if (modes == reinterpret_cast<SDL_Rect**>(-1)) {
        for (const char* resolution : FIXED_RESOLUTIONS) add_string(resolution_list, resolution);
        selection = 0;
    } else {
        int count = 0;
        while (modes[count] != nullptr) ++count;
        LRESULT last_added = CB_ERR;
        for (int i = count - 1; i >= 0; --i) {
            char text[32];
            std::snprintf(text, sizeof text, "%ix%i", modes[i]->w, modes[i]->h);
            last_added = add_string(resolution_list, text);
            if (modes[i]->w == g_settings.width && modes[i]->h == g_settings.height) selection = last_added;
        }
        // Unchosen sizes, and sizes the display does not list, start on the largest mode.
        if (selection == CB_ERR) selection = last_added;
    }
    SendMessageA(resolution_list, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

void fill_choices(HWND list, const char* const* choices, int count, const char* selected)
{
    int selection = 0;
    for (int i = 0; i < count; ++i) {
        add_string(list, choices[i]);
        if (std::strcmp(choices[i], selected) == 0) selection = i;
    }
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

const char* antialiasing_choice(int samples)
{
    switch (samples) {
    case 2: return "2x";
    case 4: return "4x";
    case 8: return "8x";
    case 16: return "16x";
    default: return "None";
    }
}

const char* aspect_choice(int numerator, int denominator)
{
    if (numerator == 4 && denominator == 3) return "4:3";
    if (numerator == 16 && denominator == 10) return "16:10";
    return "16:9";
}

// Cuts the text at the first "x": the integers before and after it.
void split_at_x(const std::string& text, int& before, int& after)
{
    size_t cut = text.find('x');
    before = std::atoi(text.substr(0, cut).c_str());
    after = cut == std::string::npos ? 0 : std::atoi(text.substr(cut + 1).c_str());
}

} // namespace

void* build_setup_dialog_template()
{
    DialogTemplateBuilder* builder = DialogTemplateBuilder::create(
        0, 300, 300, 135, 75, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME,
        WS_EX_CONTROLPARENT, nullptr, nullptr, "Pellorvane", nullptr, 0);
    struct Item {
        const char* title;
        WORD id;
        const char* window_class;
        DWORD style;
        short x, y, cx, cy;
    };
    const Item items[] = {
        {"Choose resolution", 0, "STATIC", WS_VISIBLE, 5, 5, 65, 10},
        {nullptr, SETUP_RESOLUTION, "COMBOBOX", LIST_STYLE, 75, 5, 55, 500},
        {"Anti-aliasing", 0, "STATIC", WS_VISIBLE, 5, 20, 65, 10},
        {nullptr, SETUP_ANTIALIASING, "COMBOBOX", LIST_STYLE, 75, 20, 55, 500},
        {"Aspect ratio", 0, "STATIC", WS_VISIBLE, 5, 35, 65, 10},
        {nullptr, SETUP_ASPECT, "COMBOBOX", LIST_STYLE, 75, 35, 55, 500},
        {"&Run", SETUP_RUN, "BUTTON", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 5, 50, 30, 10},
        {"Get &avi", SETUP_GET_AVI, "BUTTON", WS_VISIBLE | WS_DISABLED | WS_TABSTOP | BS_PUSHBUTTON, 40, 50, 30, 10},
        {"&Fullscreen", SETUP_FULLSCREEN, "BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 75, 50, 55, 10},
        {"&Quit", SETUP_QUIT, "BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 5, 60, 30, 10},
        {"Get &mp3", SETUP_GET_MP3, "BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 40, 60, 30, 10},
        {"&Vsync enable", SETUP_VSYNC, "BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 75, 60, 55, 10},
    };
    for (const Item& item : items) {
        builder = DialogTemplateBuilder::add_item(builder, item.title, item.id, item.window_class,
                                                  item.style, item.x, item.y, item.cx, item.cy, 0);
    }
    return DialogTemplateBuilder::finish(builder);
}

INT_PTR run_setup_dialog(HINSTANCE instance, HWND owner)
{
    void* dialog_template = build_setup_dialog_template();
    if (dialog_template == nullptr) return -1;
    INT_PTR result = DialogBoxIndirectParamA(instance, dialog_template, owner, setup_dialog_proc, 0);
    std::free(dialog_template);
    return result;
}

namespace {

// WM_INITDIALOG: fills the lists, checks the boxes from g_settings and stores every choice
// once, as though each control had been chosen.
INT_PTR init_setup_dialog(HWND window)
{
    SDL_Rect** modes = setup_dialog_list_modes(nullptr, SDL_FULLSCREEN | SDL_HWSURFACE);
    if (modes == nullptr) return 1;
    fill_resolutions(GetDlgItem(window, SETUP_RESOLUTION), modes);
    fill_choices(GetDlgItem(window, SETUP_ANTIALIASING), ANTIALIASING_CHOICES, 5,
                 antialiasing_choice(g_settings.aa_samples));
    fill_choices(GetDlgItem(window, SETUP_ASPECT), ASPECT_CHOICES, 3,
                 aspect_choice(g_settings.aspect_num, g_settings.aspect_den));
    SendMessageA(GetDlgItem(window, SETUP_FULLSCREEN), BM_SETCHECK,
                 g_settings.video_flags != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(GetDlgItem(window, SETUP_VSYNC), BM_SETCHECK,
                 g_settings.vsync != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageA(GetDlgItem(window, SETUP_EDITOR_MODE), BM_SETCHECK,
                 g_settings.sync_mode != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    const int stored[] = {SETUP_RESOLUTION, SETUP_ANTIALIASING, SETUP_FULLSCREEN, SETUP_VSYNC,
                          SETUP_ASPECT, SETUP_EDITOR_MODE};
    for (int id : stored) {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    }
    return 1;
}

void store_resolution(HWND list)
{
    std::string text = selected_text(list);
    // An empty list leaves the size unchosen rather than zero.
    if (!text.empty()) split_at_x(text, g_settings.width, g_settings.height);
}

void store_antialiasing(HWND list)
{
    std::string text = selected_text(list);
    if (text == "None") {
        g_settings.aa_samples = 0;
    } else if (!text.empty()) {
        int unused;
        split_at_x(text, g_settings.aa_samples, unused);
    }
}

void store_aspect(HWND list)
{
    std::string text = selected_text(list);
    if (text == "4:3") {
        g_settings.aspect_num = 4;
        g_settings.aspect_den = 3;
    } else if (text == "16:9") {
        g_settings.aspect_num = 16;
        g_settings.aspect_den = 9;
    } else if (text == "16:10") {
        g_settings.aspect_num = 16;
        g_settings.aspect_den = 10;
    } else {
        fatal_error(SOURCE, 316, "Unrecognized aspect ratio option " + text + "!");
    }
}

void export_music()
{
    DataFile::set_mode(DATAFILE_MODE_READ);
    DataFile::read(g_settings.data_file_name);
    DataFile::export_mp3();
}

// WM_COMMAND: stores what the control now shows; Run, Quit and Get avi close the dialog with
// the whole wParam as the result.
void on_setup_command(HWND window, WPARAM wparam)
{
    const WORD id = LOWORD(wparam);
    const bool chosen = HIWORD(wparam) == CBN_SELENDOK;
    HWND control = GetDlgItem(window, id);
    switch (id) {
    case SETUP_RUN:
    case SETUP_QUIT:
        EndDialog(window, static_cast<INT_PTR>(wparam));
        break;
    case SETUP_RESOLUTION:
        if (chosen) store_resolution(control);
        break;
    case SETUP_FULLSCREEN:
        if (is_checked(control)) g_settings.video_flags |= SDL_FULLSCREEN;
        else g_settings.video_flags = 0;
        break;
    case SETUP_ANTIALIASING:
        if (chosen) store_antialiasing(control);
        break;
    case SETUP_VSYNC:
        g_settings.vsync = is_checked(control) ? 1 : 0;
        break;
    case SETUP_ASPECT:
        if (chosen) store_aspect(control);
        break;
    case SETUP_GET_MP3:
        export_music();
        break;
    case SETUP_GET_AVI:
        g_settings.dump_avi = true;
        EndDialog(window, static_cast<INT_PTR>(wparam));
        break;
    case SETUP_EDITOR_MODE:
        g_settings.sync_mode = is_checked(control) ? 1 : 0;
        break;
    default:
        break;
    }
}

} // namespace

INT_PTR setup_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG) return init_setup_dialog(window);
    if (message != WM_COMMAND) return 0;
    on_setup_command(window, wparam);
    return 1;
}
