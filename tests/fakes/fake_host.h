// In-memory stand-ins for every platform service, for unit tests of the core.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/delegate.h"
#include "host/platform.h"

namespace qv::fake {

class FakeWebView;

struct UrlObservation : Observation {
  FakeWebView* view;
  std::function<void()> changed;
  UrlObservation(FakeWebView* v, std::function<void()> c) : view(v), changed(std::move(c)) {}
  ~UrlObservation() override;
};

struct AsyncCall {
  std::string body, argName, argValue;
  std::function<void(std::optional<std::string>)> done;
};

class FakeWebView final : public WebView {
 public:
  explicit FakeWebView(WebViewConfig c) : config(c) {}
  void loadRequest(const std::string& url) override { loads.push_back("request " + url); }
  void loadHtml(const std::string& html, const std::optional<std::string>& base) override {
    loads.push_back("html " + base.value_or("(none)"));
    lastHtml = html;
  }
  void loadFile(const std::string& path) override { currentUrl = "file://" + path; }
  void reload() override { ++reloads; }
  void evaluateScript(const std::string& script) override { scripts.push_back(script); }
  void callAsyncFunction(const std::string& body, const std::string& argName,
                         const std::string& argValue,
                         std::function<void(std::optional<std::string>)> done) override {
    asyncCalls.push_back({body, argName, argValue, std::move(done)});
  }
  std::optional<std::string> url() const override { return currentUrl; }
  bool isLoading() const override { return loading; }
  std::unique_ptr<Observation> observeUrl(std::function<void()> changed) override {
    auto o = std::make_unique<UrlObservation>(this, std::move(changed));
    observers.push_back(o.get());
    return o;
  }
  void setFrame(const Rect& f) override { frame = f; }
  void setHidden(bool h) override { hidden = h; }

  // Test side: the page moved to `url`.
  void navigate(const std::string& url) {
    currentUrl = url;
    for (auto* o : observers) o->changed();
  }

  WebViewConfig config;
  std::vector<std::string> loads, scripts;
  std::string lastHtml;
  int reloads = 0;
  std::vector<AsyncCall> asyncCalls;
  std::optional<std::string> currentUrl;
  bool loading = false;
  std::vector<UrlObservation*> observers;
  Rect frame;
  bool hidden = false;
};

class FakeWindow final : public Window {
 public:
  FakeWindow(WindowSpec s, WebView& c) : shape(std::move(s)), content(c) {}
  void present() override { ++presented; }
  void addPane(WebView& pane) override { panes.push_back(&pane); }
  WindowSpec shape;
  WebView& content;
  int presented = 0;
  std::vector<WebView*> panes;
};

class FakeApplication final : public Application {
 public:
  std::unique_ptr<WebView> createWebView(const WebViewConfig& c) override {
    auto v = std::make_unique<FakeWebView>(c);
    views.push_back(v.get());
    return v;
  }
  std::unique_ptr<Window> createWindow(const WindowSpec& s, WebView& content) override {
    auto w = std::make_unique<FakeWindow>(s, content);
    windows.push_back(w.get());
    return w;
  }
  void activate() override { ++activations; }
  void setNotificationOrigins(const std::vector<std::string>& a,
                              const std::vector<std::string>& r) override {
    notificationOrigins = {a, r};
  }
  void installMenu(const std::vector<Menu>& m, std::function<void(const std::string&)> r) override {
    menus = m;
    run = std::move(r);
  }
  std::optional<std::string> resourcesFolder() override { return resources; }
  std::string downloadsFolder() override { return downloads; }

