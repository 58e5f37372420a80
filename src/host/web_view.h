// A web view as the core sees it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/values.h"

namespace qv {

// Keeps a registration alive; dropping it ends the registration.
class Observation {
 public:
  virtual ~Observation() = default;
};

class WebView {
 public:
  virtual ~WebView() = default;

  // A start-page request: protocol cache policy, 60 s to commit.
  virtual void loadRequest(const std::string& url) = 0;
  // Empty html with no base unloads the page.
  virtual void loadHtml(const std::string& html, const std::optional<std::string>& baseUrl) = 0;
  virtual void loadFile(const std::string& path) = 0;
  virtual void reload() = 0;
  // Fire and forget: result and errors are ignored.
  virtual void evaluateScript(const std::string& script) = 0;
  // Runs `body` as an async function in the page world with the named
  // string arguments, each UTF-8 without NUL (a call with another is not
  // made). `done`, when given, gets the string result, or nothing when the
  // call failed or did not return a string. Called once, main thread.
  using Args = std::vector<std::pair<std::string, std::string>>;
  virtual void callAsyncFunction(const std::string& body, const Args& args,
                                 std::function<void(std::optional<std::string>)> done) = 0;

  // The address the view is on or going to, as soon as a load starts.
  virtual std::optional<std::string> url() const = 0;
  // The document on show until the next one commits: its address (moves
  // within it included) and a number that changes with every new document.
  virtual std::optional<std::string> documentUrl() const = 0;
  virtual std::uint64_t documentNumber() const = 0;
  virtual bool isLoading() const = 0;
  // New values only: no call for the current URL.
  virtual std::unique_ptr<Observation> observeUrl(std::function<void()> changed) = 0;

  // The view's web process: what happens to it, giving it back (the view is
  // blank until its next load), and what it is doing that must not be cut.
  virtual std::unique_ptr<Observation> observeContent(std::function<void(ContentEvent)> event) = 0;
  virtual void endContent() = 0;
  virtual bool playsAudio() const = 0;
  virtual bool capturesMedia() const = 0;
  // The system's id of the web process showing the current document, once
  // that process said which it is; nothing while none does.
  virtual std::optional<int> contentProcess() const = 0;
  // Each load that ends, fetched or not.
  virtual std::unique_ptr<Observation> observeLoaded(std::function<void()> finished) = 0;
  // Whether it shows the page that says its own could not be fetched.
  virtual bool showsLoadError() const = 0;

  // Placement inside the main window's pane layer.
  virtual void setFrame(const Rect& frame) = 0;
  virtual void setHidden(bool hidden) = 0;
  virtual bool visible() const = 0;
  // Silences the whole page in the engine, whatever its own elements ask.
  virtual void setMuted(bool muted) = 0;
};

}  // namespace qv
