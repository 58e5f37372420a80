// Keeps one view alive by itself: when its web process ends or stops
// answering, the view is brought back after 10, 30 and then 60 s; a fourth
// end in a row leaves a card that waits for the user's "Reintentar".
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/platform.h"

namespace qv {

// The card a view shows once it stopped coming back by itself. Its button
// only moves the card to `kRetryFragment`, which the recovery watches for.
std::string recoveryCard(ContentEvent why);
inline constexpr char kRetryFragment[] = "#reintentar";

class Recovery {
 public:
  // `restore` loads again what the view showed, given the address it was on
  // when its process first ended (none for a page written here).
  Recovery(WebView& view, Timers& timers, Log& log,
           std::function<void(const std::optional<std::string>& shown)> restore);
  Recovery(const Recovery&) = delete;
  Recovery& operator=(const Recovery&) = delete;

  // How many times in a row it came back by itself.
  int attempts() const { return attempts_; }
  bool showsCard() const { return card_; }
  // Down and waiting to come back, or showing the card.
  bool stopped() const { return down_ || card_; }
  // Brings it back now, with a new count, as the card's button does.
  void retry();

 private:
  void event(ContentEvent what);
  void ended(ContentEvent why);
  void restoreNow();

  WebView& view_;
  Timers& timers_;
  Log& log_;
  std::function<void(const std::optional<std::string>&)> restore_;
  std::optional<std::string> shown_;
  bool down_ = false, card_ = false;
  int attempts_ = 0;
  std::unique_ptr<Observation> pending_, steady_, confirming_;
  std::unique_ptr<Observation> content_, url_;
};

}  // namespace qv
