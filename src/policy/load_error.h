// The page a web pane or a site window shows when its page cannot be
// fetched. The engine's own error page carries the network process's text,
// which stays in English whatever the locale: this one speaks Spanish.
#pragma once

#include <string>

namespace qv {

enum class LoadFailure { HostNotFound, Refused, TimedOut, Offline, Other };

std::string loadErrorPage(LoadFailure failure, const std::string& url);

}  // namespace qv
