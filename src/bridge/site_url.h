// Turns a site-route URL into the site it names and the path to fetch there.
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

}  // namespace qv
