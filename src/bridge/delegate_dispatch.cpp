// The "qv" channel: one message in, one command carried out, nothing back
// (replies to "fetch" go through `responde`). Every message that is not
// carried out goes through `discard`, with the reason.
#include <map>
#include <string_view>

#include "app/delegate.h"
#include "bridge/args.h"
#include "bridge/reply.h"
#include "util/browser_url.h"

namespace qv {
namespace {

Rect frameOf(const nlohmann::json& body) {
  return {args::number(body, "x").value_or(0), args::number(body, "y").value_or(0),
          args::number(body, "w").value_or(0), args::number(body, "h").value_or(0)};
}

}  // namespace

void Delegate::discard(const std::string& why) {
  platform.log.debug("puente", "mensaje descartado: " + why);
}

void Delegate::scriptMessage(const nlohmann::json& body) {
  using Command = void (*)(Delegate&, const nlohmann::json&);
  static const std::map<std::string, Command, std::less<>> commands = {
      {"web",
       [](Delegate& d, const nlohmann::json& b) {
         d.colocaWeb(args::string(b, "slot").value_or("web"),
                     args::string(b, "url").value_or(d.config.chatAppURL), frameOf(b));
       }},
      {"webOcultar",
       [](Delegate& d, const nlohmann::json& b) {
         d.hideWeb(args::string(b, "slot").value_or("web"));
       }},
      {"hibernacion", [](Delegate& d, const nlohmann::json& b) { d.hibernation(b); }},
      {"abrir",
       [](Delegate& d, const nlohmann::json& b) {
         // Only what a browser or the mail client opens leaves: never a file or
         // another program's scheme, and never a "web" instead.
         auto url = args::string(b, "url");
         auto address = url ? browserUrl(*url, {"http", "https", "mailto"}) : std::nullopt;
         if (!address) return d.discard("\"abrir\" sin una dirección web");
         d.platform.browser.open(address->href);
       }},
      {"videoVol",
       [](Delegate& d, const nlohmann::json& b) {
         auto slot = args::string(b, "slot");
         if (!slot) return d.discard("\"videoVol\" sin \"slot\"");
         auto it = d.vids.find(*slot);
         if (it == d.vids.end()) return d.discard("\"videoVol\" de un panel que no existe");
         auto v = args::integer(b, "v").value_or(0);
         it->second->evaluateScript("setVol(" + std::to_string(v) + ")");
         if (auto play = d.vidPlay.find(*slot); play != d.vidPlay.end()) play->second.vol = v;
       }},
      {"video",
       [](Delegate& d, const nlohmann::json& b) {
         auto id = args::string(b, "id");
         if (!id) return d.discard("\"video\" sin \"id\"");
         d.colocaVideo(args::string(b, "slot").value_or("0"), *id,
                       args::string(b, "tipo").value_or("yt"), args::string(b, "hls").value_or(""),
                       args::integer(b, "vol").value_or(0), frameOf(b));
       }},
      {"videoOcultar", [](Delegate& d, const nlohmann::json& b) { d.hideVideos(b); }},
      {"fetch", [](Delegate& d, const nlohmann::json& b) { d.fetch(b); }},
      {"avisosChat", [](Delegate& d, const nlohmann::json& b) { d.chatNotices(b); }},
      {"noMolestar", [](Delegate& d, const nlohmann::json& b) { d.noMolestar(b); }},
      {"recursos", [](Delegate& d, const nlohmann::json&) { d.recursos(false); }},
      {"panelRecargar", [](Delegate& d, const nlohmann::json& b) { d.panelRecargar(b); }},
      {"panelReposo", [](Delegate& d, const nlohmann::json& b) { d.panelReposo(b); }},
  };

  // The engine only relays messages from the local page's main frame; a
  // message that raced a navigation away from it is dropped here as well.
  if (!showsLocalPage()) return discard("la página no es la local");
  if (!body.is_object()) return discard("no es un objeto");
  auto cmd = args::string(body, "cmd");
  if (!cmd) return discard("sin \"cmd\"");
  auto command = commands.find(*cmd);
  if (command == commands.end()) return discard("orden desconocida \"" + *cmd + "\"");
  try {
    command->second(*this, body);
  } catch (const std::exception& e) {
    // A fetch is answered whatever went wrong; other commands send nothing back.
    discard("\"" + *cmd + "\" interrumpido: " + e.what());
    if (auto id = args::string(body, "id"); id && *cmd == "fetch") responde(*id, "", kErrorInterno);
  }
}

}  // namespace qv
