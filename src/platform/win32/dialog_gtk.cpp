// The GTK 3 front end of the dialog core: one window laid out from the dialog units, whose
// widgets mirror the core's controls and turn clicks and keys into the core's actions.
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <algorithm>
#include <map>
#include <vector>

#include "platform/win32/dialog.h"
#include "platform/win32/gtk_start.h"

namespace {

// Drop-down lists give the height of their open list; the closed box is one line high.
constexpr int COMBO_HEIGHT_UNITS = 12;

struct FrontEnd {
    DialogSession* session = nullptr;
    GtkWidget* window = nullptr;
    std::map<GtkWidget*, int> widget_ids;
    std::map<int, GtkWidget*> widgets;
    bool syncing = false; // true while the widgets are set from the core's state
    bool running = true;
    bool signalled = false; // SIGINT or SIGTERM ended the loop
};

// GTK keeps "&" as a mnemonic marker only with use-underline; the label shows it as "_".
std::string mnemonic_label(const std::string& text)
{
    std::string label;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') {
            label += '&';
            ++i;
        } else if (text[i] == '&') {
            label += '_';
        } else if (text[i] == '_') {
            label += "__";
        } else {
            label += text[i];
        }
    }
    return label;
}

void sync_widgets(FrontEnd& front)
{
    front.syncing = true;
    for (const DialogControl& control : front.session->dialog().controls) {
        auto found = front.widgets.find(control.id);
        if (found == front.widgets.end()) continue;
        GtkWidget* widget = found->second;
        if (control.kind == ControlKind::CHECK_BOX) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), control.checked);
        } else if (control.kind == ControlKind::COMBO_BOX) {
            GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(widget);
            GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
            int shown = gtk_tree_model_iter_n_children(model, nullptr);
            for (size_t i = static_cast<size_t>(shown); i < control.items.size(); ++i) {
                gtk_combo_box_text_append_text(combo, control.items[i].c_str());
            }
            gtk_combo_box_set_active(GTK_COMBO_BOX(combo), control.selection);
        }
    }
    front.syncing = false;
}

void finish_if_ended(FrontEnd& front)
{
    if (front.session->ended() && front.running) {
        front.running = false;
        gtk_main_quit();
    } else {
        sync_widgets(front);
    }
}

void on_button_clicked(GtkWidget* widget, gpointer data)
{
    FrontEnd& front = *static_cast<FrontEnd*>(data);
    if (front.syncing) return;
    front.session->click(front.widget_ids[widget]);
    finish_if_ended(front);
}

void on_combo_changed(GtkComboBox* combo, gpointer data)
{
    FrontEnd& front = *static_cast<FrontEnd*>(data);
    if (front.syncing) return;
    front.session->choose(front.widget_ids[GTK_WIDGET(combo)], gtk_combo_box_get_active(combo));
    finish_if_ended(front);
}

gboolean on_key_press(GtkWidget*, GdkEventKey* event, gpointer data)
{
    FrontEnd& front = *static_cast<FrontEnd*>(data);
    if (event->keyval == GDK_KEY_Escape) {
        front.session->press_escape();
    } else if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
        front.session->press_enter();
    } else {
        return FALSE;
    }
    finish_if_ended(front);
    return TRUE;
}

// The dialog's answer to the signal is given once the loop has ended: the signal may arrive
// while a control's action is still running (a message box of its own), and the dialog
// procedure is not entered again from inside it.
void end_on_signal(FrontEnd& front)
{
    if (!front.running) return;
    front.running = false;
    front.signalled = true;
    gtk_main_quit();
}

gboolean on_delete(GtkWidget*, GdkEvent*, gpointer data)
{
    FrontEnd& front = *static_cast<FrontEnd*>(data);
    front.session->press_escape();
    finish_if_ended(front);
    return TRUE; // the window goes when the loop ends
}

// Pixels per dialog unit on each axis.
struct DialogScale {
    double x = 1.0;
    double y = 1.0;

    int pixels_x(int units) const { return static_cast<int>(units * x + 0.5); }
    int pixels_y(int units) const { return static_cast<int>(units * y + 0.5); }
};

