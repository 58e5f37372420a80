// The title of a site's log-in window.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// Every word of `key` capitalised, then " · inicia sesión una vez".
std::string siteWindowTitle(std::string_view key);

}  // namespace qv
