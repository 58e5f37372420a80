// Whether a site web view rests on a page of its site.
#pragma once

#include <optional>
#include <string>

namespace qv {

// True when `url` parses and its host equals `host` exactly.
bool restsOnHost(const std::optional<std::string>& url, const std::string& host);

}  // namespace qv
