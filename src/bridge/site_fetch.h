// The site route's two pure halves: the site and path a site-route URL names,
// and what the page is told once the fetch inside the site page has settled.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

struct SiteTarget {
  std::string key;   // empty when the URL names no site
  std::string path;  // query and fragment included; may be empty
};

// "qv-web://" + key + path, or "qv-exness://" + rest (the site "exness" and
// "/" + rest). Nothing for a URL with neither prefix.
std::optional<SiteTarget> splitSiteUrl(std::string_view url);
// Whether `url` has one of those two prefixes.
bool isSiteUrl(std::string_view url);

struct SiteReply {
  std::string data;   // Base64 of the response text, or empty
  std::string error;  // empty exactly when the fetch succeeded
};

// `result` is the in-page script's value: the JSON text [status, text], or
// nothing when the script failed.
SiteReply siteReply(const std::optional<std::string>& result);

}  // namespace qv
