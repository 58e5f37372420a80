#include "sites/sites.h"

#include <cctype>

#include "util/engine_url.h"

namespace qv {

bool restsOnHost(const std::optional<std::string>& url, const std::string& host) {
  if (!url) return false;
  auto parts = readEngineUrl(*url);
  return parts && parts->host == host;
}

std::string siteWindowTitle(std::string_view key) {
  std::string title;
  bool wordStart = true;
  for (char c : key) {
    auto u = static_cast<unsigned char>(c);
    title += static_cast<char>(wordStart ? std::toupper(u) : std::tolower(u));
    wordStart = std::isspace(u) != 0;
  }
  return title + " · inicia sesión una vez";
}

}  // namespace qv
