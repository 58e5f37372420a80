#include "panes/pane_rules.h"

#include "util/url.h"

namespace qv {

std::string paneKey(const std::string& tipo, const std::string& id, const std::string& hls) {
  return tipo + id + hls;
}

std::optional<std::string> webStartAddress(const std::optional<std::string>& stored,
                                           const std::string& requested) {
  if (stored && parseUrl(*stored)) return stored;
  if (parseUrl(requested)) return requested;
  return std::nullopt;
}

}  // namespace qv
