// What the engine asks of the one who governs a web view. Only the main web
// view and the web panes have one; every question is answered once.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/values.h"

namespace qv {

class WebView;

class WebViewPolicy {
 public:
  virtual ~WebViewPolicy() = default;

  virtual NavigationDecision decideNavigation(WebView& view, const NavigationAction& action) = 0;
  // The engine never gets a new web view back.
  virtual void newWindowRequested(WebView& view, const std::optional<std::string>& url,
                                  const Requester& requester) = 0;
  virtual bool grantsMediaCapture() = 0;
  // Asked when the page requests the permission and again for every
  // notification it raises; a refused one never reaches the desktop.
  virtual bool grantsNotifications(WebView& view) = 0;
  // For each granted one: whether it goes to the desktop now. One held back
  // is the governor's to count.
  virtual bool deliversNotification(WebView& view) = 0;
  virtual void notificationClicked(WebView& view) = 0;

  virtual void alert(const std::string& message, std::function<void()> done) = 0;
  virtual void confirm(const std::string& message, std::function<void(bool)> done) = 0;
  // No list means cancelled.
  virtual void chooseFiles(bool multiple,
                           std::function<void(std::optional<std::vector<std::string>>)> done) = 0;

  // Absolute path the download is written to.
  virtual std::string downloadDestination(const std::string& suggestedName) = 0;
  virtual void downloadFinished() = 0;
};

}  // namespace qv
