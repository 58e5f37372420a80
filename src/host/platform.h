// The platform services the core calls. Each is small on purpose: a backend
// (GTK today) implements them, and in-memory fakes implement them for tests.
#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/values.h"
#include "host/web_view.h"
#include "host/web_view_policy.h"

namespace qv {

class ScriptMessageHandler {
 public:
  virtual ~ScriptMessageHandler() = default;
  // One call per message posted to "qv" by the main frame of the bridge
  // page, in posting order, main thread.
  virtual void scriptMessage(const nlohmann::json& body) = 0;
};

struct WebViewConfig {
  bool mediaWithoutGesture = false;
  bool safariUserAgent = false;  // the engine's user agent ends in Safari's version
  bool transparent = false;
  bool roundedCorners = false;
  bool allowFileAccessFromFileUrls = false;
  // Camera, microphone and calls (WebRTC, where the engine is built with it).
  bool mediaCapture = false;
  // Every view that sets it shares one web process. Only for pages the app
  // writes itself around a stream, never with a bridge or an outside page's pane.
  bool sharesVideoProcess = false;
  WebViewPolicy* policy = nullptr;         // null: the engine's defaults apply
  ScriptMessageHandler* bridge = nullptr;  // "qv" handler and the native marker
  // The one document whose main frame may post to the bridge (absolute path).
  std::string bridgePage;
};

struct WindowSpec {
  std::string title;
  int width = 0, height = 0;  // content size
  std::optional<std::pair<int, int>> minimumSize;
  std::optional<std::string> autosaveName;  // size and maximised state kept under it
};

class Window {
 public:
  virtual ~Window() = default;
  // Shows the window, or shows it again after the user closed it.
  virtual void present() = 0;
  // Stacks a pane over the content and over every pane added before it.
  virtual void addPane(WebView& pane) = 0;
};

// The platform's own commands: quitting, editing whatever has the keyboard
// focus, and acting on the window the command was used in.
enum class MenuAction {
  Salir,
  Deshacer,
  Cortar,
  Copiar,
  Pegar,
  SeleccionarTodo,
  Minimizar,
  Cerrar,
};

struct MenuItem {
  std::string title;  // empty for a separator
  std::optional<MenuAction> action;
  char key = 0;  // lower-case letter used with the platform's command modifier
  // Without an action the item is the application's own: the platform hands
  // this name to the menu's callback.
  std::string command;
  // An application item shown with a check mark, set through checkMenuItem.
  bool checkable = false;
};

struct Menu {
  std::string title;
  std::vector<MenuItem> items;
};

class Application {
 public:
  virtual ~Application() = default;
  virtual std::unique_ptr<WebView> createWebView(const WebViewConfig& config) = 0;
  virtual std::unique_ptr<Window> createWindow(const WindowSpec& shape, WebView& content) = 0;
  // Brings the application to the front.
  virtual void activate() = 0;
  // Desktop notifications from the origins of these addresses are taken as
  // allowed or refused without asking, in every content process started after.
  virtual void setNotificationOrigins(const std::vector<std::string>& allowed,
                                      const std::vector<std::string>& refused) = 0;
  // The platform runs its own actions; every other item calls `run` with its command.
  virtual void installMenu(const std::vector<Menu>& menus,
                           std::function<void(const std::string& command)> run) = 0;
  // `back` runs each time the network becomes reachable again.
  virtual std::unique_ptr<Observation> observeNetworkBack(std::function<void()> back) = 0;
  virtual void checkMenuItem(const std::string& command, bool checked) = 0;
  virtual std::optional<std::string> resourcesFolder() = 0;
  // Where downloads go; the core makes it when it is missing.
  virtual std::string downloadsFolder() = 0;
  // The application's own desktop notification, not a page's.
  virtual void notify(const std::string& title, const std::string& body) = 0;
};

class CookieStore {
 public:
  virtual ~CookieStore() = default;
  virtual void allCookies(std::function<void(std::vector<Cookie>)> done) = 0;
  // Replaces the cookie of the same name, domain and path.
  virtual void setCookie(const Cookie& cookie) = 0;
};

class Browser {
 public:
  virtual ~Browser() = default;
  // Hands the URL to the user's default application; failures are ignored.
  virtual void open(const std::string& url) = 0;
};

class Settings {
 public:
  virtual ~Settings() = default;
  virtual std::optional<std::string> string(const std::string& key) = 0;
  virtual void setString(const std::string& key, const std::string& value) = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Instant now() = 0;
  virtual LocalTime local(Instant at) = 0;
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // Never blocks. `done` runs once, on a worker thread, never the main one.
  virtual void send(const HttpRequest& request, std::function<void(HttpResponse)> done) = 0;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual void alert(Window& parent, const std::string& message, std::function<void()> done) = 0;
  // Buttons "Aceptar" (true) and "Cancelar".
  virtual void confirm(Window& parent, const std::string& message,
                       std::function<void(bool)> done) = 0;
  virtual void openFiles(Window& parent, bool multiple,
                         std::function<void(std::optional<std::vector<std::string>>)> done) = 0;
};

class Log {
 public:
  virtual ~Log() = default;
  // Silent unless the user asks for the application's debug lines; each is
  // tagged with the part of the application it comes from.
  virtual void debug(std::string_view module, const std::string& line) = 0;
};

class MainQueue {
 public:
  virtual ~MainQueue() = default;
  // Safe from any thread; `task` runs later on the main thread.
  virtual void post(std::function<void()> task) = 0;
};

class Timers {
 public:
  virtual ~Timers() = default;
  // Runs task once on the main thread after `seconds`, unless the handle is
  // dropped first, which the task itself may do.
  virtual std::unique_ptr<Observation> after(double seconds, std::function<void()> task) = 0;
};

class Processes {
 public:
  virtual ~Processes() = default;
  // Read from the system now; nothing once the process is gone.
  virtual std::optional<ProcessUse> use(int pid) = 0;
};

struct Host {
  Application& application;
  CookieStore& cookies;
  Browser& browser;
  Settings& settings;
  Clock& clock;
  HttpClient& http;
  Dialogs& dialogs;
  MainQueue& mainQueue;
  Log& log;
  Timers& timers;
  Processes& processes;
};

}  // namespace qv
