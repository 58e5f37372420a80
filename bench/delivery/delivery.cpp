// The ways a reply can go from the main thread into a page, side by side in
// one web view: how long the page takes to hold the decoded bytes, and the
// longest the main loop went without a turn meanwhile (a 1 ms timeout at high
// priority, as in bench/watchdog). Every way keeps the page's contract, a
// call of `__qvFetch(id, base64, error)` with three strings.
//   qv_delivery_bench [rounds]   (under an X server; prints Markdown rows)
#include <time.h>
#include <webkit/webkit.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bridge/reply.h"
#include "shown_page.h"
#include "util/base64.h"
#include "util/encode.h"

namespace {

constexpr const char* kPage = R"(<!doctype html><script>
window.__qvFetch = (id, data, error) => Uint8Array.fromBase64(data).length;
</script>)";

gint64 threadCpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return gint64{t.tv_sec} * G_USEC_PER_SEC + t.tv_nsec / 1000;
}

// The longest gap, and the main thread's CPU time within it.
struct Watch {
  gint64 last = g_get_monotonic_time(), lastCpu = threadCpu();
  gint64 longest = 0, longestCpu = 0;
};

gboolean tick(gpointer data) {
  auto* w = static_cast<Watch*>(data);
  const gint64 now = g_get_monotonic_time(), cpu = threadCpu();
  if (now - w->last > w->longest) {
    w->longest = now - w->last;
    w->longestCpu = cpu - w->lastCpu;
  }
  w->last = now;
  w->lastCpu = cpu;
  return G_SOURCE_CONTINUE;
}

struct Sample {
  double totalMs, callMs, gapMs, gapCpuMs;
};

// Runs `deliver` (which calls `done` once the page has answered) to its end.
Sample measure(Watch& watch, const std::function<void(std::function<void()>)>& deliver) {
  bool finished = false;
  watch = Watch{};
  const gint64 t0 = g_get_monotonic_time(), cpu0 = threadCpu();
  deliver([&finished] { finished = true; });
  const gint64 t1 = g_get_monotonic_time(), cpu1 = threadCpu();
  while (!finished) g_main_context_iteration(nullptr, TRUE);
  const gint64 t2 = g_get_monotonic_time();
  if (t1 - t0 > watch.longest) watch.longest = t1 - t0, watch.longestCpu = cpu1 - cpu0;
  return {(t2 - t0) / 1000.0, (t1 - t0) / 1000.0, watch.longest / 1000.0,
          watch.longestCpu / 1000.0};
}

// Either way into the page ends the same: the value goes, an error ends the run.
template <JSCValue* (*Finish)(WebKitWebView*, GAsyncResult*, GError**)>
void onFinished(GObject* view, GAsyncResult* result, gpointer data) {
  GError* error = nullptr;
  auto value = std::unique_ptr<JSCValue, decltype(&g_object_unref)>(
      Finish(WEBKIT_WEB_VIEW(view), result, &error), g_object_unref);
  if (error) std::fprintf(stderr, "%s\n", error->message), std::exit(1);
  (*static_cast<std::function<void()>*>(data))();
}
constexpr auto onEvaluated = onFinished<webkit_web_view_evaluate_javascript_finish>;
constexpr auto onCalled = onFinished<webkit_web_view_call_async_javascript_function_finish>;

// The reply as one script with its values written in, the way it once went.
std::string replyScript(const std::string& data) {
  std::string script = "window.__qvFetch && window.__qvFetch(\"id\", ";
  qv::appendJsString(script, data);
  return script + ", \"\")";
}

double medianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
  gtk_init();
  auto* view = WEBKIT_WEB_VIEW(webkit_web_view_new());
  auto* window = bench::showPage(view, kPage);
  Watch watch;
  g_timeout_add_full(G_PRIORITY_HIGH, 1, tick, &watch, nullptr);

  std::printf(
      "### Las formas de entregar una respuesta a la página\n\n"
      "Una vista sola (`bench/delivery`), cuerpo aleatorio en Base64 y la página que lo"
      " decodifica como el panel; medianas de %d. «llamada» es lo que tarda en volver la"
      " llamada al motor en el hilo principal; «hueco» es el mayor hueco entre dos vueltas de un"
      " temporizador de 1 ms mientras tanto, y «CPU en el hueco» lo que el hilo principal gastó"
      " dentro de él (el resto es tiempo sin CPU).\n\n"
      "| cuerpo | forma | hasta los bytes en la página | llamada | hueco | CPU en el hueco |\n"
      "|---:|---|---:|---:|---:|---:|\n",
      rounds);
  std::mt19937 random(7);
  for (const size_t size : {size_t{1} << 20, size_t{32} << 20}) {
    std::string body(size, '\0');
    for (auto& c : body) c = static_cast<char>(random());
    const std::string data = qv::base64Encode(body);
    const std::string guard = "/qv/index.html";
    struct Way {
      const char* name;
      std::function<void(std::function<void()>)> deliver;
    };
    std::function<void()> finish;
    std::vector<Way> ways = {
        {"script evaluado, construido y envuelto en el bucle",
         [&](std::function<void()> done) {
           finish = std::move(done);
           const auto script = qv::onlyInFile(guard, replyScript(data));
           webkit_web_view_evaluate_javascript(view, script.data(), gssize(script.size()), nullptr,
                                               nullptr, nullptr, onEvaluated, &finish);
         }},
        {"script evaluado, construido antes",
         [&, script = qv::onlyInFile(guard, replyScript(data))](std::function<void()> done) {
           finish = std::move(done);
           webkit_web_view_evaluate_javascript(view, script.data(), gssize(script.size()), nullptr,
                                               nullptr, nullptr, onEvaluated, &finish);
         }},
        {"función con argumentos (GVariant sin copia)",
         [&](std::function<void()> done) {
           finish = std::move(done);
           GVariantBuilder args;
           g_variant_builder_init(&args, G_VARIANT_TYPE("a{sv}"));
           g_variant_builder_add(&args, "{sv}", "id", g_variant_new_string("id"));
           auto* bytes = g_bytes_new_static(data.c_str(), data.size() + 1);
           g_variant_builder_add(&args, "{sv}", "data",
                                 g_variant_new_from_bytes(G_VARIANT_TYPE_STRING, bytes, TRUE));
           g_bytes_unref(bytes);
           g_variant_builder_add(&args, "{sv}", "error", g_variant_new_string(""));
           webkit_web_view_call_async_javascript_function(
               view, "return window.__qvFetch(id, data, error);", -1, g_variant_builder_end(&args),
               nullptr, nullptr, nullptr, onCalled, &finish);
         }},
    };
    // The application's way: pieces of at most kReplyPieceBytes of Base64,
    // one call with arguments and one main-loop turn each.
    const std::vector<qv::PageCall> pieces = qv::replyCalls(guard, "id", data, "");
    const std::string piecesWay = "función con argumentos en trozos de " +
                                  std::to_string(qv::kReplyPieceBytes >> 10) +
                                  " KiB, un trozo por vuelta (la de la aplicación)";
    ways.push_back({piecesWay.c_str(), [&](std::function<void()> done) {
                      finish = std::move(done);
                      // One source that makes one call a dispatch: a turn of the
                      // loop, as the application's queue runs one task a turn.
                      struct Turns {
                        WebKitWebView* view;
                        const std::vector<qv::PageCall>* calls;
                        size_t next;
                        std::function<void()>* finish;
                      };
                      g_idle_add_full(
                          G_PRIORITY_DEFAULT,
                          +[](gpointer p) {
                            auto* t = static_cast<Turns*>(p);
                            const auto& call = (*t->calls)[t->next++];
                            const bool last = t->next == t->calls->size();
                            GVariantBuilder args;
                            g_variant_builder_init(&args, G_VARIANT_TYPE("a{sv}"));
                            for (const auto& [name, value] : call.args)
                              g_variant_builder_add(&args, "{sv}", name.c_str(),
                                                    g_variant_new_string(value.c_str()));
                            webkit_web_view_call_async_javascript_function(
                                t->view, call.body.c_str(), -1, g_variant_builder_end(&args),
                                nullptr, nullptr, nullptr, last ? onCalled : nullptr,
                                last ? t->finish : nullptr);
                            return last ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
                          },
                          new Turns{view, &pieces, 0, &finish},
                          [](gpointer p) { delete static_cast<Turns*>(p); });
                    }});
    for (const auto& way : ways) {
      measure(watch, way.deliver);  // warm up
      std::vector<double> total, call, gap, gapCpu;
      for (int r = 0; r < rounds; ++r) {
        const auto s = measure(watch, way.deliver);
        total.push_back(s.totalMs);
        call.push_back(s.callMs);
        gap.push_back(s.gapMs);
        gapCpu.push_back(s.gapCpuMs);
      }
      std::printf(
          "| %zu MB | %s | %s ms | %s ms | %s ms | %s ms |\n", size >> 20, way.name,
          bench::decimal(medianOf(total), 1).c_str(), bench::decimal(medianOf(call), 1).c_str(),
          bench::decimal(medianOf(gap), 1).c_str(), bench::decimal(medianOf(gapCpu), 1).c_str());
      std::fflush(stdout);
    }
  }
  gtk_window_destroy(window);
  return 0;
}
