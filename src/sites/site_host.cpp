#include "sites/site_host.h"

#include "util/url.h"

namespace qv {

bool restsOnHost(const std::optional<std::string>& url, const std::string& host) {
  if (!url) return false;
  auto parsed = parseUrl(*url);
  return parsed && parsed->host == host;
}

}  // namespace qv
