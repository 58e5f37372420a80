// The small services: default browser, wall clock, timers, debug log, main-thread queue.
#pragma once

#include <glib.h>

#include <atomic>
#include <deque>
#include <mutex>

#include "host/gtk/gobject_ptr.h"
#include "host/platform.h"

namespace qv::gtk {

class DefaultBrowser final : public Browser {
 public:
  void open(const std::string& url) override;
};

class WallClock final : public Clock {
 public:
  Instant now() override;
  LocalTime local(Instant at) override;
};

class MainLoopTimers final : public Timers {
 public:
  std::unique_ptr<Observation> after(double seconds, std::function<void()> task) override;
};

// The core's debug lines, in the application's log domain (host/gtk/debug.h).
class DebugLog final : public Log {
 public:
  void debug(std::string_view module, const std::string& line) override;
};

// One task per turn of the main loop: a burst of large replies posted at
// once still lets input, frames and timers in between them. Posting never
// takes the main context's lock: a worker of lower priority preempted while
// holding it would stall the main loop behind it. A task wakes the loop
// through a file descriptor of the queue's own instead.
class GMainQueue final : public MainQueue {
 public:
  // On the main thread: the queue's source joins the default main context.
  GMainQueue();
  // Tasks not yet run are dropped.
  ~GMainQueue() override;
  GMainQueue(const GMainQueue&) = delete;
  GMainQueue& operator=(const GMainQueue&) = delete;

  void post(std::function<void()> task) override;

 private:
  struct Source;

  void runOne();

  std::mutex lock_;
  std::deque<std::function<void()>> tasks_;
  // The length of `tasks_`, read by the main loop without the lock.
  std::atomic<size_t> waiting_ = 0;
  int wakeup_;  // an eventfd, readable while a wake-up is unread
  GSourcePtr source_;
};

}  // namespace qv::gtk
