// The GTK 3 front end of the dialog core: one window laid out from the dialog units, whose
// widgets mirror the core's controls and turn clicks and keys into the core's actions.
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <map>

#include "platform/win32/dialog.h"

namespace {

// Dialog units to pixels, for a comfortable size on today's screens.
constexpr double PIXELS_PER_UNIT_X = 2.6;
constexpr double PIXELS_PER_UNIT_Y = 2.6;
// Drop-down lists give the height of their open list; the closed box is one line high.
constexpr int COMBO_HEIGHT_UNITS = 12;

struct FrontEnd {
    DialogSession* session = nullptr;
    GtkWidget* window = nullptr;
    std::map<GtkWidget*, int> widget_ids;
    std::map<int, GtkWidget*> widgets;
    bool syncing = false; // true while the widgets are set from the core's state
    bool running = true;
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

gboolean on_delete(GtkWidget*, GdkEvent*, gpointer data)
{
    FrontEnd& front = *static_cast<FrontEnd*>(data);
    front.session->press_escape();
    finish_if_ended(front);
    return TRUE; // the window goes when the loop ends
}

int pixels_x(int units) { return static_cast<int>(units * PIXELS_PER_UNIT_X + 0.5); }
int pixels_y(int units) { return static_cast<int>(units * PIXELS_PER_UNIT_Y + 0.5); }

} // namespace

bool run_dialog_window(DialogSession& session)
{
    static bool gtk_ready = false;
    if (!gtk_ready) {
        if (!gtk_init_check(nullptr, nullptr)) return false;
        gtk_ready = true;
    }

    FrontEnd front;
    front.session = &session;
    const ParsedDialog& dialog = session.dialog();

    front.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(front.window), dialog.title.c_str());
    gtk_window_set_resizable(GTK_WINDOW(front.window), FALSE);
    gtk_window_set_position(GTK_WINDOW(front.window), GTK_WIN_POS_CENTER);
    GtkWidget* layout = gtk_fixed_new();
    gtk_widget_set_size_request(layout, pixels_x(dialog.cx), pixels_y(dialog.cy));
    gtk_container_add(GTK_CONTAINER(front.window), layout);

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
        gtk_widget_set_size_request(widget, pixels_x(control.cx), pixels_y(height_units));
        gtk_widget_set_sensitive(widget, control.enabled());
        gtk_fixed_put(GTK_FIXED(layout), widget, pixels_x(control.x), pixels_y(control.y));
        front.widget_ids[widget] = control.id;
        front.widgets[control.id] = widget;
        if (first_focus == nullptr && control.enabled() && (control.style & WS_TABSTOP)) first_focus = widget;
    }
    sync_widgets(front);

    g_signal_connect(front.window, "key-press-event", G_CALLBACK(on_key_press), &front);
    g_signal_connect(front.window, "delete-event", G_CALLBACK(on_delete), &front);
    gtk_widget_show_all(front.window);
    if (first_focus != nullptr) gtk_widget_grab_focus(first_focus);

    gtk_main();

    gtk_widget_destroy(front.window);
    while (gtk_events_pending()) gtk_main_iteration();
    return true;
}
