#include "panes/recovery.h"

#include <array>

#include "util/encode.h"

namespace qv {
namespace {

constexpr std::array<double, 3> kDelays = {10, 30, 60};
// A view that stayed up this long after coming back starts its count again:
// three crashes over a whole trading day are not a view that cannot live.
constexpr double kSteadySeconds = 600;
// The engine's word that a process stopped answering is taken only once it
// still holds after this long: a page busy for a moment is left alone.
constexpr double kUnresponsiveSeconds = 10;

const char* reason(ContentEvent why) {
  switch (why) {
    case ContentEvent::OutOfMemory:
      return "Usó más memoria de la permitida y se cerró.";
    case ContentEvent::Unresponsive:
      return "Dejó de responder.";
    case ContentEvent::Crashed:
    case ContentEvent::Responsive:
      break;
  }
  return "Su proceso terminó de forma inesperada.";
}

}  // namespace

std::string recoveryCard(ContentEvent why) {
  std::string page =
      "<!doctype html><html lang=\"es\"><head><meta charset=\"utf-8\">"
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
      "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">"
      "<title>El panel dejó de funcionar</title><style>"
      "body{margin:0;padding:32px;background:#0d1117;color:#e6edf3;font:15px sans-serif}"
      "h1{font-size:18px;font-weight:600}p{color:#9da7b3}"
      "button{margin-top:12px;padding:6px 16px;border:0;border-radius:6px;"
      "background:#238636;color:#fff;font:inherit}</style></head><body>"
      "<h1>El panel dejó de funcionar</h1><p>";
  appendHtmlText(page, reason(why));
  // Moved by the page's own script, not a link: a pane hands every link it
  // is clicked on to the browser.
  page += "</p><button id=\"reintentar\" onclick=\"location.hash='";
  page += kRetryFragment + 1;
  page += "'\">Reintentar</button></body></html>";
  return page;
}

Recovery::Recovery(WebView& view, Timers& timers, Log& log,
                   std::function<void(const std::optional<std::string>&)> restore)
    : view_(view), timers_(timers), log_(log), restore_(std::move(restore)) {
  content_ = view_.observeContent([this](ContentEvent what) { event(what); });
  url_ = view_.observeUrl([this] {
    auto at = view_.url();
    if (card_ && at && at->ends_with(kRetryFragment)) retry();
  });
}

void Recovery::retry() {
  attempts_ = 0;
  restoreNow();
}

void Recovery::event(ContentEvent what) {
  switch (what) {
    case ContentEvent::Responsive:
      confirming_.reset();
      return;
    case ContentEvent::Unresponsive:
      if (!down_ && !confirming_)
        confirming_ = timers_.after(kUnresponsiveSeconds, [this] {
          confirming_.reset();
          view_.endContent();
          ended(ContentEvent::Unresponsive);
        });
      return;
    case ContentEvent::Crashed:
    case ContentEvent::OutOfMemory:
      return ended(what);
  }
}

void Recovery::ended(ContentEvent why) {
  confirming_.reset();
  steady_.reset();
  // The first end of a run says where the view was; the card and the
  // blank views after it do not.
  if (!down_ && !card_) shown_ = view_.url();
  down_ = true;
  if (attempts_ < static_cast<int>(kDelays.size())) {
    const double delay = kDelays[attempts_++];
    log_.debug("recuperación", "vista caída (" + std::string(reason(why)) + "), vuelve en " +
                                   std::to_string(static_cast<int>(delay)) + " s");
    pending_ = timers_.after(delay, [this] { restoreNow(); });
    return;
  }
  log_.debug("recuperación", "vista caída de nuevo: se muestra la tarjeta");
  pending_.reset();
  card_ = true;
  // On the address it showed, the card's button is a move within that page,
  // which every view may follow.
  view_.loadHtml(recoveryCard(why), shown_);
}

void Recovery::restoreNow() {
  pending_.reset();
  down_ = card_ = false;
  restore_(shown_);
  steady_ = timers_.after(kSteadySeconds, [this] {
    steady_.reset();
    attempts_ = 0;
  });
}

}  // namespace qv
