// A top-level window: header bar in the window colour, the menu bar, and the
// content with its pane layer. Closing hides it; it lives until exit.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "host/gtk/gobject_ptr.h"
#include "host/gtk/pane_layer.h"
#include "host/gtk/settings_file.h"
#include "host/gtk/signal.h"
#include "host/platform.h"

namespace qv::gtk {

class GtkWebView;

class AppWindow final : public Window {
 public:
  AppWindow(GtkApplication* app, const WindowSpec& shape, GtkWebView& content,
            SettingsFile& settings);

  GtkWindow* widget() const { return window_; }
  void setMenu(GMenuModel* menu);
  // Records the size and maximised state under the autosave name (as they
  // change, and once more at exit).
  void saveFrame();

  void present() override;
  void addPane(WebView& pane) override;

 private:
  void restoreFrame(const WindowSpec& shape);
  void fitContentOnceLaidOut();
  void saveFrameAsItChanges();

  static constexpr guint kSaveDelayMs = 500;

  GtkWindow* window_;  // owned by GTK's list of top-levels until exit
  GtkWidget* header_;
  GtkWidget* menuBar_;
  std::unique_ptr<PaneLayer> layer_;
  SettingsFile& settings_;
  std::optional<std::string> autosaveName_;
  int contentWidth_ = 0, contentHeight_ = 0;  // asked for the content at first start
  SourceHandle pendingSave_;
  // Last: the handlers go before anything they use.
  Connections connections_;
};

}  // namespace qv::gtk
