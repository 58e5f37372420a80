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
  c.mt5Prefixes = {
      homeFolder + "/.mt5",
      homeFolder + "/.wine",
      homeFolder + "/.var/app/com.usebottles.bottles/data/bottles/bottles/*",  // Bottles, Flatpak
      homeFolder + "/.local/share/bottles/bottles/*",                          // Bottles
      homeFolder + "/Games/*",                                                 // Lutris
      homeFolder + "/.PlayOnLinux/wineprefix/*",
      homeFolder + "/.cxoffice/*",  // CrossOver
  };
  return c;
}

}  // namespace qv
