// The three video pages: the value and the volume where the player reads
// them, the player a tipo picks, and values from the page encoded for the
// attribute or script string they are put in.
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

// The HLS page's volume is the end-to-end suite's, where the real video plays.
TEST(VideoPagesTest, TheValueAndTheVolumeLandWhereThePlayerReadsThem) {
  const auto youTube = youTubePage(kApi, "dQw4w9WgXcQ", -7);
  EXPECT_TRUE(has(youTube, "<script src=\"" + kApi + "\"></script>"));
  EXPECT_TRUE(has(youTube, "var pl,vol=-7;") && has(youTube, "{videoId:'dQw4w9WgXcQ',"));
  // Any level but 0 asks the Kick player for sound, in the iframe only.
  for (const auto& [vol, muted] : {std::pair{0, "true"}, {30, "false"}, {-1, "false"}}) {
    const auto kick = kickPage(kKickBase, "xqc_Live-1", vol);
    EXPECT_TRUE(has(kick, "src=\"https://player.kick.com/xqc_Live-1?autoplay=true&muted=" +
                              std::string(muted) + "\""))
        << vol;
    EXPECT_TRUE(
        has(kick, "var s='https://player.kick.com/xqc_Live-1?autoplay=true&muted='+(n==0)"));
  }
}

TEST(VideoPagesTest, OnlyTheExactTipoKickPlaysKick) {
  const Config config = Config::standard("/home/u");
  const auto plays = [&](const std::string& tipo, const std::string& hls) {
    const auto page = videoPage(config, tipo, "chan", hls, 20);
    return has(page, "<video id=\"v\" src=\"https://h/x.m3u8\"")      ? "hls"
           : has(page, "src=\"https://player.kick.com/chan?autoplay") ? "kick"
           : has(page, "videoId:'chan'")                              ? "yt"
                                                                      : "?";
  };
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"kick", "https://h/x.m3u8", "hls"},
      {"kick", "", "kick"},
      {"KICK", "https://h/x.m3u8", "yt"},
      {"", "", "yt"},
  };
  for (const auto& [tipo, hls, expected] : cases)
    EXPECT_EQ(plays(tipo, hls), expected) << "tipo '" << tipo << "' hls '" << hls << "'";
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
