// What the page is told once a fetch inside a site page has settled.
#pragma once

#include <optional>
#include <string>

namespace qv {

struct SiteReply {
  std::string data;   // Base64 of the response text, or empty
  std::string error;  // empty exactly when the fetch succeeded
};

// `result` is the in-page script's value: the JSON text [status, text], or
// nothing when the script failed.
SiteReply siteReply(const std::optional<std::string>& result);

}  // namespace qv
