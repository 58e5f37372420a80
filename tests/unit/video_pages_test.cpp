// The three video pages: the player a tipo picks, and values from the page
// encoded for the attribute or script string they are put in.
#include "panes/video_pages.h"

#include <gtest/gtest.h>

#include <string>

#include "app/config.h"
#include "util/encode.h"

namespace qv {
namespace {

const std::string kHls = "https://cdn.example.net/live/a_b-1.m3u8?tok=Ab%3D9:x";
const std::string kKickBase = "https://player.kick.com/";
const std::string kApi = "https://www.youtube.com/iframe_api";

bool has(const std::string& page, const std::string& part) {
  return page.find(part) != std::string::npos;
}

// Any level but 0 asks the Kick player for sound; the other players take
// the level through setVol, which the end-to-end suite hears.
TEST(VideoPagesTest, OnlyTheExactTipoKickPlaysKickMutedOnlyAtLevelZero) {
  const Config config = Config::standard("/home/u");
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"kick", "https://h/x.m3u8", hlsPage("https://h/x.m3u8", 20)},
      {"kick", "", kickPage(config.kickPlayerBase, "chan", 20)},
      {"KICK", "https://h/x.m3u8", youTubePage(config.youTubeApiScript, "chan", 20)},
      {"", "", youTubePage(config.youTubeApiScript, "chan", 20)},
  };
  for (const auto& [tipo, hls, page] : cases)
    EXPECT_EQ(videoPage(config, tipo, "chan", hls, 20), page)
        << "tipo '" << tipo << "' hls '" << hls << "'";
  for (int vol : {0, 30, -1})
    EXPECT_EQ(has(kickPage(kKickBase, "c", vol), "?autoplay=true&muted=true\""), vol == 0) << vol;
}

// A value from the page lands exactly where the ordinary one did, through the
// encoder for that spot (whose escapes encode_test pins): nothing else of the
// page changes.
TEST(VideoPagesTest, EachValueIsEncodedForWhereItLands) {
  const auto replaced = [](std::string page, const std::string& from, const std::string& to) {
    return page.replace(page.find(from), from.size(), to);
  };
  for (const std::string v : {"\"><script>alert(1)</script>", "\\';alert(1);//\n",
                              "</script><!--<script>", "\xE2\x80\xA8x' onerror='x()", ""}) {
    std::string attribute, script, kickScript;
    appendHtmlAttribute(attribute, v);
    appendJsEscaped(script, v);
    appendJsEscaped(kickScript, kKickBase + v);
    EXPECT_EQ(hlsPage(v, 35), replaced(hlsPage(kHls, 35), kHls, attribute)) << v;
    const std::string player = kKickBase + "chan";
    EXPECT_EQ(kickPage(kKickBase, v, 0),
              replaced(replaced(kickPage(kKickBase, "chan", 0), player, kKickBase + attribute),
                       player, kickScript))
        << v;
    EXPECT_EQ(youTubePage(kApi, v, -7),
              replaced(youTubePage(kApi, "dQw4w9WgXcQ", -7), "dQw4w9WgXcQ", script))
        << v;
  }
}

}  // namespace
}  // namespace qv
