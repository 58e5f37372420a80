#include "app/config.h"

namespace qv {

Config Config::standard(const std::string& homeFolder) {
  Config c;
  c.chatAppURL = "https://discord.com/app";
  c.sitios = {
      {"exness", {"https://my.exness.com/pa/trading/accounts", "my.exness.com"}},
      {"tradeify", {"https://app.tradeify.co/", "app.tradeify.co"}},
  };
  c.kickPlayerBase = "https://player.kick.com/";
  c.youTubeApiScript = "https://www.youtube.com/iframe_api";
  c.videoBaseURL = "https://quorvex.app/";
  c.shortUserAgentHostFragment = "faireconomy";
  c.paneNewWindowHostFragment = "discord";
  c.mt5UsersFolders = {homeFolder + "/.mt5/drive_c/users/", homeFolder + "/.wine/drive_c/users/"};
  return c;
}

}  // namespace qv
