// The three video pages: exact bytes for ordinary values, and values from the
// page encoded for the attribute or script string they are put in.
#include "panes/video_pages.h"

#include <gtest/gtest.h>

#include <string>

#include "app/config.h"
#include "util/encode.h"

namespace qv {
namespace {

const std::string kHls = "https://cdn.example.net/live/a_b-1.m3u8?tok=Ab%3D9:x";
const std::string kKickBase = "https://player.kick.com/";
const std::string kChannel = "xqc_Live-1";
const std::string kApi = "https://www.youtube.com/iframe_api";
const std::string kVideoId = "dQw4w9WgXcQ";

// Written out by hand from the page templates, with the values above.
const std::string kHlsPage35 =
    R"html(<html><head><style>html,body{margin:0;height:100%;background:#000;overflow:hidden}video{position:fixed;inset:0;width:100%;height:100%;object-fit:cover}</style></head>
<body><video id="v" src="https://cdn.example.net/live/a_b-1.m3u8?tok=Ab%3D9:x" autoplay playsinline muted></video><script>
var v=document.getElementById('v');function setVol(n){v.muted=!n;v.volume=n/100;if(n)v.play();}
v.addEventListener('loadedmetadata',function(){setVol(35);});
</script></body></html>)html";

const std::string kKickPageSilent =
    R"html(<html><head><style>html,body{margin:0;height:100%;background:#000;overflow:hidden}iframe{position:fixed;inset:0;width:100%;height:100%;border:0}</style></head>
<body><iframe id="f" src="https://player.kick.com/xqc_Live-1?autoplay=true&muted=true" allow="autoplay; fullscreen"></iframe><script>
var f=document.getElementById('f');function setVol(n){var s='https://player.kick.com/xqc_Live-1?autoplay=true&muted='+(n==0);if(f.src!=s)f.src=s;}
</script></body></html>)html";

const std::string kYouTubePageMinus7 =
    R"html(<html><head><meta name="viewport" content="width=device-width"><style>html,body{margin:0;height:100%;background:#000;overflow:hidden}#p,iframe{position:fixed;inset:0;width:100%;height:100%;border:0}#escudo{position:fixed;inset:0;z-index:9;background:transparent}</style></head>
<body><div id="p"></div><div id="escudo"></div><script src="https://www.youtube.com/iframe_api"></script><script>
var pl,vol=-7;function setVol(n){vol=n;if(!pl||!pl.mute)return;if(n){pl.unMute();pl.setVolume(n);}else pl.mute();}
function onYouTubeIframeAPIReady(){pl=new YT.Player('p',{videoId:'dQw4w9WgXcQ',playerVars:{autoplay:1,mute:1,playsinline:1,controls:0,rel:0,modestbranding:1,iv_load_policy:3,disablekb:1,fs:0},events:{onReady:function(e){e.target.mute();e.target.playVideo();setVol(vol);},onError:function(){setTimeout(rearma,4000);}}});}
var t0=Date.now();setInterval(function(){if(!pl||!pl.getPlayerState)return;var st=pl.getPlayerState();if(st===1){t0=Date.now();return;}if(st!==3)pl.playVideo();if(Date.now()-t0>25000){t0=Date.now();rearma();}},5000);
function rearma(){try{pl.destroy();}catch(e){}document.body.innerHTML='<div id="p"></div><div id="escudo"></div>';onYouTubeIframeAPIReady();}
</script></body></html>)html";

TEST(VideoPagesTest, OrdinaryValuesGiveTheTemplateBytes) {
  EXPECT_EQ(hlsPage(kHls, 35), kHlsPage35);
  EXPECT_EQ(kickPage(kKickBase, kChannel, 0), kKickPageSilent);
  EXPECT_EQ(youTubePage(kApi, kVideoId, -7), kYouTubePageMinus7);

  // Any level but 0 asks the Kick player for sound, in the iframe only.
  std::string audible = kKickPageSilent;
  audible.replace(audible.find("muted=true"), 10, "muted=false");
  EXPECT_EQ(kickPage(kKickBase, kChannel, 30), audible);
  EXPECT_EQ(kickPage(kKickBase, kChannel, -1), audible);
}

TEST(VideoPagesTest, OnlyTheExactTipoKickPlaysKick) {
  const Config config = Config::standard("/home/u");
  const auto plays = [&](const std::string& tipo, const std::string& hls) {
    const auto page = videoPage(config, tipo, "chan", hls, 20);
    return page.find("<video id=\"v\" src=\"https://h/x.m3u8\"") != std::string::npos ? "hls"
           : page.find("src=\"https://player.kick.com/chan?") != std::string::npos    ? "kick"
           : page.find("videoId:'chan'") != std::string::npos                         ? "yt"
                                                                                      : "?";
  };
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"kick", "https://h/x.m3u8", "hls"},
      {"kick", "", "kick"},
      {"Kick", "", "yt"},
      {"KICK", "https://h/x.m3u8", "yt"},
      {"yt", "https://h/x.m3u8", "yt"},
      {"", "", "yt"},
      {"twitch", "", "yt"},
  };
  for (const auto& [tipo, hls, expected] : cases)
    EXPECT_EQ(plays(tipo, hls), expected) << "tipo '" << tipo << "' hls '" << hls << "'";
}

// A value from the page lands in the template exactly where the ordinary one
// did, through the encoder for that spot (whose escapes encode_test pins):
// nothing else of the page changes.
std::string replaced(std::string page, const std::string& from, const std::string& to) {
  return page.replace(page.find(from), from.size(), to);
}
std::string attribute(const std::string& v) {
  std::string out;
  appendHtmlAttribute(out, v);
  return out;
}
std::string script(const std::string& v) {
  std::string out;
  appendJsEscaped(out, v);
  return out;
}

class HostileValueTest : public ::testing::TestWithParam<std::string> {};

TEST_P(HostileValueTest, EachValueIsEncodedForWhereItLands) {
  const std::string& v = GetParam();
  EXPECT_EQ(hlsPage(v, 35), replaced(kHlsPage35, kHls, attribute(v)));
  const std::string player = kKickBase + kChannel, hostile = kKickBase + v;
  EXPECT_EQ(
      kickPage(kKickBase, v, 0),
      replaced(replaced(kKickPageSilent, player, attribute(hostile)), player, script(hostile)));
  EXPECT_EQ(youTubePage(kApi, v, -7), replaced(kYouTubePageMinus7, kVideoId, script(v)));
}

INSTANTIATE_TEST_SUITE_P(Values, HostileValueTest,
                         ::testing::Values("\"><script>alert(1)</script>",
                                           "</script><script>x()</script>", "';alert(1);//",
                                           "\\';alert(1);//", "' onerror='x()", "a\nb\r\nc",
                                           "\xE2\x80\xA8x\xE2\x80\xA9", "<!--<script>",
                                           "\t\x01\x7F", "&amp;&lt;",
                                           "https://cdn.example/x.m3u8?a=1&b=2", "ü-é", ""));

}  // namespace
}  // namespace qv
