#include "host/gtk/application.h"

#include "host/gtk/debug.h"
#include "host/gtk/web_view.h"

namespace qv::gtk {
namespace {

// Quitting and the application's own commands belong to the application. The
// rest act on the window whose menu or shortcut was used, so they live in each
// window's own "win." group, where GTK resolves them against that window.
struct ActionName {
  MenuAction action;
  const char* name;
  bool perWindow;
};
constexpr ActionName kActionNames[] = {
    {MenuAction::Salir, "salir", false},
    {MenuAction::Deshacer, "deshacer", true},
    {MenuAction::Cortar, "cortar", true},
    {MenuAction::Copiar, "copiar", true},
    {MenuAction::Pegar, "pegar", true},
    {MenuAction::SeleccionarTodo, "seleccionar-todo", true},
    {MenuAction::Minimizar, "minimizar", true},
    {MenuAction::Cerrar, "cerrar", true},
};

const ActionName& entryOf(MenuAction action) {
  const auto& entry = kActionNames[static_cast<size_t>(action)];
  g_assert(entry.action == action);  // the table is in the enum's order
  return entry;
}

// Editing goes to whatever has the keyboard focus: a web view runs the
// engine's command, any other widget its own clipboard action.
void edit(GtkWindow* window, const char* webCommand, const char* widgetAction) {
  if (!window) return;
  GtkWidget* focus = gtk_window_get_focus(window);
  if (!focus) return;
  if (WEBKIT_IS_WEB_VIEW(focus))
    webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(focus), webCommand);
  else
    gtk_widget_activate_action(focus, widgetAction, nullptr);
}

}  // namespace

GtkApp::GtkApp(GtkApplication* app, Engine& engine, SettingsFile& settings,
               std::optional<std::string> resourcesFolder)
    : app_(app), engine_(engine), settings_(settings), resources_(std::move(resourcesFolder)) {}

std::unique_ptr<WebView> GtkApp::createWebView(const WebViewConfig& config) {
  return std::make_unique<GtkWebView>(engine_, config);
}

std::unique_ptr<Window> GtkApp::createWindow(const WindowSpec& shape, WebView& content) {
  auto window =
      std::make_unique<AppWindow>(app_, shape, static_cast<GtkWebView&>(content), settings_);
  if (menu_) {
    window->setMenu(G_MENU_MODEL(menu_.get()));
    addWindowActions(window->widget());
  }
  quitWhenNothingIsShown(window->widget());
  windows_.push_back(window.get());
  return window;
}

void GtkApp::quitWhenNothingIsShown(GtkWindow* window) {
  connections_.add<void(GtkWindow*, GParamSpec*)>(
      window, "notify::visible", [this](GtkWindow* w, GParamSpec*) {
        if (gtk_widget_get_visible(GTK_WIDGET(w))) return;
        for (GList* l = gtk_application_get_windows(app_); l; l = l->next)
          if (gtk_widget_get_visible(GTK_WIDGET(l->data))) return;
        g_application_quit(G_APPLICATION(app_));
      });
}

void GtkApp::activate() {
  if (auto* active = gtk_application_get_active_window(app_)) gtk_window_present(active);
}

void GtkApp::setNotificationOrigins(const std::vector<std::string>& allowed,
                                    const std::vector<std::string>& refused) {
  engine_.notifications().setOrigins(allowed, refused);
}

std::unique_ptr<Observation> GtkApp::observeNetworkBack(std::function<void()> back) {
  GNetworkMonitor* monitor = g_network_monitor_get_default();  // GIO's own
  return hold(connect<void(GNetworkMonitor*, gboolean)>(
      monitor, "network-changed",
      [back = std::move(back), was = bool(g_network_monitor_get_network_available(monitor))](
          GNetworkMonitor*, gboolean available) mutable {
        if (available && !was) back();
        was = available;
      }));
}

void GtkApp::notify(const std::string& title, const std::string& body) {
  engine_.notifications().showOwn(title, body);
}

std::string GtkApp::downloadsFolder() {
  const char* special = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  return special ? special : std::string(g_get_home_dir()) + "/Downloads";
}

