// A WebKitWebView behind the core's WebView interface.
#pragma once

#include <webkit/webkit.h>

#include <optional>
#include <string>

#include "host/gtk/engine.h"
#include "host/gtk/gobject_ptr.h"
#include "host/gtk/signal.h"
#include "host/platform.h"

namespace qv::gtk {

class PaneLayer;

// A script for every document the content manager's views load, at its start;
// in the page's own world when `world` is null.
void addUserScript(WebKitUserContentManager* content, const char* source,
                   WebKitUserContentInjectedFrames frames, const char* world);

class GtkWebView final : public WebView {
 public:
  GtkWebView(Engine& engine, const WebViewConfig& config);
  ~GtkWebView() override;

  static GtkWebView* from(WebKitWebView* view);
  WebKitWebView* widget() const { return view_.get(); }
  WebViewPolicy* policy() const { return config_.policy; }
  const Rect& frame() const { return frame_; }
  void placeIn(PaneLayer* layer) { layer_ = layer; }

  void loadRequest(const std::string& url) override;
  void loadHtml(const std::string& html, const std::optional<std::string>& baseUrl) override;
  void loadFile(const std::string& path) override;
  void reload() override;
  void evaluateScript(const std::string& script) override;
  void callAsyncFunction(const std::string& body, const Args& args,
                         std::function<void(std::optional<std::string>)> done) override;
  std::optional<std::string> url() const override;
  std::optional<std::string> documentUrl() const override { return documentUrl_; }
  std::uint64_t documentNumber() const override { return documentNumber_; }
  bool isLoading() const override;
  std::unique_ptr<Observation> observeUrl(std::function<void()> changed) override;
  std::unique_ptr<Observation> observeContent(std::function<void(ContentEvent)> event) override;
  void endContent() override;
  bool playsAudio() const override;
  bool capturesMedia() const override;
  std::optional<int> contentProcess() const override;
  std::unique_ptr<Observation> observeLoaded(std::function<void()> finished) override;
  bool showsLoadError() const override { return showsLoadError_; }
  void setFrame(const Rect& frame) override;
  void setHidden(bool hidden) override;
  bool visible() const override;
  void setMuted(bool muted) override;

 private:
  void governBy(WebViewPolicy& policy, DesktopNotifications& notifications);
  void answerWithEngineDefaults();
  void connectBridge(ScriptMessageHandler& bridge, const std::string& page,
                     WebKitUserContentManager* content);
  void reportLinkClicks(WebKitUserContentManager* content);
  void reportPageWindows(WebKitUserContentManager* content);
  void countPresses();
  void armStartPageTimeout();
  void askContentProcess();

  WebViewConfig config_;
  GObjectPtr<WebKitWebView> view_;
  PaneLayer* layer_ = nullptr;
  Rect frame_;
  // The last link click in the page, reported just before the engine asks
  // about the navigation it starts.
  struct LinkClick {
    std::string href;
    bool download = false;
    bool topFrame = false;
    bool trusted = false;  // the user's, not a script's
  };
  // Spends the user's press when it stands behind the request.
  Requester requesterOf(WebKitNavigationAction* action, const LinkClick* click, bool topFrame);
  std::optional<LinkClick> lastClick_;
  std::optional<std::string> documentUrl_;
  std::uint64_t documentNumber_ = 0;
  // The click behind the new window the engine is about to ask for.
  std::optional<LinkClick> windowClick_;
  // The last window the view's own document asked for, as the engine writes it.
  std::optional<std::string> pageWindow_;
  bool unspentPress_ = false;
  // The engine's page for a failed load is on its way, or on show.
  bool errorPagePending_ = false, showsLoadError_ = false;
  SourceHandle startPageTimer_;
  // Shared with the question in flight, which may outlive the view. What
  // the process said of itself is looked up among this machine's processes
  // only when someone asks, not at every new document.
  struct ContentProcess {
    std::optional<std::pair<int, std::string>> said;  // its id and PID namespace
    std::optional<std::optional<int>> found;          // the id here, once looked up
    std::uint64_t document = 0;                       // the one it was asked for
    void forget() {
      said.reset();
      found.reset();
    }
  };
  std::shared_ptr<ContentProcess> process_ = std::make_shared<ContentProcess>();
  // Last: the handlers go before anything they use.
  Connections connections_;
};

}  // namespace qv::gtk
