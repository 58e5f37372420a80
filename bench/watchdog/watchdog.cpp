// Preloaded into the application (LD_PRELOAD) by bench/throughput.py: a 1 ms
// timeout on the default main context, the application's main loop, that
// keeps the longest gap between two of its turns. SIGUSR2 (JavaScriptCore
// takes SIGUSR1) starts a new span; the span's number and, in microseconds,
// its longest gap so far and the main thread's CPU time within that gap are
// written over the file named by QV_WATCHDOG: a gap the thread spent off the
// CPU is the scheduler's, not the loop's.
#include <glib.h>
#include <signal.h>
#include <time.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<bool> restart = false;
gint64 last = 0;
gint64 lastCpu = 0;
gint64 longest = 0;
gint64 longestCpu = 0;
int span = 0;
// Plain values, set before any constructor of this library could run.
const char* file = nullptr;

gint64 threadCpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return gint64{t.tv_sec} * G_USEC_PER_SEC + t.tv_nsec / 1000;
}

void write() {
  if (FILE* f = std::fopen(file, "w")) {
    std::fprintf(f, "%d %lld %lld\n", span, static_cast<long long>(longest),
                 static_cast<long long>(longestCpu));
    std::fclose(f);
  }
}

gboolean tick(gpointer) {
  const gint64 now = g_get_monotonic_time();
  const gint64 cpu = threadCpu();
  if (restart.exchange(false)) {
    ++span;
    longest = longestCpu = 0;
    write();
  } else if (now - last > longest) {
    longest = now - last;
    longestCpu = cpu - lastCpu;
    write();
  }
  last = now;
  lastCpu = cpu;
  return G_SOURCE_CONTINUE;
}

__attribute__((constructor)) void start() {
  const char* target = std::getenv("QV_WATCHDOG");
  // The engine's own processes inherit the environment: only this one watches.
  unsetenv("LD_PRELOAD");
  if (!target) return;
  file = target;
  signal(SIGUSR2, [](int) { restart = true; });
  last = g_get_monotonic_time();
  lastCpu = threadCpu();
  g_timeout_add_full(G_PRIORITY_HIGH, 1, tick, nullptr, nullptr);
}

}  // namespace
