// Whether a site web view rests on a page of its site.
#pragma once

#include <optional>
#include <string>

namespace qv {

// True when the engine URL `url` has exactly the host `host`.
bool restsOnHost(const std::optional<std::string>& url, const std::string& host);

}  // namespace qv
