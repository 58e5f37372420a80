#include "sites/site_title.h"

#include <cctype>

namespace qv {

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
