// The web engine state every view shares: one persistent network session
// (cookies kept on disk), the user agents, where downloads go, and the
// desktop notifications.
#pragma once

#include <webkit/webkit.h>

#include <string>

#include "host/gtk/desktop_notifications.h"
#include "host/gtk/gobject_ptr.h"
#include "host/gtk/signal.h"

namespace qv::gtk {

class Engine {
 public:
  Engine(const std::string& dataFolder, const std::string& cacheFolder, bool mockCaptureDevices,
         GDBusConnection* sessionBus);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  WebKitNetworkSession* session() const { return session_.get(); }
  // The engine's own user agent, cut before " Version/" and given Safari's.
  const std::string& safariUserAgent() const { return safariUserAgent_; }
  bool mockCaptureDevices() const { return mockCaptureDevices_; }
  DesktopNotifications& notifications() { return notifications_; }
  // A living video pane's view, whose web process the next video pane joins.
  GObjectPtr<WebKitWebView> videoView();
  void setVideoView(WebKitWebView* view) { g_weak_ref_set(&videoView_, view); }

 private:
  void routeDownloads();

  GObjectPtr<WebKitNetworkSession> session_;
  std::string safariUserAgent_;
  bool mockCaptureDevices_;
  DesktopNotifications notifications_;
  Connection downloadStarted_;
  GWeakRef videoView_;
};

}  // namespace qv::gtk
