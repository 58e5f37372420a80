// Preloaded into the application (LD_PRELOAD) by bench/throughput.py: a 1 ms
// timeout on the default main context, the application's main loop, that
// keeps the longest gap between two of its turns. SIGUSR2 (JavaScriptCore
// takes SIGUSR1) starts a new span; the span's number and, in microseconds,
// its longest gap so far, the main thread's CPU time within that gap and the
// time it spent within it ready to run but waiting for a core are written
// over the file named by QV_WATCHDOG: a gap the thread spent waiting for a
// core is the scheduler's, not the loop's.
#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<bool> restart = false;
gint64 last = 0;
gint64 lastCpu = 0;
gint64 longest = 0;
gint64 longestCpu = 0;
gint64 lastWait = 0;
gint64 longestWait = 0;
int span = 0;
// Plain values, set before any constructor of this library could run.
int out = -1;        // the file named by QV_WATCHDOG
int schedstat = -1;  // the main thread's, opened from it

// Microseconds the main thread has waited on a run queue, from the
// scheduler's own count (the second field, in nanoseconds).
gint64 threadWait() {
  char text[96];
  const ssize_t n = schedstat < 0 ? -1 : pread(schedstat, text, sizeof text - 1, 0);
  if (n <= 0) return 0;
  text[n] = '\0';
  unsigned long long ran = 0, waited = 0;
  return std::sscanf(text, "%llu %llu", &ran, &waited) == 2 ? static_cast<gint64>(waited / 1000)
                                                            : 0;
}

gint64 threadCpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return gint64{t.tv_sec} * G_USEC_PER_SEC + t.tv_nsec / 1000;
}

// Rewritten in place through a descriptor held open, at a fixed width: the
// file is never truncated, which on ext4 would have the main thread start
// writeback on close, inside the very gaps being measured.
void write() {
  char line[96];
  const int n = std::snprintf(line, sizeof line, "%-10d %-20lld %-20lld %-20lld\n", span,
                              static_cast<long long>(longest), static_cast<long long>(longestCpu),
                              static_cast<long long>(longestWait));
  if (n > 0 && pwrite(out, line, static_cast<size_t>(n), 0) != n) std::perror("qv_watchdog");
}

gboolean tick(gpointer) {
  const gint64 now = g_get_monotonic_time();
  const gint64 cpu = threadCpu();
  const gint64 wait = threadWait();
  if (restart.exchange(false)) {
    ++span;
    longest = longestCpu = longestWait = 0;
    write();
  } else if (now - last > longest) {
    longest = now - last;
    longestCpu = cpu - lastCpu;
    longestWait = wait - lastWait;
    write();
  }
  last = now;
  lastCpu = cpu;
  lastWait = wait;
  return G_SOURCE_CONTINUE;
}

__attribute__((constructor)) void start() {
  const char* target = std::getenv("QV_WATCHDOG");
  // The engine's own processes inherit the environment: only this one watches.
  unsetenv("LD_PRELOAD");
  if (!target) return;
  out = open(target, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) return std::perror(target);
  signal(SIGUSR2, [](int) { restart = true; });
  schedstat = open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
  last = g_get_monotonic_time();
  lastCpu = threadCpu();
  lastWait = threadWait();
  g_timeout_add_full(G_PRIORITY_HIGH, 1, tick, nullptr, nullptr);
}

}  // namespace