void GtkApp::installMenu(const std::vector<Menu>& menus,
                         std::function<void(const std::string&)> run) {
  run_ = std::move(run);
  windowActions_.clear();
  menu_ = GObjectPtr<GMenu>::adopt(g_menu_new());
  for (const auto& m : menus) {
    auto submenu = GObjectPtr<GMenu>::adopt(g_menu_new());
    auto section = GObjectPtr<GMenu>::adopt(g_menu_new());
    for (const auto& item : m.items) {
      if (item.title.empty()) {  // a separator closes the section
        g_menu_append_section(submenu.get(), nullptr, G_MENU_MODEL(section.get()));
        section = GObjectPtr<GMenu>::adopt(g_menu_new());
        continue;
      }
      std::string detailed;
      if (!item.action) {
        detailed = "app." + item.command;
        addAction(
            G_ACTION_MAP(app_), item.command.c_str(),
            [this, command = item.command] {
              if (run_) run_(command);
            },
            item.checkable);
      } else if (const ActionName& entry = entryOf(*item.action); entry.perWindow) {
        detailed = std::string("win.") + entry.name;
        windowActions_.push_back(*item.action);
      } else {
        detailed = std::string("app.") + entry.name;
        addAction(G_ACTION_MAP(app_), entry.name,
                  [this, action = *item.action] { runAction(action, nullptr); });
      }
      g_menu_append(section.get(), item.title.c_str(), detailed.c_str());
      std::string accel = std::string("<Control>") + item.key;
      const char* accels[] = {accel.c_str(), nullptr};
      gtk_application_set_accels_for_action(app_, detailed.c_str(), accels);
    }
    g_menu_append_section(submenu.get(), nullptr, G_MENU_MODEL(section.get()));
    g_menu_append_submenu(menu_.get(), m.title.c_str(), G_MENU_MODEL(submenu.get()));
  }
  for (auto* w : windows_) {
    w->setMenu(G_MENU_MODEL(menu_.get()));
    addWindowActions(w->widget());
  }
}

void GtkApp::checkMenuItem(const std::string& command, bool checked) {
  GAction* action = g_action_map_lookup_action(G_ACTION_MAP(app_), command.c_str());
  if (!G_IS_SIMPLE_ACTION(action))
    return QV_DEBUG("menu", "sin elemento de menú \"%s\" que marcar", command.c_str());
  g_simple_action_set_state(G_SIMPLE_ACTION(action), g_variant_new_boolean(checked));
}

void GtkApp::addWindowActions(GtkWindow* window) {
  for (auto action : windowActions_)
    addAction(G_ACTION_MAP(window), entryOf(action).name,
              [this, action, window] { runAction(action, window); });
}

void GtkApp::addAction(GActionMap* map, const char* name, std::function<void()> activated,
                       bool checkable) {
  // The core sets the check mark itself: a handler of "activate" keeps GTK
  // from flipping the state on its own.
  auto simple = GObjectPtr<GSimpleAction>::adopt(
      checkable ? g_simple_action_new_stateful(name, nullptr, g_variant_new_boolean(FALSE))
                : g_simple_action_new(name, nullptr));
  connections_.add<void(GSimpleAction*, GVariant*)>(
      simple.get(), "activate",
      [activated = std::move(activated)](GSimpleAction*, GVariant*) { activated(); });
  g_action_map_add_action(map, G_ACTION(simple.get()));
}

void GtkApp::runAction(MenuAction action, GtkWindow* window) {
  switch (action) {
    case MenuAction::Salir:
      g_application_quit(G_APPLICATION(app_));
      break;
    case MenuAction::Deshacer:
      edit(window, WEBKIT_EDITING_COMMAND_UNDO, "text.undo");
      break;
    case MenuAction::Cortar:
      edit(window, WEBKIT_EDITING_COMMAND_CUT, "clipboard.cut");
      break;
    case MenuAction::Copiar:
      edit(window, WEBKIT_EDITING_COMMAND_COPY, "clipboard.copy");
      break;
    case MenuAction::Pegar:
      edit(window, WEBKIT_EDITING_COMMAND_PASTE, "clipboard.paste");
      break;
    case MenuAction::SeleccionarTodo:
      edit(window, WEBKIT_EDITING_COMMAND_SELECT_ALL, "selection.select-all");
      break;
    case MenuAction::Minimizar:
      if (window) gtk_window_minimize(window);
      break;
    case MenuAction::Cerrar:
      if (window) gtk_window_close(window);
      break;
  }
}

void GtkApp::saveWindows() {
  for (auto* w : windows_) w->saveFrame();
}

}  // namespace qv::gtk
