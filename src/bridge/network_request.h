// The network route's two pure halves: the request a "fetch" body asks for,
// and the (data, error) texts its outcome is answered with.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "app/config.h"
#include "host/values.h"

namespace qv {

// `url` must be one that parses. Keys of the wrong kind count as absent; a
// "headers" object with any non-string value counts as absent as a whole.
HttpRequest networkRequest(const std::string& url, const nlohmann::json& body,
                           const Config& config);

struct ReplyTexts {
  std::string data;   // Base64 of the body, or empty
  std::string error;  // empty on success
};

// Only a 2xx answer with a body passes its body on; the error is the
// transport's text, else "HTTP <status>", with "HTTP 0" read as no answer.
ReplyTexts networkReply(HttpResponse response);

}  // namespace qv
