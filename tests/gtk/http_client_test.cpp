// The libsoup client against a SoupServer on 127.0.0.1 that runs on a thread
// of its own, like the outside world: the test's main thread never runs the
// default main context, so every answer shows that the client needs nothing
// of the application's main loop.
#include "host/gtk/http_client.h"

#include <gtest/gtest.h>
#include <libsoup/soup.h>

#include <future>
#include <thread>

#include "host/gtk/gobject_ptr.h"
#include "util/base64.h"

namespace qv::gtk {
namespace {

// Every wait ends within 30 s, so that a fault fails instead of hanging.
template <typename T>
std::optional<T> await(std::future<T> f) {
  if (f.wait_for(std::chrono::seconds(30)) != std::future_status::ready) return std::nullopt;
  return f.get();
}

// "comprimido", gzipped.
constexpr char kGzipped[] =
    "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\x4b\xce\xcf\x2d\x28\xca\xcc\xcd\x4c\xc9\x07\x00\xdc"
    "\x48\x18\x7d\x0a\x00\x00\x00";

struct Server {
  using Context = Handle<GMainContext, g_main_context_ref, g_main_context_unref>;
  using Loop = Handle<GMainLoop, g_main_loop_ref, g_main_loop_unref>;
  Context context = Context::adopt(g_main_context_new());
  Loop loop = Loop::adopt(g_main_loop_new(context.get(), FALSE));
  std::promise<std::string> base;
  std::thread thread{[this] { run(); }};

  ~Server() {
    g_main_loop_quit(loop.get());
    thread.join();
  }

  void run() {
    g_main_context_push_thread_default(context.get());
    auto server = GObjectPtr<SoupServer>::adopt(soup_server_new(nullptr, nullptr));
    soup_server_add_handler(server.get(), nullptr, handle, nullptr, nullptr);
    soup_server_listen_local(server.get(), 0, SOUP_SERVER_LISTEN_IPV4_ONLY, nullptr);
    auto uris = adoptAll<GUriPtr>(soup_server_get_uris(server.get()));
    GCharPtr text(uris.empty() ? g_strdup("") : g_uri_to_string(uris.front().get()));
    base.set_value(text.get());
    g_main_loop_run(loop.get());
    server = {};
    while (g_main_context_iteration(context.get(), FALSE)) {
    }
    g_main_context_pop_thread_default(context.get());
  }

  static void handle(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, gpointer) {
    const std::string p = path;
    SoupMessageHeaders* in = soup_server_message_get_request_headers(msg);
    auto field = [&](const char* name) {
      const char* v = soup_message_headers_get_one(in, name);
      return std::string(v ? v : "(none)");
    };
    std::string body;
    if (p == "/headers") {
      body = field("User-Agent") + "|" + field("X-Bad") + "|" + field("Content-Type");
    } else if (p == "/cookie") {
      soup_message_headers_append(soup_server_message_get_response_headers(msg), "Set-Cookie",
                                  "sesion=1; Path=/");
      body = field("Cookie");
    } else if (p == "/echo") {
      auto sent =
          GBytesPtr::adopt(soup_message_body_flatten(soup_server_message_get_request_body(msg)));
      gsize size = 0;
      const auto* data = static_cast<const char*>(g_bytes_get_data(sent.get(), &size));
      body = soup_server_message_get_method(msg) + ("|" + std::string(data ? data : "", size));
    } else if (p == "/moved") {
      return soup_server_message_set_redirect(msg, 302, "/echo");
    } else if (p == "/gzip") {
      soup_message_headers_append(soup_server_message_get_response_headers(msg), "Content-Encoding",
                                  "gzip");
      body = std::string(kGzipped, sizeof kGzipped - 1);
    } else if (p == "/silent") {
      return soup_server_message_pause(msg);  // never answers
    }
    soup_server_message_set_status(msg, body.empty() ? 404 : 200, nullptr);
    soup_server_message_set_response(msg, "application/octet-stream", SOUP_MEMORY_COPY, body.data(),
                                     body.size());
  }
};

struct HttpClientTest : ::testing::Test {
  Server server;
  std::string base = await(server.base.get_future()).value_or("");
  SoupHttpClient client;

