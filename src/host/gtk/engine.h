// The web engine state every view shares: one persistent network session
// (cookies kept on disk), the user agents, and where downloads go.
#pragma once

#include <webkit/webkit.h>

#include <string>

#include "host/gtk/gobject_ptr.h"
#include "host/gtk/signal.h"

namespace qv::gtk {

class Engine {
 public:
  Engine(const std::string& dataFolder, const std::string& cacheFolder, bool mockCaptureDevices);

  WebKitNetworkSession* session() const { return session_.get(); }
  // The engine's own user agent, cut before " Version/" and given Safari's.
  const std::string& safariUserAgent() const { return safariUserAgent_; }
  bool mockCaptureDevices() const { return mockCaptureDevices_; }

 private:
  void routeDownloads();

  GObjectPtr<WebKitNetworkSession> session_;
  std::string safariUserAgent_;
  bool mockCaptureDevices_;
  Connection downloadStarted_;
};

}  // namespace qv::gtk
