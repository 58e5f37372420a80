// Values the program is built with. The shipped binary always uses
// `Config::standard()`; tests point the outside services at 127.0.0.1.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qv {

struct SiteRecord {
  std::string url;   // start page
  std::string host;  // where the site's pages are served from
};

struct Config {
  std::string chatAppURL;
  std::map<std::string, SiteRecord> sitios;
  std::string kickPlayerBase;
  std::string youTubeApiScript;
  std::string videoBaseURL;
  // A URL whose host holds this fragment is fetched with the short user agent.
  std::string shortUserAgentHostFragment;
  // A new window asked by a web pane for a host holding this stays in the pane.
  std::string paneNewWindowHostFragment;
  // Wine prefixes, scanned in this order for the MT5 status file; "dir/*"
  // stands for every prefix directly inside dir (Bottles, Lutris...).
  std::vector<std::string> mt5Prefixes;

  static Config standard(const std::string& homeFolder);
};

}  // namespace qv
