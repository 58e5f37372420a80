// The libsoup client against a SoupServer on 127.0.0.1 that runs on a thread
// of its own, like the outside world: the test's main thread never runs the
// default main context, so every answer shows that the client needs nothing
// of the application's main loop.
#include "host/gtk/http_client.h"

#include <gtest/gtest.h>
#include <libsoup/soup.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "util/base64.h"

namespace qv::gtk {
namespace {

// A port on 127.0.0.1 that nobody listens on.
int closedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{.sin_family = AF_INET, .sin_addr = {htonl(INADDR_LOOPBACK)}};
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  close(fd);
  return ntohs(addr.sin_port);
}

// What the test waits for: set from any thread, awaited on the main one
// (30 s at most, so that a fault fails instead of hanging).
template <typename T>
struct Awaited {
  std::mutex lock;
  std::condition_variable changed;
  std::optional<T> value;

  void set(T v) {
    std::lock_guard guard(lock);
    value = std::move(v);
    changed.notify_all();
  }
  std::optional<T> wait() {
    std::unique_lock guard(lock);
    changed.wait_for(guard, std::chrono::seconds(30), [&] { return value.has_value(); });
    return value;
  }
};

struct Server {
  GMainContext* context = g_main_context_new();
  GMainLoop* loop = g_main_loop_new(context, FALSE);
  Awaited<std::string> base;
  Awaited<bool> gatedReached;
  SoupServerMessage* gated = nullptr;  // the server thread's only
  std::string tail;                    // of the gated answer, once released
  std::thread thread{[this] { run(); }};

  ~Server() {
    g_main_loop_quit(loop);
    thread.join();
    g_main_loop_unref(loop);
    g_main_context_unref(context);
  }

  void run() {
    g_main_context_push_thread_default(context);
    auto server = GObjectPtr<SoupServer>::adopt(soup_server_new(nullptr, nullptr));
    soup_server_add_handler(server.get(), nullptr, handle, this, nullptr);
    soup_server_listen_local(server.get(), 0, SOUP_SERVER_LISTEN_IPV4_ONLY, nullptr);
    auto uris = adoptAll<GUriPtr>(soup_server_get_uris(server.get()));
    GCharPtr text(uris.empty() ? g_strdup("") : g_uri_to_string(uris.front().get()));
    base.set(text.get());
    g_main_loop_run(loop);
    server = {};
    while (g_main_context_iteration(context, FALSE)) {
    }
    g_main_context_pop_thread_default(context);
  }

  // Ends the gated answer with `rest`, on the server's thread.
  void release(std::string rest) {
    tail = std::move(rest);
    g_main_context_invoke(
        context,
        +[](gpointer p) -> gboolean {
          auto* s = static_cast<Server*>(p);
          SoupMessageBody* body = soup_server_message_get_response_body(s->gated);
          soup_message_body_append(body, SOUP_MEMORY_COPY, s->tail.data(), s->tail.size());
          soup_message_body_complete(body);
          soup_server_message_unpause(s->gated);
          return G_SOURCE_REMOVE;
        },
        this);
  }

  static void handle(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*,
                     gpointer self) {
    const std::string p = path;
    SoupMessageHeaders* in = soup_server_message_get_request_headers(msg);
    auto field = [&](const char* name) {
      const char* v = soup_message_headers_get_one(in, name);
      return std::string(v ? v : "(none)");
    };
    std::string body;
    if (p == "/headers") {
      body = field("User-Agent") + "|" + field("X-Uno") + "|" + field("X-Bad") + "|" +
             field("Content-Type");
    } else if (p == "/cookie") {
      soup_message_headers_append(soup_server_message_get_response_headers(msg), "Set-Cookie",
                                  "sesion=1; Path=/");
      body = field("Cookie");
    } else if (p == "/silent") {
      return soup_server_message_pause(msg);  // never answers
    } else if (p == "/gated") {
      // A chunked body whose first part is out and whose rest waits for `release`.
      auto* server = static_cast<Server*>(self);
      server->gated = msg;
      soup_server_message_set_status(msg, 200, nullptr);
      soup_message_headers_set_encoding(soup_server_message_get_response_headers(msg),
                                        SOUP_ENCODING_CHUNKED);
      soup_message_body_append(soup_server_message_get_response_body(msg), SOUP_MEMORY_STATIC, "ab",
                               2);
      soup_server_message_pause(msg);
      return server->gatedReached.set(true);
    }
    soup_server_message_set_status(msg, body.empty() ? 404 : 200, nullptr);
    soup_server_message_set_response(msg, "application/octet-stream", SOUP_MEMORY_COPY, body.data(),
                                     body.size());
  }
};

struct HttpClientTest : ::testing::Test {
  Server server;
  std::string base = server.base.wait().value_or("");
  SoupHttpClient client;

