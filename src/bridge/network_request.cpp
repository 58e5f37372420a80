#include "bridge/network_request.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "bridge/args.h"
#include "util/base64.h"
#include "util/url.h"

namespace qv {
namespace {

bool sameFieldName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// HTTP field names are case-insensitive: a field set again under another
// spelling replaces the earlier one instead of being sent twice.
void setHeader(HttpRequest& request, const std::string& name, const std::string& value) {
  std::erase_if(request.headers,
                [&](const auto& field) { return sameFieldName(field.first, name); });
  request.headers[name] = value;
}

bool allStringValues(const nlohmann::json& object) {
  return std::ranges::all_of(object, [](const nlohmann::json& v) { return v.is_string(); });
}

}  // namespace

HttpRequest networkRequest(const std::string& url, const nlohmann::json& body,
                           const Config& config) {
  HttpRequest request;
  request.url = url;

  const auto parsed = parseUrl(url);
  const std::string host = parsed && parsed->host ? *parsed->host : "";
  const bool shortAgent = host.find(config.shortUserAgentHostFragment) != std::string::npos;
  setHeader(request, "User-Agent", shortAgent ? kUserAgentShort : kUserAgentSafari);

  if (auto headers = body.find("headers");
      headers != body.end() && headers->is_object() && allStringValues(*headers)) {
    for (const auto& [name, value] : headers->items()) setHeader(request, name, value);
  }
  if (auto method = args::string(body, "method"); method && !method->empty()) {
    request.method = *method;
  }
  request.body = args::string(body, "body");
  if (auto b64 = args::string(body, "bodyB64")) {
    if (auto bytes = base64Decode(*b64)) request.body = std::move(bytes);
  }
  return request;
}

ReplyTexts networkReply(HttpResponse response) {
  ReplyTexts out;
  const bool success = response.status >= 200 && response.status <= 299;
  if (success && response.bodyBase64) out.data = std::move(*response.bodyBase64);

  if (response.error) {
    out.error = *response.error;
  } else if (out.data.empty()) {
    out.error = "HTTP " + std::to_string(response.status);
  }
  std::ranges::replace(out.error, '"', '\'');
  if (out.error == "HTTP 0") out.error = "sin respuesta";
  return out;
}

}  // namespace qv
