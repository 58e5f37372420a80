// Preloaded into the application (LD_PRELOAD) by bench/throughput.py: a 1 ms
// timeout on the default main context, the application's main loop, that
// keeps the longest gap between two of its turns. SIGUSR1 starts a new span;
// each new longest gap of the span is written, in microseconds, over the
// file named by QV_WATCHDOG.
#include <glib.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::atomic<bool> restart = false;
gint64 last = 0;
gint64 longest = 0;
std::string file;

void write(gint64 value) {
  if (FILE* f = std::fopen(file.c_str(), "w")) {
    std::fprintf(f, "%lld\n", static_cast<long long>(value));
    std::fclose(f);
  }
}

gboolean tick(gpointer) {
  const gint64 now = g_get_monotonic_time();
  if (restart.exchange(false)) {
    longest = 0;
    write(0);
  } else if (now - last > longest) {
    longest = now - last;
    write(longest);
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
  signal(SIGUSR1, [](int) { restart = true; });
  last = g_get_monotonic_time();
  g_timeout_add_full(G_PRIORITY_HIGH, 1, tick, nullptr, nullptr);
}

}  // namespace
