// Addresses handed to a browser or loaded in a pane, read the way a browser
// reads what is typed or linked (lenient, WHATWG-like) and written back the
// way the engine serializes it: a bar, brackets or a stray "%" in the query
// pass, an IDN host becomes its "xn--" form, spaces and non-ASCII bytes are
// escaped. The strict parser in util/url.h stays the rule for fetches.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

struct BrowserUrl {
  std::string href;    // the serialized address
  std::string scheme;  // lower case
  std::string host;    // lower case, ASCII; empty for mailto:
};

// Only the schemes listed (lower case) are accepted; "mailto" is the one
// without an authority.
std::optional<BrowserUrl> browserUrl(std::string_view text,
                                     std::initializer_list<std::string_view> schemes);

}  // namespace qv