  // The answer, which must come on a worker thread.
  HttpResponse fetch(const std::string& url, HttpRequest request = {}) {
    request.url = url.starts_with('/') ? base + url.substr(1) : url;
    Awaited<HttpResponse> answer;
    const auto mainThread = std::this_thread::get_id();
    client.send(request, [&](HttpResponse r) {
      EXPECT_NE(std::this_thread::get_id(), mainThread) << request.url;
      answer.set(std::move(r));
    });
    auto out = answer.wait();
    if (!out) ADD_FAILURE() << "no answer for " << request.url;
    return out.value_or(HttpResponse{});
  }
};

TEST_F(HttpClientTest, SendsTheRequestAndDeliversTheAnswerInBase64) {
  // Fields libsoup would refuse are left out; the rest arrive as given.
  const auto headers = fetch("/headers", {.headers = {{"User-Agent", "Agente/1"},
                                                      {"X-Uno", "uno"},
                                                      {"X-Bad", "a\r\nX-Injected: 1"},
                                                      {"Bad Name", "x"},
                                                      {"Content-Type", "text/plain"}}});
  EXPECT_EQ(headers.status, 200);
  EXPECT_EQ(headers.error, std::nullopt);
  EXPECT_EQ(headers.bodyBase64, base64Encode("Agente/1|uno|(none)|text/plain"));

  // One jar for every request, as a browser keeps a site's session.
  EXPECT_EQ(fetch("/cookie").bodyBase64, base64Encode("(none)"));
  EXPECT_EQ(fetch("/cookie").bodyBase64, base64Encode("sesion=1"));
}

// Refused or silent (any error will do), or refused before anything is sent.
TEST_F(HttpClientTest, TransportFailuresAndWhatLibsoupCannotSendAreErrorsWithoutStatus) {
  const std::tuple<std::string, HttpRequest, std::string> cases[] = {
      {"http://127.0.0.1:" + std::to_string(closedPort()) + "/", {}, ""},
      {"/silent", {.timeoutSeconds = 1}, ""},
      {"/headers", {.method = "GET / HTTP/1.1\r\nX-Injected: 1\r\n\r\nGET"}, "Método no admitido"},
      {"data:text/plain,hola", {}, "URL no admitida"},
      {"file:///etc/hostname", {}, "URL no admitida"},
      {"qv-mt5://estado/", {}, "URL no admitida"},
      {"ftp://127.0.0.1/", {}, "URL no admitida"},
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

TEST_F(HttpClientTest, ABodyStreamingInLeavesTheMainContextAlone) {
  Awaited<HttpResponse> answer;
  client.send({.url = base + "gated"}, [&](HttpResponse r) { answer.set(std::move(r)); });
  ASSERT_TRUE(server.gatedReached.wait());
  // Mid-body, nothing of the client's waits on the application's main loop.
  EXPECT_FALSE(g_main_context_pending(nullptr));
  server.release("cdefg");
  const auto r = answer.wait();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->bodyBase64, base64Encode("abcdefg"));  // pieces of 2 and 5 bytes
  EXPECT_FALSE(g_main_context_pending(nullptr));
}

TEST_F(HttpClientTest, ClientGoneDeliversWhatItHasAndNothingAfter) {
  std::atomic<bool> refusedAnswered = false, gatedAnswered = false;
  {
    SoupHttpClient doomed;
    doomed.send({.url = base + "gated"}, [&](HttpResponse) { gatedAnswered = true; });
    doomed.send({.url = "data:,x"}, [&](HttpResponse) { refusedAnswered = true; });
    ASSERT_TRUE(server.gatedReached.wait());
  }
  EXPECT_TRUE(refusedAnswered);
  EXPECT_FALSE(gatedAnswered);
}

}  // namespace
}  // namespace qv::gtk
