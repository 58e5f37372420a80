#include "panes/video_pages.h"

#include <string_view>

#include "util/encode.h"

namespace qv {
namespace {

// The fixed text of each page, in the order it is written, between the values
// put into it: H for the HLS page, K for Kick, Y for YouTube.
constexpr std::string_view kH1 =
    "<html><head><style>html,body{margin:0;height:100%;background:#000;overflow:hidden}video{"
    "position:fixed;inset:0;width:100%;height:100%;object-fit:cover}</style></head>\n<body><video "
    "id=\"v\" src=\"";
constexpr std::string_view kH2 =
    "\" autoplay playsinline muted></video><script>\nvar v=document.getElementById('v');function "
    "setVol(n){v.muted=!n;v.volume=n/"
    "100;if(n)v.play();}\nv.addEventListener('loadedmetadata',function(){setVol(";
constexpr std::string_view kH3 = ");});\n</script></body></html>";
constexpr std::string_view kK1 =
    "<html><head><style>html,body{margin:0;height:100%;background:#000;overflow:hidden}iframe{"
    "position:fixed;inset:0;width:100%;height:100%;border:0}</style></head>\n<body><iframe "
    "id=\"f\" src=\"";
constexpr std::string_view kK2 = "?autoplay=true&muted=";
constexpr std::string_view kK3 =
    "\" allow=\"autoplay; fullscreen\"></iframe><script>\nvar "
    "f=document.getElementById('f');function setVol(n){var s='";
constexpr std::string_view kK4 =
    "?autoplay=true&muted='+(n==0);if(f.src!=s)f.src=s;}\n</script></body></html>";
constexpr std::string_view kY1 =
    "<html><head><meta name=\"viewport\" "
    "content=\"width=device-width\"><style>html,body{margin:0;height:100%;background:#000;overflow:"
    "hidden}#p,iframe{position:fixed;inset:0;width:100%;height:100%;border:0}#escudo{position:"
    "fixed;inset:0;z-index:9;background:transparent}</style></head>\n<body><div "
    "id=\"p\"></div><div id=\"escudo\"></div><script src=\"";
constexpr std::string_view kY2 = "\"></script><script>\nvar pl,vol=";
constexpr std::string_view kY3 =
    ";function setVol(n){vol=n;if(!pl||!pl.mute)return;if(n){pl.unMute();pl.setVolume(n);}else "
    "pl.mute();}\nfunction onYouTubeIframeAPIReady(){pl=new YT.Player('p',{videoId:'";
constexpr std::string_view kY4 =
    "',playerVars:{autoplay:1,mute:1,playsinline:1,controls:0,rel:0,modestbranding:1,iv_load_"
    "policy:3,disablekb:1,fs:0},events:{onReady:function(e){e.target.mute();e.target.playVideo();"
    "setVol(vol);},onError:function(){setTimeout(rearma,4000);}}});}\nvar "
    "t0=Date.now();setInterval(function(){if(!pl||!pl.getPlayerState)return;var "
    "st=pl.getPlayerState();if(st===1){t0=Date.now();return;}if(st!==3)pl.playVideo();if(Date.now()"
    "-t0>25000){t0=Date.now();rearma();}},5000);\nfunction "
    "rearma(){try{pl.destroy();}catch(e){}document.body.innerHTML='<div id=\"p\"></div><div "
    "id=\"escudo\"></div>';onYouTubeIframeAPIReady();}\n</script></body></html>";

}  // namespace

// Values come from the page, so each is escaped for where it lands: a
// double-quoted attribute or a single-quoted string in a script element.

std::string hlsPage(const std::string& hls, std::int64_t vol) {
  std::string page(kH1);
  appendHtmlAttribute(page, hls);
  page += kH2;
  page += std::to_string(vol);
  page += kH3;
  return page;
}

std::string kickPage(const std::string& playerBase, const std::string& channel, std::int64_t vol) {
  const std::string player = playerBase + channel;
  std::string page(kK1);
  appendHtmlAttribute(page, player);
  page += kK2;
  page += vol == 0 ? "true" : "false";
  page += kK3;
  appendJsEscaped(page, player);
  page += kK4;
  return page;
}

std::string youTubePage(const std::string& apiScript, const std::string& videoId,
                        std::int64_t vol) {
  std::string page(kY1);
  appendHtmlAttribute(page, apiScript);
  page += kY2;
  page += std::to_string(vol);
  page += kY3;
  appendJsEscaped(page, videoId);
  page += kY4;
  return page;
}

std::string videoPage(const Config& config, const std::string& tipo, const std::string& id,
                      const std::string& hls, std::int64_t vol) {
  if (tipo != "kick") return youTubePage(config.youTubeApiScript, id, vol);
  if (!hls.empty()) return hlsPage(hls, vol);
  return kickPage(config.kickPlayerBase, id, vol);
}

}  // namespace qv
