// The shared persistent cookie jar of the web views, as plain cookies.
#pragma once

#include <webkit/webkit.h>

#include "host/platform.h"

namespace qv::gtk {

class WebKitCookieStore final : public CookieStore {
 public:
  explicit WebKitCookieStore(WebKitCookieManager* manager) : manager_(manager) {}
  void allCookies(std::function<void(std::vector<Cookie>)> done) override;
  void setCookie(const Cookie& cookie) override;

 private:
  WebKitCookieManager* manager_;  // owned by the network session
};

}  // namespace qv::gtk
