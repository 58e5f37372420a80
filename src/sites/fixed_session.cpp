#include "sites/fixed_session.h"

#include <vector>

namespace qv {

std::string baseDomain(std::string_view host) {
  std::vector<std::string_view> labels;
  while (!host.empty()) {
    auto dot = host.find('.');
    auto label = host.substr(0, dot);
    if (!label.empty()) labels.push_back(label);
    host = dot == std::string_view::npos ? std::string_view{} : host.substr(dot + 1);
  }
  std::string out;
  for (auto i = labels.size() > 2 ? labels.size() - 2 : 0; i < labels.size(); ++i) {
    if (!out.empty()) out += '.';
    out += labels[i];
  }
  return out;
}

bool passDue(std::optional<Instant> last, Instant now) {
  return !last || now - *last >= kPassInterval;
}

std::optional<Cookie> persistentCopy(const Cookie& cookie, std::string_view base, Instant now) {
  // An empty base would otherwise claim every session cookie in the store.
  if (base.empty() || !std::string_view(cookie.domain).ends_with(base)) return std::nullopt;
  if (cookie.expires) return std::nullopt;
  Cookie copy = cookie;
  copy.expires = now + kPersistentLifetime;
  return copy;
}

}  // namespace qv
