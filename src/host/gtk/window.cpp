#include "host/gtk/window.h"

#include "host/gtk/web_view.h"

namespace qv::gtk {

AppWindow::AppWindow(GtkApplication* app, const WindowSpec& shape, GtkWebView& content,
                     SettingsFile& settings)
    : window_(GTK_WINDOW(gtk_application_window_new(app))),
      header_(gtk_header_bar_new()),
      menuBar_(GTK_WIDGET(g_object_new(GTK_TYPE_POPOVER_MENU_BAR, nullptr))),
      layer_(std::make_unique<PaneLayer>(GTK_WIDGET(content.widget()))),
      settings_(settings),
      autosaveName_(shape.autosaveName) {
  gtk_window_set_title(window_, shape.title.c_str());
  gtk_window_set_titlebar(window_, header_);
  gtk_window_set_hide_on_close(window_, TRUE);
  gtk_widget_add_css_class(GTK_WIDGET(window_), "qv-window");

  auto* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_append(GTK_BOX(box), menuBar_);
  gtk_widget_set_vexpand(layer_->widget(), TRUE);
  gtk_widget_set_hexpand(layer_->widget(), TRUE);
  gtk_box_append(GTK_BOX(box), layer_->widget());
  gtk_window_set_child(window_, box);

  // The minimum is the page's: the content never gets smaller than this.
  if (shape.minimumSize)
    gtk_widget_set_size_request(layer_->widget(), shape.minimumSize->first,
                                shape.minimumSize->second);
  restoreFrame(shape);
  if (autosaveName_) saveFrameAsItChanges();
}

// GTK keeps the size the user gives the window as its default size. A drag
// notifies many times a second: the file is written once things settle, so
// a process killed outright loses at most the last moment of a change.
void AppWindow::saveFrameAsItChanges() {
  for (const char* signal :
       {"notify::default-width", "notify::default-height", "notify::maximized"})
    connections_.add<void(GtkWindow*, GParamSpec*)>(
        window_, signal, [this](GtkWindow*, GParamSpec*) {
          if (pendingSave_) return;
          pendingSave_ = SourceHandle(addTimeout(kSaveDelayMs, [this]() -> gboolean {
            pendingSave_.release();
            saveFrame();
            return G_SOURCE_REMOVE;
          }));
        });
  connections_.add<gboolean(GtkWindow*)>(window_, "close-request", [this](GtkWindow*) -> gboolean {
    saveFrame();
    return FALSE;
  });
}

void AppWindow::setMenu(GMenuModel* menu) {
  gtk_popover_menu_bar_set_menu_model(GTK_POPOVER_MENU_BAR(menuBar_), menu);
}

// A saved frame is the window's default size as GTK keeps it; a window with
// none is sized so that its content gets the size asked for.
void AppWindow::restoreFrame(const WindowSpec& shape) {
  if (autosaveName_) {
    const auto& saved = settings_.value(*autosaveName_);
    if (saved.is_object() && saved.value("width", 0) > 0 && saved.value("height", 0) > 0) {
      gtk_window_set_default_size(window_, saved.value("width", 0), saved.value("height", 0));
      if (saved.value("maximized", false)) gtk_window_maximize(window_);
      return;
    }
  }
  contentWidth_ = shape.width;
  contentHeight_ = shape.height;
  gtk_window_set_default_size(window_, contentWidth_, contentHeight_);
  fitContentOnceLaidOut();
}

// GTK's default size also holds the header bar, the menu bar and the frame,
// whose sizes are known only once laid out.
void AppWindow::fitContentOnceLaidOut() {
  gtk_widget_add_tick_callback(
      layer_->widget(),
      +[](GtkWidget* content, GdkFrameClock*, gpointer self) -> gboolean {
        auto* me = static_cast<AppWindow*>(self);
        int width = gtk_widget_get_width(content), height = gtk_widget_get_height(content);
        if (width <= 0 || height <= 0) return G_SOURCE_CONTINUE;
        int dw = 0, dh = 0;
        gtk_window_get_default_size(me->window_, &dw, &dh);
        gtk_window_set_default_size(me->window_, dw + me->contentWidth_ - width,
                                    dh + me->contentHeight_ - height);
        return G_SOURCE_REMOVE;
      },
      this, nullptr);
}

void AppWindow::saveFrame() {
  if (!autosaveName_) return;
  int width = 0, height = 0;
  gtk_window_get_default_size(window_, &width, &height);
  if (width <= 0 || height <= 0) return;
  settings_.setValue(*autosaveName_,
                     {{"width", width},
                      {"height", height},
                      {"maximized", static_cast<bool>(gtk_window_is_maximized(window_))}});
}

void AppWindow::present() { gtk_window_present(window_); }

void AppWindow::addPane(WebView& pane) { layer_->add(static_cast<GtkWebView&>(pane)); }

}  // namespace qv::gtk
