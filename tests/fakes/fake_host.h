// In-memory stand-ins for every platform service, for unit tests of the core.
#pragma once

#include <algorithm>
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
#include "bridge/reply.h"
#include "host/platform.h"

namespace qv::fake {

struct AsyncCall {
  std::string argValue;
  std::function<void(std::optional<std::string>)> done;
};

class FakeWebView final : public WebView {
 public:
  // Dropping it ends the registration, as the engine's does.
  template <typename F>
  struct Registration : Observation {
    std::vector<std::function<F>*>& list;
    std::function<F> f;
    Registration(std::vector<std::function<F>*>& l, std::function<F> c) : list(l), f(std::move(c)) {
      list.push_back(&f);
    }
    ~Registration() override { std::erase(list, &f); }
  };

  explicit FakeWebView(WebViewConfig c) : config(c) {}
  // What was loaded, as "request URL" or "html BASE".
  void loadRequest(const std::string& url) override { loads.push_back("request " + url); }
  void loadHtml(const std::string& html, const std::optional<std::string>& base) override {
    loads.push_back("html " + base.value_or("(none)"));
    lastHtml = html;
  }
  void loadFile(const std::string& path) override { navigate("file://" + path); }
  void reload() override { ++reloads; }
  void evaluateScript(const std::string& script) override { scripts.push_back(script); }
  // A call nobody waits on is, like a script, something the page was told.
  void callAsyncFunction(const std::string& body, const Args& args,
                         std::function<void(std::optional<std::string>)> done) override {
    if (!done) return scripts.push_back(told({body, args}));
    asyncCalls.push_back({args.at(0).second, std::move(done)});
  }
  static std::string told(const PageCall& call) {
    std::string text = call.body;
    for (const auto& [name, value] : call.args) text += " " + name + "=" + value;
    return text;
  }
  std::optional<std::string> url() const override { return currentUrl; }
  std::optional<std::string> documentUrl() const override { return shownUrl; }
  std::uint64_t documentNumber() const override { return document; }
  bool isLoading() const override { return loading; }
  std::unique_ptr<Observation> observeUrl(std::function<void()> changed) override {
    return std::make_unique<Registration<void()>>(observers, std::move(changed));
  }
  std::unique_ptr<Observation> observeContent(std::function<void(ContentEvent)> e) override {
    return std::make_unique<Registration<void(ContentEvent)>>(contentObservers, std::move(e));
  }
  void endContent() override { ++ended; }
  bool playsAudio() const override { return audio; }
  bool capturesMedia() const override { return false; }
  std::unique_ptr<Observation> observeLoaded(std::function<void()> f) override {
    return std::make_unique<Registration<void()>>(loadObservers, std::move(f));
  }
  bool showsLoadError() const override { return loadError; }
  std::optional<int> contentProcess() const override { return process; }
  void setFrame(const Rect& f) override { frame = f; }
  void setHidden(bool h) override { hidden = h; }
  bool visible() const override { return !hidden; }
  void setMuted(bool m) override { muted = m; }

  // A load that has not committed: the address moves, the document stays.
  void startLoad(const std::string& url) { currentUrl = url; }
  // A new document, committed at once.
  void navigate(const std::string& url) {
    currentUrl = shownUrl = url;
    ++document;
    for (auto* changed : observers) (*changed)();
  }

  void content(ContentEvent e) {
    for (auto* f : std::vector(contentObservers)) (*f)(e);
  }
  void loaded() {
    for (auto* f : std::vector(loadObservers)) (*f)();
  }

