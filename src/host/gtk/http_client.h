// The network route's transport over libsoup 3: one cookie jar in memory, no
// cache, and completions handed to worker threads so that the main loop
// never encodes or copies a body.
#pragma once

#include <libsoup/soup.h>

#include <map>
#include <memory>

#include "host/gtk/gobject_ptr.h"
#include "host/platform.h"

namespace qv::gtk {

class SoupHttpClient final : public HttpClient {
 public:
  SoupHttpClient();
  // Answers already received are delivered before it returns; requests
  // still on the wire are cancelled and never answered.
  ~SoupHttpClient() override;
  SoupHttpClient(const SoupHttpClient&) = delete;
  SoupHttpClient& operator=(const SoupHttpClient&) = delete;

  // Call from the thread whose main context runs libsoup (the main thread).
  // Only http and https URLs with a host are sent; anything else is
  // answered with the transport error "URL no admitida".
  void send(const HttpRequest& request, std::function<void(HttpResponse)> done) override;

 private:
  SoupSession* sessionFor(double timeoutSeconds);

  GObjectPtr<SoupCookieJar> jar_;
  // libsoup keeps the time-out on the session: one session per time-out in
  // use, all sharing the jar. The application only ever uses one.
  std::map<guint, GObjectPtr<SoupSession>> sessions_;
  GObjectPtr<GCancellable> cancellable_;
  // Set when the client goes; a completion arriving after that (they come
  // on the main thread) finds it and hands nothing to the workers.
  std::shared_ptr<bool> closed_ = std::make_shared<bool>(false);
  ThreadPoolPtr workers_;
};

}  // namespace qv::gtk
