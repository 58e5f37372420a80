#include "util/browser_url.h"

#include <algorithm>
#include <vector>

#include "util/hex.h"
#include "util/punycode.h"
#include "util/utf8.h"

namespace qv {
namespace {

bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), lower);
  return out;
}

// What a browser strips before reading: surrounding spaces and controls, and
// any tab or line break inside.
std::string cleaned(std::string_view text) {
  auto edge = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!text.empty() && edge(text.front())) text.remove_prefix(1);
  while (!text.empty() && edge(text.back())) text.remove_suffix(1);
  std::string out;
  for (char c : text)
    if (c != '\t' && c != '\n' && c != '\r') out += c;
  return out;
}

// The characters each part escapes, beyond controls and non-ASCII bytes.
constexpr std::string_view kFragmentSet = " \"<>`";
constexpr std::string_view kQuerySet = " \"#<>'";
constexpr std::string_view kPathSet = " \"#<>?`{}";
constexpr std::string_view kUserinfoSet = " \"#<>?`{}/:;=@[\\]^|";

void appendEscaped(std::string& out, std::string_view part, std::string_view set) {
  for (char c : part) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7f || set.find(c) != std::string_view::npos) {
      out += '%';
      out += "0123456789ABCDEF"[byte >> 4];
      out += "0123456789ABCDEF"[byte & 0xf];
    } else {
      out += c;
    }
  }
}

// One label in ASCII: lower case, or "xn--" and its Punycode.
std::optional<std::string> asciiLabel(std::string_view label) {
  std::u32string points;
  bool ascii = true;
  for (size_t i = 0; i < label.size();) {
    auto c = utf8At(label, i);
    if (c.length == 0) return std::nullopt;
    points += c.codePoint < 0x80 ? static_cast<char32_t>(lower(static_cast<char>(c.codePoint)))
                                 : c.codePoint;
    ascii = ascii && c.codePoint < 0x80;
    i += c.length;
  }
  if (ascii) return lowered(label);
  auto encoded = punycode(points);
  if (!encoded) return std::nullopt;
  return "xn--" + *encoded;
}

std::optional<std::string> hostOf(std::string_view raw) {
  if (raw.starts_with('[')) {
    if (!raw.ends_with(']') || raw.size() < 3) return std::nullopt;
    for (char c : raw.substr(1, raw.size() - 2))
      if (!isAsciiDigit(c) && !(lower(c) >= 'a' && lower(c) <= 'f') && c != ':' && c != '.')
        return std::nullopt;
    return lowered(raw);
  }
  const std::string decoded = percentDecoded(raw);
  if (decoded.empty() || decoded.size() > 253 * 4) return std::nullopt;
  std::string host;
  size_t start = 0;
  while (true) {
    auto dot = decoded.find('.', start);
    auto label = std::string_view(decoded).substr(start, dot - start);
    for (char c : label)
      if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f ||
          std::string_view("#%/:<>?@[\\]^|").find(c) != std::string_view::npos)
        return std::nullopt;
    auto ascii = asciiLabel(label);
    if (!ascii) return std::nullopt;
    host += *ascii;
    if (dot == std::string::npos) break;
    host += '.';
    start = dot + 1;
  }
  return host;
}

// "." and ".." segments resolved, as a browser does before it sends a path.
std::string withoutDotSegments(std::string_view path) {
  std::vector<std::string_view> segments;
  size_t start = 1;  // past the leading "/"
  while (start <= path.size()) {
    auto slash = path.find('/', start);
    auto segment = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
    const bool last = slash == std::string_view::npos;
    const std::string low = lowered(segment);
    if (segment == "." || low == "%2e") {
      if (last) segments.push_back("");
    } else if (segment == ".." || low == ".%2e" || low == "%2e." || low == "%2e%2e") {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.push_back("");
    } else {
      segments.push_back(segment);
    }
    if (last) break;
    start = slash + 1;
  }
  std::string out;
  for (auto segment : segments) {
    out += '/';
    out += segment;
  }
  return out.empty() ? "/" : out;
}

std::optional<BrowserUrl> webUrl(std::string scheme, std::string_view rest) {
  std::string unified(rest);
  std::replace(unified.begin(), unified.end(), '\\', '/');
  std::string_view r = unified;
  while (r.starts_with('/')) r.remove_prefix(1);

  auto authorityEnd = r.find_first_of("/?#");
  std::string_view authority = r.substr(0, authorityEnd);
  r = authorityEnd == std::string_view::npos ? std::string_view() : r.substr(authorityEnd);

  std::string userinfo;
  if (auto at = authority.rfind('@'); at != std::string_view::npos) {
    appendEscaped(userinfo, authority.substr(0, at), kUserinfoSet);
    userinfo += '@';
    authority.remove_prefix(at + 1);
  }
  std::string_view port;
  auto bracket = authority.rfind(']');
  if (auto colon = authority.rfind(':');
      colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    port = authority.substr(colon + 1);
    authority = authority.substr(0, colon);
  }
  auto host = hostOf(authority);
  if (!host) return std::nullopt;
  if (!std::all_of(port.begin(), port.end(), isAsciiDigit) || port.size() > 5) return std::nullopt;
  while (port.size() > 1 && port.front() == '0') port.remove_prefix(1);
  if (!port.empty() && std::stoul(std::string(port)) > 65535) return std::nullopt;
  const bool defaultPort =
      (scheme == "http" && port == "80") || (scheme == "https" && port == "443");

  std::string_view fragment, query;
  bool hasFragment = false, hasQuery = false;
  if (auto hash = r.find('#'); hash != std::string_view::npos) {
    fragment = r.substr(hash + 1);
    r = r.substr(0, hash);
    hasFragment = true;
  }
  if (auto mark = r.find('?'); mark != std::string_view::npos) {
    query = r.substr(mark + 1);
    r = r.substr(0, mark);
    hasQuery = true;
  }
  std::string path;
  appendEscaped(path, r.empty() ? "/" : r, kPathSet);

  BrowserUrl url{scheme + "://" + userinfo + *host, scheme, *host};
  if (!port.empty() && !defaultPort) url.href += ":" + std::string(port);
  url.href += withoutDotSegments(path);
  if (hasQuery) appendEscaped(url.href += '?', query, kQuerySet);
  if (hasFragment) appendEscaped(url.href += '#', fragment, kFragmentSet);
  return url;
}

}  // namespace

std::optional<BrowserUrl> browserUrl(std::string_view text,
                                     std::initializer_list<std::string_view> schemes) {
  const std::string clean = cleaned(text);
  auto colon = clean.find(':');
  if (colon == 0 || colon == std::string::npos || !isAsciiAlpha(clean[0])) return std::nullopt;
  std::string scheme = lowered(std::string_view(clean).substr(0, colon));
  if (std::find(schemes.begin(), schemes.end(), scheme) == schemes.end()) return std::nullopt;
  std::string_view rest = std::string_view(clean).substr(colon + 1);
  if (scheme == "http" || scheme == "https") return webUrl(std::move(scheme), rest);
  if (scheme != "mailto" || rest.empty()) return std::nullopt;
  BrowserUrl url{scheme + ":", scheme, ""};
  auto hash = rest.find('#');
  appendEscaped(url.href, rest.substr(0, hash), "");
  if (hash != std::string_view::npos)
    appendEscaped(url.href += '#', rest.substr(hash + 1), kFragmentSet);
  return url;
}

}  // namespace qv