  // The answer, which must come on a worker thread.
  HttpResponse fetch(const std::string& url, HttpRequest request = {}) {
    request.url = url.starts_with('/') ? base + url.substr(1) : url;
    std::promise<HttpResponse> answer;
    const auto mainThread = std::this_thread::get_id();
    client.send(request, [&](HttpResponse r) {
      EXPECT_NE(std::this_thread::get_id(), mainThread) << request.url;
      answer.set_value(std::move(r));
    });
    auto out = await(answer.get_future());
    if (!out) ADD_FAILURE() << "no answer for " << request.url;
    return out.value_or(HttpResponse{});
  }
};

TEST_F(HttpClientTest, SendsTheRequestAsGivenAndDeliversTheAnswerInBase64) {
  // Fields libsoup would refuse are left out; the rest arrive as given.
  const auto headers = fetch("/headers", {.headers = {{"User-Agent", "Agente/1"},
                                                      {"X-Bad", "a\r\nX-Injected: 1"},
                                                      {"Bad Name", "x"},
                                                      {"Content-Type", "text/plain"}}});
  EXPECT_EQ(std::tie(headers.status, headers.error, headers.bodyBase64),
            std::tuple(200, std::nullopt, base64Encode("Agente/1|(none)|text/plain")));

  // One jar for every request, as a browser keeps a site's session.
  EXPECT_EQ(fetch("/cookie").bodyBase64, base64Encode("(none)"));
  EXPECT_EQ(fetch("/cookie").bodyBase64, base64Encode("sesion=1"));

  // What the page's fetches need of libsoup: the method and the body's bytes
  // on the wire, a redirect followed, a gzipped body undone.
  using namespace std::string_literals;
  EXPECT_EQ(fetch("/echo", {.method = "PUT", .body = "\0\xff\n"s}).bodyBase64,
            base64Encode("PUT|\0\xff\n"s));
  EXPECT_EQ(fetch("/moved").bodyBase64, base64Encode("GET|"));
  EXPECT_EQ(fetch("/gzip").bodyBase64, base64Encode("comprimido"));
}

// Silent (any error will do), or refused before anything is sent.
TEST_F(HttpClientTest, TransportFailuresAndWhatLibsoupCannotSendAreErrorsWithoutStatus) {
  const std::tuple<std::string, HttpRequest, std::string> cases[] = {
      {"/silent", {.timeoutSeconds = 1}, ""},
      {"/headers", {.method = "GET / HTTP/1.1\r\nX-Injected: 1\r\n\r\nGET"}, "Método no admitido"},
      {"data:text/plain,hola", {}, "URL no admitida"},
      {"file:///etc/hostname", {}, "URL no admitida"},
      {"http:sin-host", {}, "URL no admitida"},
      {"https:///x", {}, "URL no admitida"},
  };
  for (const auto& [url, request, error] : cases) {
    const auto out = fetch(url, request);
    EXPECT_EQ(std::tie(out.status, out.bodyBase64), std::tuple(0, std::nullopt)) << url;
    ASSERT_TRUE(out.error) << url;
    EXPECT_EQ(error.empty() ? !out.error->empty() : out.error == error, true) << *out.error;
  }
}

TEST_F(HttpClientTest, ClientGoneDeliversWhatItHasAndNothingAfter) {
  std::atomic<bool> refusedAnswered = false, silentAnswered = false;
  {
    SoupHttpClient doomed;
    doomed.send({.url = base + "silent"}, [&](HttpResponse) { silentAnswered = true; });
    doomed.send({.url = "data:,x"}, [&](HttpResponse) { refusedAnswered = true; });
  }
  EXPECT_TRUE(refusedAnswered);
  EXPECT_FALSE(silentAnswered);
}

}  // namespace
}  // namespace qv::gtk
