// What the end-to-end suite can ask of the running application.
#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include "control.h"
#include "host/gtk/callback.h"
#include "host/gtk/web_view.h"
#include "host/gtk/webkit_ptr.h"

G_GNUC_BEGIN_IGNORE_DEPRECATIONS

namespace qv::e2e {
namespace {

using nlohmann::json;

std::string str(const char* s) { return s ? s : ""; }

WebKitWebView* findView(gtk::Runtime& rt, const std::string& name) {
  WebView* view = nullptr;
  auto lookup = [&](const auto& table, const std::string& key) {
    auto it = table.find(key);
    return it == table.end() ? nullptr : it->second.get();
  };
  if (name == "main")
    view = rt.delegate.mainWebView();
  else if (name.starts_with("web:"))
    view = lookup(rt.delegate.panesWeb(), name.substr(4));
  else if (name.starts_with("video:"))
    view = lookup(rt.delegate.panesVideo(), name.substr(6));
  else if (name.starts_with("site:"))
    view = lookup(rt.delegate.sitesWeb(), name.substr(5));
  return view ? static_cast<gtk::GtkWebView*>(view)->widget() : nullptr;
}

// Runs an async function body in the view's page and answers its JSON value.
void evalOp(gtk::Runtime& rt, const json& req, Answer answer) {
  auto* view = findView(rt, req.value("view", "main"));
  if (!view) return answer({{"error", "no such view"}});
  auto ready = gtk::onReady([answer = std::move(answer)](GObject* source, GAsyncResult* result) {
    GError* raw = nullptr;
    auto value =
        gtk::GObjectPtr<JSCValue>::adopt(webkit_web_view_call_async_javascript_function_finish(
            WEBKIT_WEB_VIEW(source), result, &raw));
    if (auto error = gtk::GErrorPtr::adopt(raw)) return answer({{"error", error.get()->message}});
    gtk::GCharPtr text(value ? jsc_value_to_json(value.get(), 0) : nullptr);
    answer({{"value", text ? json::parse(text.get(), nullptr, false) : json()}});
  });
  webkit_web_view_call_async_javascript_function(view, req.value("js", "").c_str(), -1, nullptr,
                                                 nullptr, nullptr, nullptr, ready.callback,
                                                 ready.data);
}

json bounds(GtkWidget* widget, GtkWidget* relativeTo) {
  graphene_rect_t r;
  if (!gtk_widget_compute_bounds(widget, relativeTo, &r)) return nullptr;
  return {{"x", r.origin.x}, {"y", r.origin.y}, {"w", r.size.width}, {"h", r.size.height}};
}

// The widgets of that type in the tree under `widget`, in order.
std::vector<GtkWidget*> descendants(GtkWidget* widget, GType type,
                                    std::vector<GtkWidget*> out = {}) {
  if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type)) out.push_back(widget);
  for (GtkWidget* c = gtk_widget_get_first_child(widget); c; c = gtk_widget_get_next_sibling(c))
    out = descendants(c, type, std::move(out));
  return out;
}

// Where a widget's centre lies inside its window's X window, for real
// clicks; a popover's own surface sits at an offset from the window's.
json pointInWindow(GtkWidget* widget) {
  auto* native = gtk_widget_get_native(widget);
  graphene_rect_t r;
  if (!native || !gtk_widget_compute_bounds(widget, GTK_WIDGET(native), &r)) return nullptr;
  double sx = 0, sy = 0;
  gtk_native_get_surface_transform(native, &sx, &sy);
  if (GDK_IS_POPUP(gtk_native_get_surface(native))) {
    auto* popup = GDK_POPUP(gtk_native_get_surface(native));
    sx += gdk_popup_get_position_x(popup);
    sy += gdk_popup_get_position_y(popup);
  }
  return {{"x", r.origin.x + r.size.width / 2 + sx}, {"y", r.origin.y + r.size.height / 2 + sy}};
}

// The titles of the window's menu bar and of the items of its open menu,
// each with the point to click it at.
json menuBarItems(GtkWindow* window) {
  json items = json::object();
  for (auto* bar : descendants(GTK_WIDGET(window), GTK_TYPE_POPOVER_MENU_BAR))
    for (auto* label : descendants(bar, GTK_TYPE_LABEL))
      if (gtk_widget_get_mapped(label))
        items[str(gtk_label_get_text(GTK_LABEL(label)))] = pointInWindow(label);
  return items;
}

