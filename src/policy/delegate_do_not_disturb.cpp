// "No molestar": while it is on every pane and site view is silenced in the
// engine and the desktop notifications of the page and the chat are held
// back and counted; turning it off tells the user, once, how many there
// were. It is on by hand (the menu, the page) or by the quiet hours, and
// both are kept in the settings so that a restart changes nothing.
#include <cmath>
#include <cstdlib>

#include "app/delegate.h"
#include "bridge/args.h"

namespace qv {
namespace {

constexpr char kClave[] = "noMolestar";
constexpr char kClaveHorario[] = "noMolestar.horario";
constexpr char kClaveRetenidos[] = "noMolestar.retenidos";

}  // namespace

void Delegate::loadDoNotDisturb() {
  auto& s = platform.settings;
  quietByHand = s.string(kClave) == "activo";
  if (auto stored = s.string(kClaveHorario)) {
    auto h = quietHoursFrom(nlohmann::json::parse(*stored, nullptr, false));
    if (h)
      quietHours = *h;
    else
      platform.log.debug("avisos", "horario guardado ilegible: " + *stored);
  }
  if (auto held = s.string(kClaveRetenidos)) heldNotices = std::strtol(held->c_str(), nullptr, 10);
  updateDoNotDisturb();
  // The page asks for the rest once it has loaded.
  platform.application.checkMenuItem(kClave, doNotDisturb);
}

bool Delegate::quietNow() {
  return isQuiet(quietHours, platform.clock.local(platform.clock.now()));
}

void Delegate::noMolestar(const nlohmann::json& body) {
  if (auto h = body.find("horario"); body.is_object() && h != body.end()) {
    auto hours = quietHoursFrom(*h);
    if (!hours) return discard("\"noMolestar\" con un horario ilegible");
    quietHours = *hours;
    quietPeriodWaived = false;
    platform.settings.setString(kClaveHorario, toJson(quietHours).dump());
  }
  if (auto activo = args::boolean(body, "activo")) {
    quietByHand = *activo;
    // Off by hand inside the quiet hours lasts until they end.
    quietPeriodWaived = !*activo && quietNow();
    platform.settings.setString(kClave, *activo ? "activo" : "inactivo");
  }
  updateDoNotDisturb();
  showDoNotDisturb();
}

bool Delegate::updateDoNotDisturb() {
  const bool quiet = quietNow();
  if (!quiet) quietPeriodWaived = false;
  const bool on = quietByHand || (quiet && !quietPeriodWaived);
  // A minute is the quiet hours' grain: look again just after the next one starts.
  quietClock = nullptr;
  if (quietHours.on)
    quietClock =
        platform.timers.after(60.5 - std::fmod(platform.clock.now(), 60.0), alive.guard([this] {
          if (updateDoNotDisturb()) showDoNotDisturb();
        }));
  if (on == doNotDisturb) return false;
  doNotDisturb = on;
  for (auto* table : {&webs, &vids, &sWeb})
    for (auto& [key, view] : *table) view->setMuted(on);
  if (!on && heldNotices > 0) {
    platform.application.notify("No molestar terminado", heldSummary(heldNotices));
    heldNotices = 0;
    platform.settings.setString(kClaveRetenidos, "0");
  }
  return true;
}

bool Delegate::deliversNotification(WebView& view) {
  if (showsChat(view)) notifyPage("avisoChat");
  if (!doNotDisturb) return true;
  platform.settings.setString(kClaveRetenidos, std::to_string(++heldNotices));
  return false;
}

void Delegate::showDoNotDisturb() {
  platform.application.checkMenuItem(kClave, doNotDisturb);
  notifyPage(kClave, nlohmann::json{{"activo", doNotDisturb},
                                    {"porHorario", doNotDisturb && !quietByHand},
                                    {"horario", toJson(quietHours)}}
                         .dump());
}

}  // namespace qv
