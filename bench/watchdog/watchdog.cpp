// Preloaded into the application (LD_PRELOAD) by bench/throughput.py: a 1 ms
// timeout on the default main context, the application's main loop, that
// keeps the longest gap between two of its turns. SIGUSR2 (JavaScriptCore
// takes SIGUSR1) starts a new span; the span's number and, in microseconds,
// its longest gap so far are written over the file named by QV_WATCHDOG.
#include <glib.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<bool> restart = false;
gint64 last = 0;
gint64 longest = 0;
int span = 0;
// Plain values, set before any constructor of this library could run.
const char* file = nullptr;

void write() {
  if (FILE* f = std::fopen(file, "w")) {
    std::fprintf(f, "%d %lld\n", span, static_cast<long long>(longest));
    std::fclose(f);
  }
}

gboolean tick(gpointer) {
  const gint64 now = g_get_monotonic_time();
  if (restart.exchange(false)) {
    ++span;
    longest = 0;
    write();
  } else if (now - last > longest) {
    longest = now - last;
    write();
  }
  last = now;
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
  g_timeout_add_full(G_PRIORITY_HIGH, 1, tick, nullptr, nullptr);
}

}  // namespace
