#include "host/gtk/window.h"

#include "host/gtk/signal.h"
#include "host/gtk/web_view.h"

namespace qv::gtk {

AppWindow::AppWindow(GtkApplication* app, const WindowSpec& spec, GtkWebView& content,
                     SettingsFile& settings)
    : window_(GTK_WINDOW(gtk_application_window_new(app))),
      header_(gtk_header_bar_new()),
      menuBar_(GTK_WIDGET(g_object_new(GTK_TYPE_POPOVER_MENU_BAR, nullptr))),
      layer_(std::make_unique<PaneLayer>(GTK_WIDGET(content.widget()))),
      settings_(settings),
      autosaveName_(spec.autosaveName) {
  gtk_window_set_title(window_, spec.title.c_str());
  gtk_window_set_titlebar(window_, header_);
  gtk_window_set_hide_on_close(window_, TRUE);
  gtk_widget_add_css_class(GTK_WIDGET(window_), "qv-window");

  auto* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_append(GTK_BOX(box), menuBar_);
  gtk_widget_set_vexpand(layer_->widget(), TRUE);
  gtk_widget_set_hexpand(layer_->widget(), TRUE);
  gtk_box_append(GTK_BOX(box), layer_->widget());
  gtk_window_set_child(window_, box);

  if (spec.minimumSize)
    gtk_widget_set_size_request(GTK_WIDGET(window_), spec.minimumSize->first, spec.minimumSize->second);
  restoreFrame(spec);
  if (autosaveName_)
    connect<gboolean(GtkWindow*)>(window_, "close-request", [this](GtkWindow*) -> gboolean {
      saveFrame();
      return FALSE;
    });
}

void AppWindow::setMenu(GMenuModel* menu) {
  gtk_popover_menu_bar_set_menu_model(GTK_POPOVER_MENU_BAR(menuBar_), menu);
}

// GTK sizes a window with its header bar and menu bar; the size asked for is
// the content's, so theirs is added.
int AppWindow::chromeHeight() const {
  int total = 0;
  for (auto* w : {header_, menuBar_}) {
    int minimum = 0, natural = 0;
    gtk_widget_measure(w, GTK_ORIENTATION_VERTICAL, -1, &minimum, &natural, nullptr, nullptr);
    total += natural;
  }
  return total;
}

void AppWindow::restoreFrame(const WindowSpec& spec) {
  int width = spec.width, height = spec.height;
  bool maximized = false;
  if (autosaveName_) {
    const auto& saved = settings_.value(*autosaveName_);
    if (saved.is_object() && saved.value("width", 0) > 0 && saved.value("height", 0) > 0) {
      width = saved.value("width", width);
      height = saved.value("height", height);
      maximized = saved.value("maximized", false);
    }
  }
  gtk_window_set_default_size(window_, width, height + chromeHeight());
  if (maximized) gtk_window_maximize(window_);
}

void AppWindow::saveFrame() {
  if (!autosaveName_) return;
  int width = 0, height = 0;
  gtk_window_get_default_size(window_, &width, &height);
  if (width <= 0 || height <= 0) return;
  settings_.setValue(*autosaveName_, {{"width", width},
                                      {"height", height - chromeHeight()},
                                      {"maximized", static_cast<bool>(gtk_window_is_maximized(window_))}});
}

void AppWindow::present() { gtk_window_present(window_); }

void AppWindow::addPane(WebView& pane) { layer_->add(static_cast<GtkWebView&>(pane)); }

}  // namespace qv::gtk