  WebViewConfig config;
  std::vector<std::string> loads, scripts;
  std::string lastHtml;
  std::vector<AsyncCall> asyncCalls;
  std::vector<std::function<void()>*> observers, loadObservers;
  std::vector<std::function<void(ContentEvent)>*> contentObservers;
  int ended = 0, reloads = 0;
  std::optional<int> process;
  std::optional<std::string> currentUrl, shownUrl;
  std::uint64_t document = 0;
  bool audio = false, loadError = false, loading = false, hidden = false, muted = false;
  Rect frame;
};

struct FakeWindow final : Window {
  FakeWindow(WindowSpec s, WebView& c) : shape(std::move(s)), content(c) {}
  void present() override { ++presented; }
  void addPane(WebView&) override {}
  WindowSpec shape;
  WebView& content;
  int presented = 0;
};

// Every platform service in memory, and a Delegate over them. `post` is both
// the page posting a message and the main queue taking a task.
struct Rig final : Application,
                   CookieStore,
                   Browser,
                   Settings,
                   Clock,
                   HttpClient,
                   Dialogs,
                   Log,
                   MainQueue,
                   Timers,
                   Processes {
  std::unique_ptr<WebView> createWebView(const WebViewConfig& c) override {
    views.push_back(new FakeWebView(c));
    return std::unique_ptr<WebView>(views.back());
  }
  std::unique_ptr<Window> createWindow(const WindowSpec& s, WebView& content) override {
    windows.push_back(new FakeWindow(s, content));
    return std::unique_ptr<Window>(windows.back());
  }
  void activate() override { ++activations; }
  void setNotificationOrigins(const std::vector<std::string>& a,
                              const std::vector<std::string>& r) override {
    notificationOrigins = {a, r};
  }
  void installMenu(const std::vector<Menu>& m, std::function<void(const std::string&)> r) override {
    menus = m;
    runMenu = std::move(r);
  }
  void checkMenuItem(const std::string& command, bool checked) override {
    checkedItems[command] = checked;
  }
  void notify(const std::string& title, const std::string& body) override {
    notified.push_back(title + ": " + body);
  }
  std::optional<std::string> resourcesFolder() override { return "/res"; }
  std::string downloadsFolder() override { return downloads; }

  void allCookies(std::function<void(std::vector<Cookie>)> done) override {
    cookieReads.push_back(std::move(done));
  }
  void setCookie(const Cookie& c) override { cookieWrites.push_back(c); }
  void deliverCookies() {
    for (auto& read : std::exchange(cookieReads, {})) read(cookies);
  }

  void open(const std::string& url) override { opened.push_back(url); }
  std::optional<std::string> string(const std::string& key) override {
    auto it = settings.find(key);
    return it == settings.end() ? std::nullopt : std::optional(it->second);
  }
  void setString(const std::string& key, const std::string& v) override { settings[key] = v; }
  Instant now() override { return time; }
  // The fake's time zone is UTC; 1970-01-01 was a Thursday.
  LocalTime local(Instant at) override {
    auto minutes = static_cast<long long>(at) / 60;
    return {static_cast<int>((minutes / kMinutesPerDay + 3) % 7),
            static_cast<int>(minutes % kMinutesPerDay)};
  }
  void send(const HttpRequest& r, std::function<void(HttpResponse)> done) override {
    if (refuses) throw std::runtime_error("refused");
    sent.push_back({r, std::move(done)});
  }
  void debug(std::string_view module, const std::string& line) override {
    debugLines.push_back(std::string(module) + ": " + line);
  }

  // The dialogs are the end-to-end suite's, on the real ones.
  void alert(Window&, const std::string&, std::function<void()>) override {}
  void confirm(Window&, const std::string&, std::function<void(bool)>) override {}
  void openFiles(Window&, bool,
                 std::function<void(std::optional<std::vector<std::string>>)>) override {}

  void post(std::function<void()> task) override { tasks.push_back(std::move(task)); }
  void runAll() {
    for (; !tasks.empty(); tasks.pop_front()) tasks.front()();
  }

  // A timer is due at `time` plus its delay; `advance` moves the time on,
  // running each timer when its moment comes, in order.
  struct Timer : Observation {
    Timer(Rig& r, Instant d, std::function<void()> t) : rig(r), due(d), task(std::move(t)) {
      rig.timers.push_back(this);
    }
    ~Timer() override { std::erase(rig.timers, this); }
    Rig& rig;
    Instant due;
    std::function<void()> task;
  };
  std::unique_ptr<Observation> after(double seconds, std::function<void()> task) override {
    return std::make_unique<Timer>(*this, time + seconds, std::move(task));
  }
  void advance(double seconds) {
    const Instant end = time + seconds;
    for (;;) {
      auto next = std::min_element(timers.begin(), timers.end(),
                                   [](auto* a, auto* b) { return a->due < b->due; });
      if (next == timers.end() || (*next)->due > end) break;
      time = (*next)->due;
      auto task = (*next)->task;
      std::erase(timers, *next);  // fired: dropping the handle now changes nothing
      task();
    }
    time = end;
  }
  std::unique_ptr<Observation> observeNetworkBack(std::function<void()> back) override {
    networkBack = std::move(back);
    return nullptr;
  }

  std::optional<ProcessUse> use(int pid) override {
    auto it = processUse.find(pid);
    return it == processUse.end() ? std::nullopt : std::optional(it->second);
  }

  Host host() {
    return {*this, *this, *this, *this, *this, *this, *this, *this, *this, *this, *this};
  }
  // `config` may be changed before.
  Delegate& launch() {
    delegate = std::make_unique<Delegate>(host(), config);
    delegate->applicationDidFinishLaunching();
    return *delegate;
  }
  void post(const std::string& json) { delegate->scriptMessage(nlohmann::json::parse(json)); }
  FakeWebView& mainView() { return static_cast<FakeWebView&>(*delegate->mainWebView()); }
  FakeWebView& web(const std::string& slot) { return fake(delegate->panesWeb().at(slot)); }
  FakeWebView& video(const std::string& slot) { return fake(delegate->panesVideo().at(slot)); }
  FakeWebView& site(const std::string& key) { return fake(delegate->sitesWeb().at(key)); }
  static FakeWebView& fake(const std::unique_ptr<WebView>& v) {
    return static_cast<FakeWebView&>(*v);
  }
  // What the local page is told: a fetch reply, a notice.
  static std::string reply(const std::string& id, const std::string& data,
                           const std::string& error) {
    return FakeWebView::told(replyCalls("/res/web/index.html", id, data, error).at(0));
  }
  static std::string notice(const std::string& name, const std::string& jsonValue = "") {
    return FakeWebView::told(noticeCall("/res/web/index.html", name, jsonValue));
  }
  std::vector<std::string>& replies() { return mainView().scripts; }

  std::vector<FakeWebView*> views;
  std::map<int, ProcessUse> processUse;
  std::vector<FakeWindow*> windows;
  int activations = 0;
  std::pair<std::vector<std::string>, std::vector<std::string>> notificationOrigins;
  std::vector<Menu> menus;
  std::function<void(const std::string&)> runMenu;
  std::map<std::string, bool> checkedItems;
  std::string downloads = "/tmp";
  std::vector<Cookie> cookies, cookieWrites;
  std::vector<std::function<void(std::vector<Cookie>)>> cookieReads;
  std::vector<std::string> opened, debugLines, notified;
  std::map<std::string, std::string> settings;
  Instant time = 1'800'000'000;
  struct Sent {
    HttpRequest request;
    std::function<void(HttpResponse)> done;
  };
  std::vector<Sent> sent;
  bool refuses = false;  // the HTTP client throws instead of sending
  std::deque<std::function<void()>> tasks;
  std::vector<Timer*> timers;
  std::function<void()> networkBack;
  Config config = Config::standard("/home/u");
  std::unique_ptr<Delegate> delegate;
};

}  // namespace qv::fake
