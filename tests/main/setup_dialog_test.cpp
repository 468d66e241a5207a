#include "main/setup_dialog.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <gtk/gtk.h>
#include <memory>
#include <unistd.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "main/dialogtemplatebuilder.h"
#include "main/startup_settings.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "util/data/datafile.h"

namespace {

// An independent reader of the template bytes, kept apart from the dialog layer's parser.
struct Bytes {
    const unsigned char* p;
    size_t at = 0;
    unsigned word() { unsigned v = p[at] | (p[at + 1] << 8); at += 2; return v; }
    unsigned dword() { unsigned low = word(); return low | (word() << 16); }
    std::string text()
    {
        std::string out;
        unsigned first = word();
        if (first == 0xFFFF) return "#" + std::to_string(word());
        for (unsigned c = first; c != 0; c = word()) out += static_cast<char>(c);
        return out;
    }
};

struct ExpectedItem {
    unsigned style;
    int x, y, cx, cy;
    unsigned id;
    const char* window_class;
    const char* title;
};

SDL_Rect g_modes_storage[3] = {{0, 0, 1920, 1080}, {0, 0, 1280, 720}, {0, 0, 800, 600}};
SDL_Rect* g_mode_list[] = {&g_modes_storage[0], &g_modes_storage[1], &g_modes_storage[2], nullptr};
SDL_Rect** three_modes(SDL_PixelFormat*, Uint32) { return g_mode_list; }
SDL_Rect** any_mode(SDL_PixelFormat*, Uint32) { return reinterpret_cast<SDL_Rect**>(-1); }
SDL_Rect** no_modes(SDL_PixelFormat*, Uint32) { return nullptr; }

class SetupDialogCore : public ::testing::Test {
protected:
    void SetUp() override { g_settings = StartupSettings(); }
    void TearDown() override { setup_dialog_list_modes = SDL_ListModes; }

    void open(SDL_Rect** (*modes)(SDL_PixelFormat*, Uint32))
    {
        setup_dialog_list_modes = modes;
        void* bytes = build_setup_dialog_template();
        ASSERT_TRUE(parse_dialog_template(bytes, 4096, parsed));
        std::free(bytes);
        session.reset(new DialogSession(parsed, setup_dialog_proc, 0));
        session->start();
    }
    std::vector<std::string> entries(int id) { return session->control(id)->items; }
    std::string selected(int id)
    {
        DialogControl* c = session->control(id);
        return c->selection < 0 ? "" : c->items[static_cast<size_t>(c->selection)];
    }

    ParsedDialog parsed;
    std::unique_ptr<DialogSession> session;
};

} // namespace

TEST(SetupDialogTemplate, BytesMatchTheDialogTable)
{
    void* memory = build_setup_dialog_template();
    ASSERT_NE(memory, nullptr);
    Bytes b{static_cast<const unsigned char*>(memory)};
    EXPECT_EQ(b.dword(), 0x80CA0080u);
    EXPECT_EQ(b.dword(), 0x00010000u);
    EXPECT_EQ(b.word(), 12u);
    EXPECT_EQ(b.word(), 300u);
    EXPECT_EQ(b.word(), 300u);
    EXPECT_EQ(b.word(), 135u);
    EXPECT_EQ(b.word(), 75u);
    EXPECT_EQ(b.text(), "");           // no menu
    EXPECT_EQ(b.text(), "");           // default class
    EXPECT_EQ(b.text(), "Pellorvane"); // title
    const unsigned child = 0x40000000u, visible = 0x10000000u, disabled = 0x08000000u, tab = 0x00010000u;
    const ExpectedItem items[] = {
        {child | visible, 5, 5, 65, 10, 0, "STATIC", "Choose resolution"},
        {child | visible | tab | 3, 75, 5, 55, 500, 100, "COMBOBOX", ""},
        {child | visible, 5, 20, 65, 10, 0, "STATIC", "Anti-aliasing"},
        {child | visible | tab | 3, 75, 20, 55, 500, 102, "COMBOBOX", ""},
        {child | visible, 5, 35, 65, 10, 0, "STATIC", "Aspect ratio"},
        {child | visible | tab | 3, 75, 35, 55, 500, 104, "COMBOBOX", ""},
        {child | visible | tab | 1, 5, 50, 30, 10, 1, "BUTTON", "&Run"},
        {child | visible | disabled | tab, 40, 50, 30, 10, 106, "BUTTON", "Get &avi"},
        {child | visible | tab | 3, 75, 50, 55, 10, 101, "BUTTON", "&Fullscreen"},
        {child | visible | tab, 5, 60, 30, 10, 2, "BUTTON", "&Quit"},
        {child | visible | tab, 40, 60, 30, 10, 105, "BUTTON", "Get &mp3"},
        {child | visible | tab | 3, 75, 60, 55, 10, 103, "BUTTON", "&Vsync enable"},
    };
    for (const ExpectedItem& item : items) {
        SCOPED_TRACE(item.title);
        EXPECT_EQ(b.at % 4, 0u) << "items start on a four-byte boundary";
        EXPECT_EQ(b.dword(), item.style);
        EXPECT_EQ(b.dword(), 0u);
        EXPECT_EQ(static_cast<int>(b.word()), item.x);
        EXPECT_EQ(static_cast<int>(b.word()), item.y);
        EXPECT_EQ(static_cast<int>(b.word()), item.cx);
        EXPECT_EQ(static_cast<int>(b.word()), item.cy);
        EXPECT_EQ(b.word(), item.id);
        EXPECT_EQ(b.text(), item.window_class);
        EXPECT_EQ(b.text(), item.title);
        EXPECT_EQ(b.word(), 0u); // creation data
        b.at = (b.at + 3) & ~size_t(3);
    }
    std::free(memory);
}