void stateOp(gtk::Runtime& rt, const json&, Answer answer) {
  json windows = json::array();
  for (GList* l = gtk_application_get_windows(rt.app); l; l = l->next) {
    auto* w = GTK_WINDOW(l->data);
    windows.push_back({{"title", str(gtk_window_get_title(w))},
                       {"visible", static_cast<bool>(gtk_widget_get_visible(GTK_WIDGET(w)))},
                       {"active", static_cast<bool>(gtk_window_is_active(w))},
                       {"menuBar", menuBarItems(w)}});
  }
  auto* main = GTK_WIDGET(findView(rt, "main"));
  GtkWidget* overlay = gtk_widget_get_parent(main);
  json panes = json::array();
  int order = 0;
  for (GtkWidget* child = gtk_widget_get_first_child(overlay); child;
       child = gtk_widget_get_next_sibling(child), ++order) {
    auto describe = [&](const char* kind, const auto& table) {
      for (const auto& [slot, pane] : table)
        if (GTK_WIDGET(static_cast<gtk::GtkWebView*>(pane.get())->widget()) == child)
          panes.push_back({{"kind", kind},
                           {"slot", slot},
                           {"order", order},
                           {"visible", static_cast<bool>(gtk_widget_get_visible(child))},
                           {"mapped", static_cast<bool>(gtk_widget_get_mapped(child))},
                           {"bounds", bounds(child, overlay)},
                           {"uri", str(webkit_web_view_get_uri(WEBKIT_WEB_VIEW(child)))}});
    };
    describe("web", rt.delegate.panesWeb());
    describe("video", rt.delegate.panesVideo());
  }
  json sites = json::object();
  for (const auto& [key, view] : rt.delegate.sitesWeb()) {
    sites[key] = {{"uri", view->url().value_or("")}, {"loading", view->isLoading()}};
  }
  // Where the main web view starts inside the X window, for real clicks.
  graphene_point_t origin = GRAPHENE_POINT_INIT(0, 0);
  auto* native = gtk_widget_get_native(main);
  double sx = 0, sy = 0;
  if (native && gtk_widget_compute_point(main, GTK_WIDGET(native), &origin, &origin))
    gtk_native_get_surface_transform(native, &sx, &sy);
  answer({{"windows", windows},
          {"content", {{"w", gtk_widget_get_width(main)}, {"h", gtk_widget_get_height(main)}}},
          {"contentOrigin", {{"x", origin.x + sx}, {"y", origin.y + sy}}},
          {"mainUri", str(webkit_web_view_get_uri(WEBKIT_WEB_VIEW(main)))},
          {"panes", panes},
          {"sites", sites}});
}

void actionOp(gtk::Runtime& rt, const json& req, Answer answer) {
  g_action_group_activate_action(G_ACTION_GROUP(rt.app), req.value("name", "").c_str(), nullptr);
  answer({{"ok", true}});
}

void terminateOp(gtk::Runtime& rt, const json& req, Answer answer) {
  auto* view = findView(rt, req.value("view", "main"));
  if (!view) return answer({{"error", "no such view"}});
  webkit_web_view_terminate_web_process(view);
  answer({{"ok", true}});
}

GtkWindow* windowTitled(gtk::Runtime& rt, const std::string& title) {
  for (GList* l = gtk_application_get_windows(rt.app); l; l = l->next)
    if (title == str(gtk_window_get_title(GTK_WINDOW(l->data)))) return GTK_WINDOW(l->data);
  return nullptr;
}

// Resizes the window titled so (as a program would), or closes it without a size.
void windowOp(gtk::Runtime& rt, const json& req, Answer answer) {
  auto* w = windowTitled(rt, req.value("title", "QUORVEX"));
  if (!w) return answer({{"error", "no such window"}});
  if (req.contains("width"))
    gtk_window_set_default_size(w, req.value("width", 0), req.value("height", 0));
  else
    gtk_window_close(w);
  answer({{"ok", true}});
}

std::vector<GtkWindow*> openDialogs() {
  std::vector<GtkWindow*> out;
  GListModel* all = gtk_window_get_toplevels();
  for (guint i = 0; i < g_list_model_get_n_items(all); ++i) {
    auto w = gtk::GObjectPtr<GtkWindow>::adopt(GTK_WINDOW(g_list_model_get_item(all, i)));
    if (gtk_widget_get_visible(GTK_WIDGET(w.get())) &&
        (GTK_IS_MESSAGE_DIALOG(w.get()) || GTK_IS_FILE_CHOOSER_DIALOG(w.get())))
      out.push_back(w.get());
  }
  return out;
}

