#include "panes/panes.h"

#include "util/engine_url.h"

namespace qv {

std::string paneKey(const std::string& tipo, const std::string& id, const std::string& hls) {
  return tipo + id + hls;
}

std::optional<BrowserUrl> webStartAddress(const std::optional<std::string>& stored,
                                          const std::string& requested) {
  auto asked = browserUrl(requested, {"http", "https"});
  if (!asked || !stored) return asked;
  auto kept = browserUrl(*stored, {"http", "https"});
  return kept && kept->host == asked->host ? kept : asked;
}

bool remembersChannel(const std::optional<std::string>& shown, std::string_view startHost) {
  if (!shown || shown->find("/channels/") == std::string::npos) return false;
  auto parts = readEngineUrl(*shown);
  return parts && (parts->scheme == "https" || parts->scheme == "http") && parts->host == startHost;
}

}  // namespace qv
