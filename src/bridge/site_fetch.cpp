#include "bridge/site_fetch.h"

#include <nlohmann/json.hpp>

#include "util/base64.h"

namespace qv {
namespace {

constexpr std::string_view kWebPrefix = "qv-web://";
constexpr std::string_view kExnessPrefix = "qv-exness://";

}  // namespace

bool isSiteUrl(std::string_view url) {
  return url.starts_with(kWebPrefix) || url.starts_with(kExnessPrefix);
}

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

SiteReply siteReply(const std::optional<std::string>& result) {
  const SiteReply noAnswer{"", "sin respuesta"};
  if (!result) return noAnswer;
  auto parsed = nlohmann::json::parse(*result, nullptr, false);
  if (!parsed.is_array() || parsed.empty()) return noAnswer;
  const auto& status = parsed.front();
  const auto& text = parsed.back();
  if (!status.is_number_integer() || !text.is_string()) return noAnswer;

  if (status == 401 || status == 403) return {"", "login"};
  if (status < 200 || status > 299) return {"", "HTTP " + status.dump()};
  return {base64Encode(text.get_ref<const std::string&>()), ""};
}

}  // namespace qv
