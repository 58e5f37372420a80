#include "util/url.h"

#include <cctype>

namespace qv {
namespace {

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool isAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool isUnreserved(char c) {
  return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

bool isSubDelim(char c) {
  switch (c) {
    case '!':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ';':
    case '=':
      return true;
    default:
      return false;
  }
}

// Every character is one the grammar allows somewhere, and every "%" starts
// a complete escape.
bool onlyUriCharacters(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '%') {
      if (i + 2 >= s.size() || !isHex(s[i + 1]) || !isHex(s[i + 2])) return false;
      i += 2;
      continue;
    }
    if (isUnreserved(c) || isSubDelim(c)) continue;
    switch (c) {
      case ':':
      case '/':
      case '?':
      case '#':
      case '[':
      case ']':
      case '@':
        continue;
      default:
        return false;
    }
  }
  return true;
}

bool validScheme(std::string_view s) {
  if (s.empty() || !isAlpha(s[0])) return false;
  for (char c : s)
    if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return false;
  return true;
}

bool noBrackets(std::string_view s) { return s.find_first_of("[]") == std::string_view::npos; }

// authority = [ userinfo "@" ] host [ ":" port ]; returns the host.
std::optional<std::string> authorityHost(std::string_view a, bool& ok) {
  ok = true;
  if (auto at = a.rfind('@'); at != std::string_view::npos) {
    std::string_view user = a.substr(0, at);
    if (!noBrackets(user) || user.find('@') != std::string_view::npos)
      return ok = false, std::nullopt;
    a.remove_prefix(at + 1);
  }
  std::string_view host;
  std::string_view rest;
  if (!a.empty() && a[0] == '[') {
    auto close = a.find(']');
    if (close == std::string_view::npos) return ok = false, std::nullopt;
    host = a.substr(1, close - 1);
    rest = a.substr(close + 1);
    if (host.empty() || !noBrackets(host)) return ok = false, std::nullopt;
  } else {
    auto colon = a.find(':');
    host = a.substr(0, colon);
    rest = colon == std::string_view::npos ? std::string_view{} : a.substr(colon);
    if (!noBrackets(host)) return ok = false, std::nullopt;
  }
  if (!rest.empty()) {
    if (rest[0] != ':') return ok = false, std::nullopt;
    for (char c : rest.substr(1))
      if (!isDigit(c)) return ok = false, std::nullopt;
  }
  if (host.empty()) return std::nullopt;
  return std::string(host);
}

}  // namespace

std::optional<ParsedUrl> parseUrl(std::string_view text) {
  if (text.empty() || !onlyUriCharacters(text)) return std::nullopt;
  ParsedUrl out;
  std::string_view rest = text;

  // A ":" before any "/", "?" or "#" ends a scheme, which must then be valid.
  auto colon = rest.find(':');
  auto delim = rest.find_first_of("/?#");
  if (colon != std::string_view::npos && (delim == std::string_view::npos || colon < delim)) {
    std::string_view scheme = rest.substr(0, colon);
    if (!validScheme(scheme)) return std::nullopt;
    out.scheme = std::string(scheme);
    rest.remove_prefix(colon + 1);
  }

  std::string_view fragment;
  if (auto hash = rest.find('#'); hash != std::string_view::npos) {
    fragment = rest.substr(hash + 1);
    rest = rest.substr(0, hash);
    if (fragment.find('#') != std::string_view::npos || !noBrackets(fragment)) return std::nullopt;
  }

  if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
    auto end = rest.find_first_of("/?");
    bool ok = true;
    out.host = authorityHost(rest.substr(0, end), ok);
    if (!ok) return std::nullopt;
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
  }
  // Path and query may not hold brackets.
  if (!noBrackets(rest)) return std::nullopt;
  return out;
}

}  // namespace qv
