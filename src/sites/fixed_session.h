// Rules of the fixed session: which cookies of a site are made to outlive
// the process, and how often that is tried.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/values.h"

namespace qv {

// Seconds between two passes over the same site's cookies.
inline constexpr double kPassInterval = 600;
// Lifetime given to a session cookie when it is made persistent (30 days).
inline constexpr double kPersistentLifetime = 2'592'000;

// The last two dot-separated labels of `host` (empty labels dropped).
std::string baseDomain(std::string_view host);

// Whether a pass may run now, given when the last one started. A clock set
// back before `last` waits until it reaches the interval again.
bool passDue(std::optional<Instant> last, Instant now);

// The persistent replacement of `cookie`, or nothing when it is not a session
// cookie of `base` (a plain suffix test on its domain; an empty base matches
// nothing).
std::optional<Cookie> persistentCopy(const Cookie& cookie, std::string_view base, Instant now);

}  // namespace qv
