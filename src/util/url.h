// The one notion of "parses as a URL" used everywhere: an RFC 3986
// URI-reference, non-empty, with no character outside the URI grammar.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

struct ParsedUrl {
  std::optional<std::string> scheme;  // absent for a relative reference
  std::optional<std::string> host;    // absent when there is none or it is empty
};

std::optional<ParsedUrl> parseUrl(std::string_view text);

}  // namespace qv