void dialogsOp(gtk::Runtime&, const json&, Answer answer) {
  json list = json::array();
  for (auto* w : openDialogs()) {
    GtkWindow* parent = gtk_window_get_transient_for(w);
    json d = {{"modal", static_cast<bool>(gtk_window_get_modal(w))},
              {"parent", parent ? str(gtk_window_get_title(parent)) : ""}};
    if (GTK_IS_MESSAGE_DIALOG(w)) {
      gchar* raw = nullptr;
      g_object_get(w, "text", &raw, nullptr);
      gtk::GCharPtr text(raw);
      d["type"] = "message";
      d["text"] = text ? text.get() : "";
      d["buttons"] = json::array();
      for (auto* b : descendants(GTK_WIDGET(w), GTK_TYPE_BUTTON))
        if (gtk_button_get_label(GTK_BUTTON(b)))
          d["buttons"].push_back(gtk_button_get_label(GTK_BUTTON(b)));
    } else {
      d["type"] = "files";
      d["multiple"] = static_cast<bool>(gtk_file_chooser_get_select_multiple(GTK_FILE_CHOOSER(w)));
      d["action"] = gtk_file_chooser_get_action(GTK_FILE_CHOOSER(w)) == GTK_FILE_CHOOSER_ACTION_OPEN
                        ? "open"
                        : "other";
    }
    list.push_back(d);
  }
  answer({{"dialogs", list}});
}

// The chooser selects a file only once it has listed its folder, and refuses
// to accept before that: the answer waits for the selection (five seconds at most).
void acceptOnceSelected(GtkWindow* chooser, Answer answer) {
  gtk::addTimeout(50,
                  [chooser = gtk::GObjectPtr<GtkWindow>::ref(chooser), answer = std::move(answer),
                   triesLeft = 100]() mutable -> gboolean {
                    auto files = gtk::GObjectPtr<GListModel>::adopt(
                        gtk_file_chooser_get_files(GTK_FILE_CHOOSER(chooser.get())));
                    bool selected = files && g_list_model_get_n_items(files.get()) > 0;
                    if (!selected && --triesLeft > 0) return G_SOURCE_CONTINUE;
                    if (selected)
                      gtk_dialog_response(GTK_DIALOG(chooser.get()), GTK_RESPONSE_ACCEPT);
                    answer(selected ? json{{"ok", true}} : json{{"error", "file not selected"}});
                    return G_SOURCE_REMOVE;
                  });
}

// Clicks the button with that label in the open message dialog, or answers
// the file chooser with a file (or cancels it when none is given).
void answerOp(gtk::Runtime&, const json& req, Answer answer) {
  auto dialogs = openDialogs();
  if (dialogs.empty()) return answer({{"error", "no dialog"}});
  auto* w = dialogs.back();
  if (GTK_IS_MESSAGE_DIALOG(w)) {
    for (auto* b : descendants(GTK_WIDGET(w), GTK_TYPE_BUTTON))
      if (req.value("button", "") == str(gtk_button_get_label(GTK_BUTTON(b)))) {
        g_signal_emit_by_name(b, "clicked");
        return answer({{"ok", true}});
      }
    return answer({{"error", "no such button"}});
  }
  if (!req.contains("file")) {
    gtk_dialog_response(GTK_DIALOG(w), GTK_RESPONSE_CANCEL);
    return answer({{"ok", true}});
  }
  auto file =
      gtk::GObjectPtr<GFile>::adopt(g_file_new_for_path(req["file"].get<std::string>().c_str()));
  gtk_file_chooser_set_file(GTK_FILE_CHOOSER(w), file.get(), nullptr);
  acceptOnceSelected(w, std::move(answer));
}

void quitOp(gtk::Runtime& rt, const json&, Answer answer) {
  answer({{"ok", true}});
  g_application_quit(G_APPLICATION(rt.app));
}

}  // namespace

// Runs at document start in every main page from the first load on: how a test
// hands the page its configuration before the page reads it.
void addPageScript(gtk::Runtime& rt, const std::string& source) {
  auto script = gtk::UserScriptPtr::adopt(
      webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr));
  webkit_user_content_manager_add_script(
      webkit_web_view_get_user_content_manager(findView(rt, "main")), script.get());
}

const std::map<std::string, Op>& controlOps() {
  static const std::map<std::string, Op> ops = {
      {"eval", evalOp},           {"state", stateOp},   {"action", actionOp},
      {"terminate", terminateOp}, {"resize", windowOp}, {"close", windowOp},
      {"dialogs", dialogsOp},     {"answer", answerOp}, {"quit", quitOp},
  };
  return ops;
}

}  // namespace qv::e2e

G_GNUC_END_IGNORE_DEPRECATIONS
