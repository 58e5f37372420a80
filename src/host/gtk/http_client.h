// The network route's transport over libsoup 3 on a thread of its own: one
// cookie jar in memory, no cache. The main thread only hands requests over;
// bodies are read and turned into Base64 on the network thread as they
// arrive, and answers go out on worker threads, so the main loop never
// waits on the network nor touches a body.
#pragma once

#include <memory>

#include "host/gtk/gobject_ptr.h"
#include "host/platform.h"

namespace qv::gtk {

struct NetworkThread;

class SoupHttpClient final : public HttpClient {
 public:
  SoupHttpClient();
  // Answers already received are delivered before it returns; requests
  // still on the wire are cancelled and never answered.
  ~SoupHttpClient() override;
  SoupHttpClient(const SoupHttpClient&) = delete;
  SoupHttpClient& operator=(const SoupHttpClient&) = delete;

  // From any thread. Only http and https URLs with a host are sent; anything
  // else is answered with the transport error "URL no admitida". The body of
  // the answer comes as Base64.
  void send(const HttpRequest& request, std::function<void(HttpResponse)> done) override;

 private:
  // Outlives the network thread, which hands it the answers.
  ThreadPoolPtr workers_;
  std::unique_ptr<NetworkThread> network_;
};

}  // namespace qv::gtk
