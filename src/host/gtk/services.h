// The small services: default browser, wall clock, debug log, main-thread queue.
#pragma once

#include <glib.h>

#include <deque>
#include <mutex>

#include "host/platform.h"

namespace qv::gtk {

class DefaultBrowser final : public Browser {
 public:
  void open(const std::string& url) override;
};

class WallClock final : public Clock {
 public:
  Instant now() override;
};

// Lines of the "quorvex" log domain: shown with G_MESSAGES_DEBUG=quorvex.
class DebugLog final : public Log {
 public:
  void debug(const std::string& line) override;
};

// One task per turn of the main loop: a burst of large replies posted at
// once still lets input, frames and timers in between them.
class GMainQueue final : public MainQueue {
 public:
  GMainQueue() = default;
  // Tasks not yet run are dropped.
  ~GMainQueue() override;
  GMainQueue(const GMainQueue&) = delete;
  GMainQueue& operator=(const GMainQueue&) = delete;

  void post(std::function<void()> task) override;

 private:
  gboolean runOne();

  std::mutex lock_;
  std::deque<std::function<void()>> tasks_;
  guint source_ = 0;  // the idle that runs them, while there are any
};

}  // namespace qv::gtk
