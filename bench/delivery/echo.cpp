// The engine's own floor for a round trip over a script message: the page
// posts, the main thread answers at once by evaluating a call in the page,
// and the page posts again from that call. Once straight to a handler in the
// page's world, once through a relay in a world of its own, as the bridge
// goes, once more through the relay with a status reply's worth of Base64
// in each answer, a new script every time as the bridge writes them, and
// once with that Base64 as the value a message with a reply resolves to, the
// engine's other way back; no file is read and nothing is decoded.
//   qv_echo_bench [rounds]   (under an X server; prints Markdown rows)
#include <webkit/webkit.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

#include "shown_page.h"

namespace {

constexpr const char* kPage = R"(<!doctype html><script>
window.eco = (n, post) => new Promise((resolve) => {
  let i = 0;
  const t = performance.now();
  window.__eco = () => (++i === n ? resolve((performance.now() - t) / n) : post());
  post();
});
window.directo = () => window.webkit.messageHandlers.eco.postMessage('x');
window.relevo = () => document.dispatchEvent(new CustomEvent('eco', { detail: 'x' }));
window.relevoDatos = () => document.dispatchEvent(new CustomEvent('eco', { detail: 'datos' }));
window.promesa = () => window.webkit.messageHandlers.ecoPromesa.postMessage('x').then((d) => __eco('1', d, ''));
</script>)";
constexpr const char* kRelay =
    "document.addEventListener('eco', (e) => window.webkit.messageHandlers.ecoMundo.postMessage("
    "e.detail));";

// What a 2 KB status file comes to in Base64.
const std::string kStatusReply(2732, 'A');

void answer(WebKitUserContentManager*, JSCValue* message, WebKitWebView* view) {
  static int answered = 0;
  std::string script = "__eco()";
  if (jsc_value_is_string(message)) {
    std::unique_ptr<char, decltype(&g_free)> text(jsc_value_to_string(message), g_free);
    if (std::string(text.get()) == "datos")
      script = "__eco('" + std::to_string(++answered) + "', '" + kStatusReply + "', '')";
  }
  webkit_web_view_evaluate_javascript(view, script.data(), static_cast<gssize>(script.size()),
                                      nullptr, nullptr, nullptr, nullptr, nullptr);
}

gboolean answerWithValue(WebKitUserContentManager*, JSCValue* message,
                         WebKitScriptMessageReply* reply) {
  std::unique_ptr<JSCValue, decltype(&g_object_unref)> value(
      jsc_value_new_string(jsc_value_get_context(message), kStatusReply.c_str()), g_object_unref);
  webkit_script_message_reply_return_value(reply, value.get());
  return TRUE;
}

double meanMs(WebKitWebView* view, const char* post, int rounds) {
  const std::string call = "return await eco(" + std::to_string(rounds) + ", " + post + ");";
  struct Result {
    bool done = false;
    double ms = 0;
  } result;
  webkit_web_view_call_async_javascript_function(
      view, call.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
      [](GObject* view, GAsyncResult* r, gpointer data) {
        GError* error = nullptr;
        auto value = std::unique_ptr<JSCValue, decltype(&g_object_unref)>(
            webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), r, &error),
            g_object_unref);
        if (error) std::fprintf(stderr, "%s\n", error->message), std::exit(1);
        auto* result = static_cast<Result*>(data);
        result->ms = jsc_value_to_double(value.get());
        result->done = true;
      },
      &result);
  while (!result.done) g_main_context_iteration(nullptr, TRUE);
  return result.ms;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
  gtk_init();
  auto* view = WEBKIT_WEB_VIEW(webkit_web_view_new());
  auto* content = webkit_web_view_get_user_content_manager(view);
  g_signal_connect(content, "script-message-received::eco", G_CALLBACK(answer), view);
  g_signal_connect(content, "script-message-received::ecoMundo", G_CALLBACK(answer), view);
  webkit_user_content_manager_register_script_message_handler(content, "eco", nullptr);
  webkit_user_content_manager_register_script_message_handler(content, "ecoMundo", "eco");
  g_signal_connect(content, "script-message-with-reply-received::ecoPromesa",
                   G_CALLBACK(answerWithValue), nullptr);
  webkit_user_content_manager_register_script_message_handler_with_reply(content, "ecoPromesa",
                                                                         nullptr);
  const auto relay = std::unique_ptr<WebKitUserScript, decltype(&webkit_user_script_unref)>(
      webkit_user_script_new_for_world(kRelay, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                       WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, "eco", nullptr,
                                       nullptr),
      webkit_user_script_unref);
  webkit_user_content_manager_add_script(content, relay.get());
  auto* window = bench::showPage(view, kPage);
  const std::pair<const char*, const char*> forms[] = {
      {"directo", "el canal del motor, directo"},
      {"relevo", "el canal del motor, con el relevo entre mundos"},
      {"relevoDatos", "el relevo, y en cada respuesta un guion nuevo con 2 KB en Base64"},
      {"promesa", "un mensaje con respuesta, directo, que vuelve con los 2 KB"},
  };
  double sum[std::size(forms)] = {};
  for (const auto& [post, _] : forms) meanMs(view, post, 100);  // warm up
  // Alternated, so that every form sees the same machine.
  for (int block = 0; block < 5; ++block)
    for (size_t i = 0; i < std::size(forms); ++i)
      sum[i] += meanMs(view, forms[i].first, rounds / 5);
  for (size_t i = 0; i < std::size(forms); ++i)
    std::printf("| %s | %s ms |\n", forms[i].second, bench::decimal(sum[i] / 5, 3).c_str());
  gtk_window_destroy(window);
  return 0;
}