TEST(SetupDialogTemplate, BuilderGrowsPastOneDoublingAndWritesOrdinals)
{
    DialogTemplateBuilder* builder =
        DialogTemplateBuilder::create(16, 0, 0, 10, 10, 0, 0, nullptr, MAKEINTRESOURCEA(0x8002), "T", nullptr, 0);
    ASSERT_NE(builder, nullptr);
    std::string long_title(3000, 'a');
    builder = DialogTemplateBuilder::add_item(builder, long_title.c_str(), 7, MAKEINTRESOURCEA(0x80), 0, 1, 2, 3, 4, 0);
    ASSERT_NE(builder, nullptr);
    size_t used = builder->size();
    void* memory = DialogTemplateBuilder::finish(builder);
    Bytes b{static_cast<const unsigned char*>(memory)};
    b.at = 18;
    EXPECT_EQ(b.text(), "");
    EXPECT_EQ(b.text(), "#32770");
    EXPECT_EQ(b.text(), "T");
    b.at = (b.at + 3) & ~size_t(3);
    b.at += 18;
    EXPECT_EQ(b.text(), "#128");
    EXPECT_EQ(b.text(), long_title);
    EXPECT_LE(b.at + 2, used);
    std::free(memory);
}

TEST_F(SetupDialogCore, ThreeModesListSmallestFirstAndStoreTheLargest)
{
    open(three_modes);
    EXPECT_EQ(entries(SETUP_RESOLUTION), (std::vector<std::string>{"800x600", "1280x720", "1920x1080"}));
    EXPECT_EQ(selected(SETUP_RESOLUTION), "1920x1080");
    EXPECT_EQ(g_settings.width, 1920);
    EXPECT_EQ(g_settings.height, 1080);
    EXPECT_EQ(selected(SETUP_ANTIALIASING), "None");
    EXPECT_EQ(selected(SETUP_ASPECT), "16:9");
    EXPECT_EQ(g_settings.sync_mode, 0); // the editor-mode box is not in the template
    EXPECT_EQ(GetDlgItem(session->handle(), SETUP_EDITOR_MODE), nullptr);
    EXPECT_EQ(SendMessageA(nullptr, CB_GETCURSEL, 0, 0), 0);
}

TEST_F(SetupDialogCore, PresetSizesSelectTheirModeOrTheLargest)
{
    g_settings.width = 1280;
    g_settings.height = 720;
    open(three_modes);
    EXPECT_EQ(selected(SETUP_RESOLUTION), "1280x720");
    g_settings = StartupSettings();
    g_settings.width = 1024;
    g_settings.height = 768;
    open(three_modes);
    EXPECT_EQ(selected(SETUP_RESOLUTION), "1920x1080");
    EXPECT_EQ(g_settings.width, 1920);
}

TEST_F(SetupDialogCore, AnyModeOffersTheFixedListAndStores640x480)
{
    open(any_mode);
    ASSERT_EQ(entries(SETUP_RESOLUTION).size(), 13u);
    EXPECT_EQ(entries(SETUP_RESOLUTION).front(), "640x480");
    EXPECT_EQ(entries(SETUP_RESOLUTION).back(), "1600x1200");
    EXPECT_EQ(g_settings.width, 640);
    EXPECT_EQ(g_settings.height, 480);
}

