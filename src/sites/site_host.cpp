#include "sites/site_host.h"

#include "util/engine_url.h"

namespace qv {

bool restsOnHost(const std::optional<std::string>& url, const std::string& host) {
  if (!url) return false;
  auto parts = readEngineUrl(*url);
  return parts && parts->host == host;
}

}  // namespace qv
