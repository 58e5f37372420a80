#include "util/engine_url.h"

#include <cctype>

#include "util/hex.h"

namespace qv {
namespace {

bool isSchemeChar(char c, bool first) {
  if (std::isalpha(static_cast<unsigned char>(c))) return true;
  return !first &&
         (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.');
}

// The host of an authority: after the last "@" (user info never holds a raw
// one once serialized, and the engine's parser takes the last one too),
// without the port; an IPv6 literal keeps its brackets.
std::string hostOf(std::string_view authority) {
  if (auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  if (authority.starts_with('[')) {
    auto close = authority.find(']');
    return std::string(
        authority.substr(0, close == std::string_view::npos ? authority.size() : close + 1));
  }
  return std::string(authority.substr(0, authority.find(':')));
}

// The decoded path of a file URL on this machine.
std::optional<std::string> localPath(std::string_view url) {
  auto parts = readEngineUrl(url);
  if (!parts || parts->scheme != "file" || !(parts->host.empty() || parts->host == "localhost"))
    return std::nullopt;
  return percentDecoded(parts->path);
}

}  // namespace

std::optional<EngineUrl> readEngineUrl(std::string_view url) {
  auto colon = url.find(':');
  if (colon == 0 || colon == std::string_view::npos) return std::nullopt;
  for (size_t i = 0; i < colon; ++i)
    if (!isSchemeChar(url[i], i == 0)) return std::nullopt;

  EngineUrl parts{std::string(url.substr(0, colon)), "", ""};
  std::string_view rest = url.substr(colon + 1);
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    auto end = rest.find('/');
    parts.host = hostOf(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
  }
  parts.path = std::string(rest);
  return parts;
}

bool showsFile(const std::optional<std::string>& url, std::string_view path) {
  return url && localPath(*url) == path;
}

bool inFolder(std::string_view url, std::string_view folder) {
  auto path = localPath(url);
  if (folder.empty() || !path || !path->starts_with(folder)) return false;
  auto below = path->substr(folder.size()) + "/";
  return below.size() > 2 && below.starts_with('/') && below.find("/./") == std::string::npos &&
         below.find("/../") == std::string::npos;
}

std::optional<std::string> originOf(const std::optional<std::string>& url) {
  if (!url) return std::nullopt;
  auto colon = url->find("://");
  if (colon == std::string::npos || !readEngineUrl(*url)) return std::nullopt;
  std::string_view authority = std::string_view(*url).substr(colon + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  if (authority.empty()) return std::nullopt;
  return url->substr(0, colon + 3) + std::string(authority);
}

}  // namespace qv
