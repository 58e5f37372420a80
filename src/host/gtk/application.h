// The GtkApplication side of the core's Application: views, windows, the
// menu bar and its actions, and the rule that quits when nothing is shown.
#pragma once

#include <gtk/gtk.h>

#include <vector>

#include "host/gtk/engine.h"
#include "host/gtk/gobject_ptr.h"
#include "host/gtk/settings_file.h"
#include "host/gtk/signal.h"
#include "host/gtk/window.h"
#include "host/platform.h"

namespace qv::gtk {

class GtkApp final : public Application {
 public:
  GtkApp(GtkApplication* app, Engine& engine, SettingsFile& settings,
         std::optional<std::string> resourcesFolder);

  std::unique_ptr<WebView> createWebView(const WebViewConfig& config) override;
  std::unique_ptr<Window> createWindow(const WindowSpec& shape, WebView& content) override;
  void activate() override;
  void setNotificationOrigins(const std::vector<std::string>& allowed,
                              const std::vector<std::string>& refused) override;
  void installMenu(const std::vector<Menu>& menus,
                   std::function<void(const std::string&)> run) override;
  std::unique_ptr<Observation> observeNetworkBack(std::function<void()> back) override;
  void checkMenuItem(const std::string& command, bool checked) override;
  std::optional<std::string> resourcesFolder() override { return resources_; }
  std::string downloadsFolder() override;
  void notify(const std::string& title, const std::string& body) override;

  // Saves what must outlive the process; called once, at shutdown, in case
  // a change is still waiting to be written.
  void saveWindows();

 private:
  void quitWhenNothingIsShown(GtkWindow* window);
  void addWindowActions(GtkWindow* window);
  // A checkable action starts unchecked; GTK shows it with a check mark.
  void addAction(GActionMap* map, const char* name, std::function<void()> activated,
                 bool checkable = false);
  // `window` is where a window's action was used; none for the application's.
  void runAction(MenuAction action, GtkWindow* window);

  GtkApplication* app_;
  Engine& engine_;
  SettingsFile& settings_;
  std::optional<std::string> resources_;
  std::vector<AppWindow*> windows_;  // owned by the core
  GObjectPtr<GMenu> menu_;
  std::vector<MenuAction> windowActions_;  // the menu's, added to every window
  std::function<void(const std::string&)> run_;
  // Last: the handlers go before anything they use.
  Connections connections_;
};

}  // namespace qv::gtk
