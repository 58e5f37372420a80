#include "ops.h"

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include "host/gtk/callback.h"
#include "host/gtk/web_view.h"

G_GNUC_BEGIN_IGNORE_DEPRECATIONS

namespace qv::e2e {

using nlohmann::json;

namespace {

std::string str(const char* s) { return s ? s : ""; }

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

// Where a point of the widget lies in its X window, for real clicks: a
// popover's own surface sits at an offset from the window's.
json inSurface(GtkWidget* widget, float x, float y) {
  auto* native = gtk_widget_get_native(widget);
  graphene_point_t p = GRAPHENE_POINT_INIT(x, y);
  if (!native || !gtk_widget_compute_point(widget, GTK_WIDGET(native), &p, &p)) return nullptr;
  double sx, sy;
  gtk_native_get_surface_transform(native, &sx, &sy);
  if (auto* popup = gtk_native_get_surface(native); GDK_IS_POPUP(popup)) {
    sx += gdk_popup_get_position_x(GDK_POPUP(popup));
    sy += gdk_popup_get_position_y(GDK_POPUP(popup));
  }
  return {{"x", p.x + sx}, {"y", p.y + sy}};
}

// The titles shown in the window's menu bar and open menu, each with the point to click it at.
json menuBarItems(GtkWindow* window) {
  json items = json::object();
  for (auto* bar : descendants(GTK_WIDGET(window), GTK_TYPE_POPOVER_MENU_BAR))
    for (auto* label : descendants(bar, GTK_TYPE_LABEL))
      if (gtk_widget_get_mapped(label))
        items[str(gtk_label_get_text(GTK_LABEL(label)))] =
            inSurface(label, gtk_widget_get_width(label) / 2.f, gtk_widget_get_height(label) / 2.f);
  return items;
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

void stateOp(gtk::Runtime& rt, const json&, Answer answer) {
  json windows = json::array(), panes = json::array(), sites = json::object();
  for (GList* l = gtk_application_get_windows(rt.app); l; l = l->next) {
    auto* w = GTK_WINDOW(l->data);
    windows.push_back({{"title", str(gtk_window_get_title(w))},
                       {"visible", !!gtk_widget_get_visible(GTK_WIDGET(w))},
                       {"active", !!gtk_window_is_active(w)},
                       {"menuBar", menuBarItems(w)}});
  }
  auto* main = GTK_WIDGET(findView(rt, "main"));
  GtkWidget* overlay = gtk_widget_get_parent(main);
  int order = 0;
  for (GtkWidget* child = gtk_widget_get_first_child(overlay); child;
       child = gtk_widget_get_next_sibling(child), ++order)
    for (auto [kind, table] :
         {std::pair{"web", &rt.delegate.panesWeb()}, {"video", &rt.delegate.panesVideo()}})
      for (const auto& [slot, pane] : *table)
        if (GTK_WIDGET(static_cast<gtk::GtkWebView*>(pane.get())->widget()) == child)
          panes.push_back({{"kind", kind},
                           {"slot", slot},
                           {"order", order},
                           {"visible", !!gtk_widget_get_visible(child)},
                           {"mapped", !!gtk_widget_get_mapped(child)},
                           {"bounds", bounds(child, overlay)},
                           {"muted", !!webkit_web_view_get_is_muted(WEBKIT_WEB_VIEW(child))},
                           {"uri", str(webkit_web_view_get_uri(WEBKIT_WEB_VIEW(child)))}});
  for (const auto& [key, view] : rt.delegate.sitesWeb())
    sites[key] = {{"uri", view->url().value_or("")}, {"loading", view->isLoading()}};
  answer({{"windows", windows},
          {"content", {{"w", gtk_widget_get_width(main)}, {"h", gtk_widget_get_height(main)}}},
          {"contentOrigin", inSurface(main, 0, 0)},
          {"mainUri", str(webkit_web_view_get_uri(WEBKIT_WEB_VIEW(main)))},
          {"panes", panes},
          {"sites", sites}});
}

// Resizes the window titled so (as a program would), or closes it without a size.
void windowOp(gtk::Runtime& rt, const json& req, Answer answer) {
  for (GList* l = gtk_application_get_windows(rt.app); l; l = l->next) {
    auto* w = GTK_WINDOW(l->data);
    if (req.value("title", "QUORVEX") != str(gtk_window_get_title(w))) continue;
    if (req.contains("width"))
      gtk_window_set_default_size(w, req.value("width", 0), req.value("height", 0));
    else
      gtk_window_close(w);
    return answer({{"ok", true}});
  }
  answer({{"error", "no such window"}});
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

std::vector<std::string> buttonLabels(GtkWindow* dialog) {
  std::vector<std::string> labels;
  for (auto* b : descendants(GTK_WIDGET(dialog), GTK_TYPE_BUTTON))
    if (auto* label = gtk_button_get_label(GTK_BUTTON(b))) labels.push_back(label);
  return labels;
}

void dialogsOp(gtk::Runtime&, const json&, Answer answer) {
  json list = json::array();
  for (auto* w : openDialogs()) {
    GtkWindow* parent = gtk_window_get_transient_for(w);
    json d = {{"modal", !!gtk_window_get_modal(w)},
              {"parent", parent ? str(gtk_window_get_title(parent)) : ""}};
    if (GTK_IS_MESSAGE_DIALOG(w)) {
      gchar* raw = nullptr;
      g_object_get(w, "text", &raw, nullptr);
      d.update({{"type", "message"},
                {"text", str(gtk::GCharPtr(raw).get())},
                {"buttons", buttonLabels(w)}});
    } else {
      auto action = gtk_file_chooser_get_action(GTK_FILE_CHOOSER(w));
      d.update({{"type", "files"},
                {"multiple", !!gtk_file_chooser_get_select_multiple(GTK_FILE_CHOOSER(w))},
                {"action", action == GTK_FILE_CHOOSER_ACTION_OPEN ? "open" : "other"}});
    }
    list.push_back(d);
  }
  answer({{"dialogs", list}});
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
  auto file = gtk::GObjectPtr<GFile>::adopt(g_file_new_for_path(req.value("file", "").c_str()));
  gtk_file_chooser_set_file(GTK_FILE_CHOOSER(w), file.get(), nullptr);
  // The chooser selects a file only once it has listed its folder, and
  // refuses to accept before that: wait for the selection (five seconds at most).
  gtk::addTimeout(50,
                  [chooser = gtk::GObjectPtr<GtkWindow>::ref(w), answer = std::move(answer),
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

}  // namespace

WebKitWebView* findView(gtk::Runtime& rt, const std::string& name) {
  auto lookup = [](const auto& table, const std::string& key) -> WebView* {
    auto it = table.find(key);
    return it == table.end() ? nullptr : it->second.get();
  };
  WebView* view = name == "main"               ? rt.delegate.mainWebView()
                  : name.starts_with("web:")   ? lookup(rt.delegate.panesWeb(), name.substr(4))
                  : name.starts_with("video:") ? lookup(rt.delegate.panesVideo(), name.substr(6))
                  : name.starts_with("site:")  ? lookup(rt.delegate.sitesWeb(), name.substr(5))
                                               : nullptr;
  return view ? static_cast<gtk::GtkWebView*>(view)->widget() : nullptr;
}

const std::map<std::string, Op>& controlOps() {
  static const std::map<std::string, Op> ops = {
      {"eval", evalOp},
      {"state", stateOp},
      {"resize", windowOp},
      {"close", windowOp},
      {"dialogs", dialogsOp},
      {"answer", answerOp},
      {"action",
       [](gtk::Runtime& rt, const json& req, Answer answer) {
         g_action_group_activate_action(G_ACTION_GROUP(rt.app), req.value("name", "").c_str(),
                                        nullptr);
         answer({{"ok", true}});
       }},
      {"pid",
       [](gtk::Runtime& rt, const json& req, Answer answer) {
         auto* view = gtk::GtkWebView::from(findView(rt, req.value("view", "main")));
         if (!view) return answer({{"error", "no such view"}});
         auto pid = view->contentProcess();
         answer(pid ? json{{"pid", *pid}} : json{{"error", "no process known yet"}});
       }},
      {"quit",
       [](gtk::Runtime& rt, const json&, Answer answer) {
         answer({{"ok", true}});
         g_application_quit(G_APPLICATION(rt.app));
       }},
  };
  return ops;
}

}  // namespace qv::e2e

G_GNUC_END_IGNORE_DEPRECATIONS
