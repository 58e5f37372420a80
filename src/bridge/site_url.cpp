#include "bridge/site_url.h"

namespace qv {
namespace {

constexpr std::string_view kWebPrefix = "qv-web://";
constexpr std::string_view kExnessPrefix = "qv-exness://";

}  // namespace

std::optional<SiteTarget> splitSiteUrl(std::string_view url) {
  std::string rest;
  if (url.starts_with(kWebPrefix)) {
    rest = url.substr(kWebPrefix.size());
  } else if (url.starts_with(kExnessPrefix)) {
    rest = "exness/" + std::string(url.substr(kExnessPrefix.size()));
  } else {
    return std::nullopt;
  }
  // The key is the first run of characters other than "/"; the path is what
  // follows that run, so slashes before the key never eat into the path.
  auto start = rest.find_first_not_of('/');
  if (start == std::string::npos) return SiteTarget{"", ""};
  auto end = rest.find('/', start);
  if (end == std::string::npos) end = rest.size();
  return SiteTarget{rest.substr(start, end - start), rest.substr(end)};
}

}  // namespace qv
