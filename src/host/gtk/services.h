// The small services: default browser, wall clock, main-thread queue.
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

class GMainQueue final : public MainQueue {
 public:
  void post(std::function<void()> task) override;
};

}  // namespace qv::gtk
