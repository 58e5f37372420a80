// Keeps a site's log-in past the end of the process: its session cookies are
// written back with a 30-day expiry, at most once per interval per site.
#include "app/delegate.h"
#include "sites/fixed_session.h"

namespace qv {

void Delegate::sesionFija(const std::string& key) {
  Instant now = platform.clock.now();
  auto stamp = sFija.find(key);
  if (stamp != sFija.end() && !passDue(stamp->second, now)) return;
  // Stamped before the cookie read, so a call arriving while this pass waits
  // for the list does not start a second one.
  sFija[key] = now;

  auto record = sitios.find(key);
  if (record == sitios.end()) return;
  auto base = baseDomain(record->second.host);
  platform.cookies.allCookies(alive.guard([this, base](std::vector<Cookie> cookies) {
    for (const auto& cookie : cookies)
      if (auto copy = persistentCopy(cookie, base, platform.clock.now()))
        platform.cookies.setCookie(*copy);
  }));
}

}  // namespace qv