TEST_F(SetupDialogCore, NoModeListLeavesEverythingEmptyAndDefault)
{
    open(no_modes);
    EXPECT_TRUE(entries(SETUP_RESOLUTION).empty());
    EXPECT_TRUE(entries(SETUP_ASPECT).empty());
    EXPECT_EQ(g_settings.width, -1);
    EXPECT_EQ(g_settings.video_flags, 0x80000000u);
}

TEST_F(SetupDialogCore, ChoicesAreStoredAtOnce)
{
    open(three_modes);
    struct Case { int id; int index; int aa; int num; int den; };
    const Case cases[] = {
        {SETUP_ANTIALIASING, 1, 2, 16, 9}, {SETUP_ANTIALIASING, 4, 16, 16, 9},
        {SETUP_ANTIALIASING, 0, 0, 16, 9}, {SETUP_ASPECT, 0, 0, 4, 3},
        {SETUP_ASPECT, 2, 0, 16, 10},      {SETUP_ASPECT, 1, 0, 16, 9},
    };
    for (const Case& c : cases) {
        session->choose(c.id, c.index);
        EXPECT_EQ(g_settings.aa_samples, c.aa);
        EXPECT_EQ(g_settings.aspect_num, c.num);
        EXPECT_EQ(g_settings.aspect_den, c.den);
    }
    session->choose(SETUP_RESOLUTION, 0);
    EXPECT_EQ(g_settings.width, 800);
    EXPECT_EQ(g_settings.height, 600);
}

TEST_F(SetupDialogCore, FullscreenAndVsyncBoxesToggleBeforeTheyNotify)
{
    open(three_modes);
    EXPECT_TRUE(session->control(SETUP_FULLSCREEN)->checked);
    session->click(SETUP_FULLSCREEN);
    EXPECT_EQ(g_settings.video_flags, 0u);
    session->click(SETUP_FULLSCREEN);
    EXPECT_EQ(g_settings.video_flags, 0x80000000u);
    session->click(SETUP_VSYNC);
    EXPECT_EQ(g_settings.vsync, 0);
    session->click(SETUP_VSYNC);
    EXPECT_EQ(g_settings.vsync, 1);
}

TEST_F(SetupDialogCore, ButtonsAndKeysEndTheDialog)
{
    struct Case { const char* action; INT_PTR result; };
    const Case cases[] = {{"run", 1}, {"enter", 1}, {"quit", 2}, {"escape", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        open(three_modes);
        std::string action = c.action;
        session->click(SETUP_GET_AVI); // disabled: nothing happens
        EXPECT_FALSE(session->ended());
        if (action == "run") session->click(SETUP_RUN);
        if (action == "enter") session->press_enter();
        if (action == "quit") session->click(SETUP_QUIT);
        if (action == "escape") session->press_escape();
        EXPECT_TRUE(session->ended());
        EXPECT_EQ(session->result(), c.result);
        EXPECT_FALSE(g_settings.dump_avi);
    }
}

TEST_F(SetupDialogCore, GetMp3ExportsAndKeepsTheDialogOpen)
{
    ChildResult result = run_in_child([this] {
        TempDir dir;
        if (chdir(dir.path().c_str()) != 0) std::_Exit(3);
        dir.write("data/common/music/tune.mp3", "ID3 not really music");
        DataFile::set_mode(DATAFILE_MODE_WRITE);
        std::free(DataFile::load_file("data/common/music/tune.mp3", "rb", nullptr, false));
        DataFile::write("data.qxv");
        open(three_modes);
        session->click(SETUP_GET_MP3);
        session->click(SETUP_GET_MP3);
        if (session->ended()) std::_Exit(5);
        if (read_file_bytes(dir.file("tune.mp3")) != "ID3 not really music") std::_Exit(6);
        std::_Exit(0);
    });
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_NE(result.err.find("Success\nSuccessfully exported tune.mp3 to the current folder\n"), std::string::npos)
        << result.err;
}

namespace {

struct Box {
    const char* name;
    GtkAllocation at;
};

// Checks the shown dialog once it is laid out: every control whole (it got no more room than
// its place, and its text fits), inside the dialog, and no two overlapping. Then closes it.
gboolean inspect_dialog(gpointer)
{
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* window = nullptr;
    for (GList* w = windows; w != nullptr; w = w->next) {
        if (gtk_widget_get_mapped(GTK_WIDGET(w->data))) window = GTK_WIDGET(w->data);
    }
    g_list_free(windows);
    static int attempts = 0;
    if (window == nullptr && ++attempts > 100) {
        ADD_FAILURE() << "the dialog never showed";
        std::_Exit(6);
    }
    if (window == nullptr) return G_SOURCE_CONTINUE;
    GtkWidget* layout = gtk_bin_get_child(GTK_BIN(window));
    GtkAllocation area;
    gtk_widget_get_allocation(layout, &area);

    std::vector<Box> boxes;
    GList* children = gtk_container_get_children(GTK_CONTAINER(layout));
    for (GList* c = children; c != nullptr; c = c->next) {
        GtkWidget* widget = GTK_WIDGET(c->data);
        GtkWidget* label = GTK_IS_LABEL(widget) ? widget : nullptr;
        if (label == nullptr && GTK_IS_BIN(widget)) {
            GtkWidget* inner = gtk_bin_get_child(GTK_BIN(widget));
            if (inner != nullptr && GTK_IS_LABEL(inner)) label = inner;
        }
        const char* name = label != nullptr ? gtk_label_get_text(GTK_LABEL(label)) : G_OBJECT_TYPE_NAME(widget);
        Box box{name, {}};
        gtk_widget_get_allocation(widget, &box.at);
        int width = 0, height = 0;
        gtk_widget_get_size_request(widget, &width, &height);
        EXPECT_EQ(box.at.width, width) << name << " grew past its place";
        EXPECT_EQ(box.at.height, height) << name << " grew past its place";
        EXPECT_GE(box.at.x, area.x) << name;
        EXPECT_GE(box.at.y, area.y) << name;
        EXPECT_LE(box.at.x + box.at.width, area.x + area.width) << name;
        EXPECT_LE(box.at.y + box.at.height, area.y + area.height) << name;
        if (label != nullptr) {
            int text_width = 0, text_height = 0;
            pango_layout_get_pixel_size(gtk_label_get_layout(GTK_LABEL(label)), &text_width, &text_height);
            GtkAllocation label_at;
            gtk_widget_get_allocation(label, &label_at);
            EXPECT_GE(label_at.width, text_width) << name << ": the text is cut";
            EXPECT_GE(label_at.height, text_height) << name << ": the text is cut";
        }
        boxes.push_back(box);
    }
    g_list_free(children);
    EXPECT_EQ(boxes.size(), 12u) << "three labels, three lists, four buttons, two check boxes";
    for (size_t i = 0; i < boxes.size(); ++i) {
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            const GtkAllocation& a = boxes[i].at;
            const GtkAllocation& b = boxes[j].at;
            const bool apart = a.x + a.width <= b.x || b.x + b.width <= a.x || a.y + a.height <= b.y ||
                               b.y + b.height <= a.y;
            EXPECT_TRUE(apart) << boxes[i].name << " and " << boxes[j].name << " overlap";
        }
    }
    gtk_window_close(GTK_WINDOW(window));
    return G_SOURCE_REMOVE;
}

} // namespace

