// The site windows' pure rules: whether a site web view rests on its site,
// and the title of the window that shows it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// True when the engine URL `url` has exactly the host `host`.
bool restsOnHost(const std::optional<std::string>& url, const std::string& host);

// Every word of `key` capitalised, then " · inicia sesión una vez".
std::string siteWindowTitle(std::string_view key);

}  // namespace qv
