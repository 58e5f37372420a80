#include "bridge/site_reply.h"

#include <nlohmann/json.hpp>

#include "util/base64.h"

namespace qv {

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
