// The small services: default browser, wall clock, debug log, main-thread queue.
#pragma once

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

class GMainQueue final : public MainQueue {
 public:
  void post(std::function<void()> task) override;
};

}  // namespace qv::gtk