// A dialog unit is a quarter of the dialog font's average character width across and an
// eighth of its height down; the font is the one GTK shows the dialog in.
DialogScale font_scale(GtkWidget* window)
{
    PangoLayout* layout = gtk_widget_create_pango_layout(window, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    g_object_unref(layout);
    DialogScale scale;
    if (width > 0) scale.x = width / 52.0 / 4.0;
    if (height > 0) scale.y = height / 8.0;
    return scale;
}

struct PlacedWidget {
    GtkWidget* widget;
    int x, y, cx, cy; // dialog units
};

// Widgets drawn by GTK need more room than the font alone gives (padding, check marks,
// frames). Each axis grows until every widget's smallest size fits its rectangle, so that no
// widget grows past its place over its neighbours and every text shows whole.
void fit_widgets(DialogScale& scale, const std::vector<PlacedWidget>& placed)
{
    for (const PlacedWidget& p : placed) {
        GtkRequisition minimum;
        gtk_widget_get_preferred_size(p.widget, &minimum, nullptr);
        // One pixel spare: the rounding of both edges can take up to one pixel.
        if (p.cx > 0) scale.x = std::max(scale.x, (minimum.width + 1.0) / p.cx);
        if (p.cy > 0) scale.y = std::max(scale.y, (minimum.height + 1.0) / p.cy);
    }
}

} // namespace

bool run_dialog_window(DialogSession& session)
{
    if (!start_gtk_once()) return false;

    FrontEnd front;
    front.session = &session;
    const ParsedDialog& dialog = session.dialog();

    front.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(front.window), dialog.title.c_str());
    gtk_window_set_resizable(GTK_WINDOW(front.window), FALSE);
    gtk_window_set_position(GTK_WINDOW(front.window), GTK_WIN_POS_CENTER);
    GtkWidget* layout = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(front.window), layout);
    std::vector<PlacedWidget> placed;

    GtkWidget* first_focus = nullptr;
    for (const DialogControl& control : dialog.controls) {
        if (!(control.style & WS_VISIBLE)) continue;
        GtkWidget* widget = nullptr;
        int height_units = control.cy;
        switch (control.kind) {
        case ControlKind::STATIC_TEXT:
            widget = gtk_label_new(control.text.c_str());
            gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
            break;
        case ControlKind::COMBO_BOX:
            widget = gtk_combo_box_text_new();
            height_units = COMBO_HEIGHT_UNITS;
            g_signal_connect(widget, "changed", G_CALLBACK(on_combo_changed), &front);
            break;
        case ControlKind::CHECK_BOX:
            widget = gtk_check_button_new_with_mnemonic(mnemonic_label(control.text).c_str());
            g_signal_connect(widget, "toggled", G_CALLBACK(on_button_clicked), &front);
            break;
        case ControlKind::PUSH_BUTTON:
            widget = gtk_button_new_with_mnemonic(mnemonic_label(control.text).c_str());
            g_signal_connect(widget, "clicked", G_CALLBACK(on_button_clicked), &front);
            break;
        case ControlKind::OTHER:
            break;
        }
        if (widget == nullptr) continue;
        gtk_widget_set_sensitive(widget, control.enabled());
        gtk_fixed_put(GTK_FIXED(layout), widget, 0, 0);
        placed.push_back({widget, control.x, control.y, control.cx, height_units});
        front.widget_ids[widget] = control.id;
        front.widgets[control.id] = widget;
        if (first_focus == nullptr && control.enabled() && (control.style & WS_TABSTOP)) first_focus = widget;
    }
    sync_widgets(front);

    // Laid out once the widgets hold their texts and entries and are shown (GTK measures
    // hidden widgets as empty), so that their sizes are known.
    gtk_widget_show_all(layout);
    DialogScale scale = font_scale(front.window);
    fit_widgets(scale, placed);
    for (const PlacedWidget& p : placed) {
        const int left = scale.pixels_x(p.x);
        const int top = scale.pixels_y(p.y);
        gtk_fixed_move(GTK_FIXED(layout), p.widget, left, top);
        gtk_widget_set_size_request(p.widget, scale.pixels_x(p.x + p.cx) - left, scale.pixels_y(p.y + p.cy) - top);
    }
    gtk_widget_set_size_request(layout, scale.pixels_x(dialog.cx), scale.pixels_y(dialog.cy));

    g_signal_connect(front.window, "key-press-event", G_CALLBACK(on_key_press), &front);
    g_signal_connect(front.window, "delete-event", G_CALLBACK(on_delete), &front);
    {
        // Ctrl+C or SIGTERM closes the dialog as its close box does.
        GtkSignalWatch signals([&front] { end_on_signal(front); });
        gtk_widget_show_all(front.window);
        if (first_focus != nullptr) gtk_widget_grab_focus(first_focus);
        gtk_main();
    }
    if (front.signalled) session.press_escape();

    gtk_widget_destroy(front.window);
    while (gtk_events_pending()) gtk_main_iteration();
    return true;
}