  std::vector<FakeWebView*> views;
  std::vector<FakeWindow*> windows;
  int activations = 0;
  std::pair<std::vector<std::string>, std::vector<std::string>> notificationOrigins;
  std::vector<Menu> menus;
  std::function<void(const std::string&)> run;
  std::optional<std::string> resources = "/res";
  std::string downloads = "/tmp";
};

class FakeCookieStore final : public CookieStore {
 public:
  void allCookies(std::function<void(std::vector<Cookie>)> done) override {
    pending.push_back(std::move(done));
  }
  void setCookie(const Cookie& c) override { writes.push_back(c); }
  // Answers every pending read with `cookies`.
  void deliver() {
    auto p = std::move(pending);
    pending.clear();
    for (auto& d : p) d(cookies);
  }
  std::vector<Cookie> cookies, writes;
  std::vector<std::function<void(std::vector<Cookie>)>> pending;
};

struct FakeBrowser final : Browser {
  void open(const std::string& url) override { opened.push_back(url); }
  std::vector<std::string> opened;
};

struct FakeSettings final : Settings {
  std::optional<std::string> string(const std::string& key) override {
    auto it = values.find(key);
    return it == values.end() ? std::nullopt : std::optional(it->second);
  }
  void setString(const std::string& key, const std::string& value) override { values[key] = value; }
  std::map<std::string, std::string> values;
};

struct FakeClock final : Clock {
  Instant now() override { return time; }
  Instant time = 1'800'000'000;
};

struct FakeHttp final : HttpClient {
  struct Sent {
    HttpRequest request;
    std::function<void(HttpResponse)> done;
  };
  void send(const HttpRequest& r, std::function<void(HttpResponse)> done) override {
    if (refuses) throw std::runtime_error("refused");
    sent.push_back({r, std::move(done)});
  }
  std::vector<Sent> sent;
  bool refuses = false;  // the client throws instead of sending
};

// Records the parent of every dialog and answers at once.
struct FakeDialogs final : Dialogs {
  void alert(Window& parent, const std::string&, std::function<void()> done) override {
    parents.push_back(&parent);
    done();
  }
  void confirm(Window& parent, const std::string&, std::function<void(bool)> done) override {
    parents.push_back(&parent);
    done(true);
  }
  void openFiles(Window& parent, bool multiple,
                 std::function<void(std::optional<std::vector<std::string>>)> done) override {
    parents.push_back(&parent);
    done(multiple ? std::optional<std::vector<std::string>>({"/a", "/b"}) : std::nullopt);
  }
  std::vector<Window*> parents;
};

struct FakeLog final : Log {
  void debug(const std::string&) override {}
};

struct FakeMainQueue final : MainQueue {
  void post(std::function<void()> task) override { tasks.push_back(std::move(task)); }
  void runAll() {
    while (!tasks.empty()) {
      auto t = std::move(tasks.front());
      tasks.pop_front();
      t();
    }
  }
  std::deque<std::function<void()>> tasks;
};

// A launched Delegate over fakes; `config` may be changed before `launch()`.
struct Rig {
  FakeApplication app;
  FakeCookieStore cookies;
  FakeBrowser browser;
  FakeSettings settings;
  FakeClock clock;
  FakeHttp http;
  FakeDialogs dialogs;
  FakeMainQueue mainQueue;
  FakeLog log;
  Config config = Config::standard("/home/u");
  std::unique_ptr<Delegate> delegate;

  Delegate& launch() {
    delegate = std::make_unique<Delegate>(
        Host{app, cookies, browser, settings, clock, http, dialogs, mainQueue, log}, config);
    delegate->applicationDidFinishLaunching();
    return *delegate;
  }
  FakeWebView& mainView() { return static_cast<FakeWebView&>(*delegate->mainWebView()); }
  FakeWebView& view(const std::map<std::string, std::unique_ptr<WebView>>& table,
                    const std::string& key) {
    return static_cast<FakeWebView&>(*table.at(key));
  }
  void post(const std::string& json) { delegate->scriptMessage(nlohmann::json::parse(json)); }
  // What the main page is sent: the script guarded to the local page.
  static std::string toPage(const std::string& script) {
    return R"(if (location.protocol === 'file:' && location.pathname === "/res/web/index.html") { )" +
           script + " }";
  }
  // A fetch reply, for values that need no escape.
  static std::string reply(const std::string& id, const std::string& data,
                           const std::string& error) {
    return toPage("window.__qvFetch && window.__qvFetch(\"" + id + "\", \"" + data + "\", \"" +
                  error + "\")");
  }
  std::vector<std::string>& replies() { return mainView().scripts; }
};

}  // namespace qv::fake