// The window on the test's display: a real GTK layout, read back from the widgets.
TEST(SetupDialogWindow, EveryControlShowsWholeAndNoTwoOverlap)
{
    ChildResult result = run_in_child([] {
        if (!gtk_init_check(nullptr, nullptr)) std::_Exit(4);
        setup_dialog_list_modes = three_modes;
        g_settings = StartupSettings();
        // Looked at once the window is mapped and laid out.
        g_timeout_add(100, inspect_dialog, nullptr);
        const INT_PTR closed = run_setup_dialog(nullptr, nullptr);
        EXPECT_EQ(closed, 2); // the close box
        std::_Exit(::testing::Test::HasFailure() ? 3 : 0);
    });
    EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
}

namespace {

// Sends the process its own signal once the dialog is shown.
gboolean signal_once_shown(gpointer signal_number)
{
    GList* windows = gtk_window_list_toplevels();
    bool shown = false;
    for (GList* w = windows; w != nullptr; w = w->next) shown = shown || gtk_widget_get_mapped(GTK_WIDGET(w->data));
    g_list_free(windows);
    if (!shown) return G_SOURCE_CONTINUE;
    kill(getpid(), GPOINTER_TO_INT(signal_number));
    return G_SOURCE_REMOVE;
}

} // namespace

// Ctrl+C and SIGTERM close the shown dialog as its close box does (Quit's result).
TEST(SetupDialogWindow, SignalsCloseItAsTheCloseBox)
{
    for (int signal_number : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(signal_number));
        ChildResult result = run_in_child([signal_number] {
            if (!gtk_init_check(nullptr, nullptr)) std::_Exit(4);
            setup_dialog_list_modes = three_modes;
            g_settings = StartupSettings();
            g_timeout_add(50, signal_once_shown, GINT_TO_POINTER(signal_number));
            std::_Exit(run_setup_dialog(nullptr, nullptr) == SETUP_QUIT ? 0 : 3);
        });
        EXPECT_EQ(result.exit_code, 0) << result.err;
    }
}
