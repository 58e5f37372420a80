// The three video pages: exact bytes for ordinary values, and values from the
// page that cannot leave the attribute or script string they are put in.
#include "panes/video_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

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
  Config config;
  config.kickPlayerBase = kKickBase;
  config.youTubeApiScript = kApi;
  struct Case {
    std::string tipo, hls;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"kick", "https://h/x.m3u8", hlsPage("https://h/x.m3u8", 20)},
      {"kick", "", kickPage(kKickBase, "chan", 20)},
      {"Kick", "", youTubePage(kApi, "chan", 20)},
      {"KICK", "https://h/x.m3u8", youTubePage(kApi, "chan", 20)},
      {"yt", "https://h/x.m3u8", youTubePage(kApi, "chan", 20)},
      {"", "", youTubePage(kApi, "chan", 20)},
      {"twitch", "", youTubePage(kApi, "chan", 20)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(videoPage(config, c.tipo, "chan", c.hls, 20), c.expected)
        << "tipo '" << c.tipo << "' hls '" << c.hls << "'";
}

// What a browser takes as the value of the double-quoted attribute that
// starts right after `opener`, and where the attribute ends. Nothing when
// the raw text holds a character that would let it end or open a tag.
std::optional<std::pair<std::string, size_t>> readAttribute(const std::string& page,
                                                            const std::string& opener) {
  const auto start = page.find(opener);
  if (start == std::string::npos) return std::nullopt;
  const std::vector<std::pair<std::string, char>> entities = {
      {"&amp;", '&'}, {"&quot;", '"'}, {"&#39;", '\''}, {"&lt;", '<'}, {"&gt;", '>'}};
  std::string value;
  for (size_t i = start + opener.size(); i < page.size(); ++i) {
    const char c = page[i];
    if (c == '"') return std::pair{value, i};
    if (c == '<' || c == '>' || c == '\'') return std::nullopt;
    if (c != '&') {
      value += c;
      continue;
    }
    // A bare "&" (as in the template's own query string) is read as itself.
    auto known = std::find_if(entities.begin(), entities.end(), [&](const auto& e) {
      return page.compare(i, e.first.size(), e.first) == 0;
    });
    value += known == entities.end() ? '&' : known->second;
    if (known != entities.end()) i += known->first.size() - 1;
  }
  return std::nullopt;
}

std::string utf8(unsigned code) {
  std::string out;
  if (code < 0x80) return std::string(1, static_cast<char>(code));
  out += static_cast<char>(0xE0 | (code >> 12));
  out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (code & 0x3F));
  return out;
}

// What a script engine takes as the single-quoted string literal that starts
// right after `opener`, and where it ends. Nothing when the raw text holds a
// line terminator or a "<" (which could close the script element).
std::optional<std::pair<std::string, size_t>> readScriptString(const std::string& page,
                                                               const std::string& opener) {
  const auto start = page.find(opener);
  if (start == std::string::npos) return std::nullopt;
  std::string value;
  for (size_t i = start + opener.size(); i < page.size(); ++i) {
    const char c = page[i];
    if (c == '\'') return std::pair{value, i};
    if (c == '\n' || c == '\r' || c == '<') return std::nullopt;
    if (page.compare(i, 3, "\xE2\x80\xA8") == 0 || page.compare(i, 3, "\xE2\x80\xA9") == 0)
      return std::nullopt;
    if (c != '\\') {
      value += c;
      continue;
    }
    const char e = page.at(++i);
    if (e == 'x' || e == 'u') {
      const size_t digits = e == 'x' ? 2 : 4;
      value += utf8(static_cast<unsigned>(std::stoul(page.substr(i + 1, digits), nullptr, 16)));
      i += digits;
    } else if (e == 'n') {
      value += '\n';
    } else if (e == 'r') {
      value += '\r';
    } else if (e == 't') {
      value += '\t';
    } else {
      value += e;
    }
  }
  return std::nullopt;
}

long tagOpenings(const std::string& page) { return std::count(page.begin(), page.end(), '<'); }

std::string after(const std::string& page, const std::string& inserted) {
  return page.substr(page.find(inserted) + inserted.size());
}

class HostileValueTest : public ::testing::TestWithParam<std::string> {};

TEST_P(HostileValueTest, HlsAddressStaysInsideTheSourceAttribute) {
  const std::string page = hlsPage(GetParam(), 35);
  auto src = readAttribute(page, "<video id=\"v\" src=\"");
  ASSERT_TRUE(src);
  EXPECT_EQ(src->first, GetParam());
  EXPECT_EQ(page.substr(src->second), after(kHlsPage35, kHls));
  EXPECT_EQ(tagOpenings(page), tagOpenings(kHlsPage35));
}

TEST_P(HostileValueTest, KickChannelStaysInsideTheAttributeAndTheScriptString) {
  const std::string page = kickPage(kKickBase, GetParam(), 0);
  auto src = readAttribute(page, "<iframe id=\"f\" src=\"");
  ASSERT_TRUE(src);
  EXPECT_EQ(src->first, kKickBase + GetParam() + "?autoplay=true&muted=true");
  auto s = readScriptString(page, "var s='");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->first, kKickBase + GetParam() + "?autoplay=true&muted=");
  EXPECT_EQ(page.substr(s->second),
            after(kKickPageSilent, "var s='" + kKickBase + kChannel + "?autoplay=true&muted="));
  EXPECT_EQ(tagOpenings(page), tagOpenings(kKickPageSilent));
}

TEST_P(HostileValueTest, YouTubeIdStaysInsideTheScriptString) {
  const std::string page = youTubePage(kApi, GetParam(), -7);
  auto id = readScriptString(page, "videoId:'");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->first, GetParam());
  EXPECT_EQ(page.substr(id->second), after(kYouTubePageMinus7, kVideoId));
  EXPECT_EQ(tagOpenings(page), tagOpenings(kYouTubePageMinus7));
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
