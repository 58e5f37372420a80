// URLs as the web engine reports them: already parsed and serialized by the
// engine's own (WHATWG) parser, so brackets, bars, stray "%" and a second "#"
// are ordinary characters here. Only split, never judged; the strict parser
// in util/url.h is for the strings the page sends.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

struct EngineUrl {
  std::string scheme;
  std::string host;  // empty when the URL has no authority; IPv6 keeps its brackets
  std::string path;  // still percent-encoded; no query or fragment
};

// Nothing when there is no scheme before the first ":".
std::optional<EngineUrl> readEngineUrl(std::string_view url);

// Whether an engine URL shows the file at `path` (absolute, not encoded),
// with any query or fragment.
bool showsFile(const std::optional<std::string>& url, std::string_view path);

// Whether an engine URL names a file below `folder` (absolute, not encoded,
// no trailing "/"). A "." or ".." segment, even an encoded one, never counts:
// the file system would climb out with it.
bool inFolder(std::string_view url, std::string_view folder);

// "scheme://host[:port]" of a URL with an authority, nothing otherwise: what
// a notification permission belongs to.
std::optional<std::string> originOf(const std::optional<std::string>& url);

}  // namespace qv
