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

const std::string kBinary("\0\x01\xfe\xff{\"a\":1}\r\n", 13);

// A port on 127.0.0.1 that nobody listens on.
int closedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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
    GError* error = nullptr;
    soup_server_listen_local(server.get(), 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error);
    auto uris = adoptAll<GUriPtr>(soup_server_get_uris(server.get()));
    GCharPtr text(uris.empty() ? g_strdup("") : g_uri_to_string(uris.front().get()));
    std::string url = text.get();
    if (url.ends_with('/')) url.pop_back();
    base.set(url);
    g_main_loop_run(loop);
    server = {};
    while (g_main_context_iteration(context, FALSE)) {
    }
    g_main_context_pop_thread_default(context);
  }

  // Ends the gated answer with `tail`, on the server's thread.
  void release(std::string tail) {
    auto data = new std::pair<Server*, std::string>(this, std::move(tail));
    g_main_context_invoke(
        context,
        +[](gpointer p) -> gboolean {
          std::unique_ptr<std::pair<Server*, std::string>> d(
              static_cast<std::pair<Server*, std::string>*>(p));
          SoupMessageBody* body = soup_server_message_get_response_body(d->first->gated);
          soup_message_body_append(body, SOUP_MEMORY_COPY, d->second.data(), d->second.size());
          soup_message_body_complete(body);
          soup_server_message_unpause(d->first->gated);
          return G_SOURCE_REMOVE;
        },
        data);
  }

  static void handle(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*,
                     gpointer self) {
    const std::string p = path;
    auto reply = [&](guint status, const std::string& body) {
      soup_server_message_set_status(msg, status, nullptr);
      soup_server_message_set_response(msg, "application/octet-stream", SOUP_MEMORY_COPY,
                                       body.data(), body.size());
    };
    SoupMessageHeaders* in = soup_server_message_get_request_headers(msg);
    auto field = [&](const char* name) {
      const char* v = soup_message_headers_get_one(in, name);
      return std::string(v ? v : "(none)");
    };
    if (p == "/binary") {
      reply(200, kBinary);
    } else if (p == "/missing") {
      reply(404, "no such page");
    } else if (p == "/headers") {
      reply(200, field("User-Agent") + "|" + field("X-Uno") + "|" + field("X-Bad") + "|" +
                     field("Content-Type"));
    } else if (p == "/echo") {
      SoupMessageBody* body = soup_server_message_get_request_body(msg);
      reply(200, std::string(soup_server_message_get_method(msg)) + ":" +
                     std::string(body->data, static_cast<size_t>(body->length)));
    } else if (p == "/cookie") {
      soup_message_headers_append(soup_server_message_get_response_headers(msg), "Set-Cookie",
                                  "sesion=1; Path=/");
      reply(200, field("Cookie"));
    } else if (p == "/silent") {
      soup_server_message_pause(msg);  // never answers
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
      server->gatedReached.set(true);
    } else {
      reply(500, "");
    }
  }
};

struct HttpClientTest : ::testing::Test {
  Server server;
  std::string base = server.base.wait().value_or("");
  SoupHttpClient client;

  struct Outcome {
    HttpResponse response;
    bool onWorker = false;
  };

  Outcome fetch(HttpRequest request) {
    Awaited<Outcome> outcome;
    const auto mainThread = std::this_thread::get_id();
    client.send(request, [&](HttpResponse r) {
      outcome.set({std::move(r), std::this_thread::get_id() != mainThread});
    });
    auto out = outcome.wait();
    if (!out) ADD_FAILURE() << "no answer for " << request.url;
    return out.value_or(Outcome{});
  }

  HttpRequest get(const std::string& path) {
    HttpRequest r;
    r.url = base + path;
    return r;
  }
};

TEST_F(HttpClientTest, SendsTheRequestAndDeliversAnyAnswerInBase64OnAWorker) {
  const auto ok = fetch(get("/binary"));
  EXPECT_TRUE(ok.onWorker);
  EXPECT_EQ(ok.response.status, 200);
  EXPECT_EQ(ok.response.bodyBase64, base64Encode(kBinary));
  EXPECT_EQ(ok.response.error, std::nullopt);
  const auto missing = fetch(get("/missing"));
  EXPECT_EQ(missing.response.status, 404);
  EXPECT_EQ(missing.response.bodyBase64, base64Encode("no such page"));

  // Fields libsoup would refuse are left out; the rest arrive as given.
  auto headers = get("/headers");
  headers.headers = {{"User-Agent", "Agente/1"},
                     {"X-Uno", "uno"},
                     {"X-Bad", "a\r\nX-Injected: 1"},
                     {"Bad Name", "x"},
                     {"Content-Type", "text/plain"}};
  EXPECT_EQ(fetch(headers).response.bodyBase64, base64Encode("Agente/1|uno|(none)|text/plain"));

  // One jar for every request, as a browser keeps a site's session.
  EXPECT_EQ(fetch(get("/cookie")).response.bodyBase64, base64Encode("(none)"));
  EXPECT_EQ(fetch(get("/cookie")).response.bodyBase64, base64Encode("sesion=1"));

  auto post = get("/echo");
  post.method = "POST";
  post.body = std::string("caf\xc3\xa9\0!", 7);
  EXPECT_EQ(fetch(post).response.bodyBase64, base64Encode(std::string("POST:caf\xc3\xa9\0!", 12)));
}

TEST_F(HttpClientTest, TransportFailuresAreErrorsWithoutStatus) {
  HttpRequest refused;
  refused.url = "http://127.0.0.1:" + std::to_string(closedPort()) + "/";
  auto silent = get("/silent");
  silent.timeoutSeconds = 1;
  for (const auto& request : {refused, silent}) {
    const auto out = fetch(request);
    EXPECT_TRUE(out.onWorker);
    EXPECT_EQ(out.response.status, 0) << request.url;
    EXPECT_EQ(out.response.bodyBase64, std::nullopt) << request.url;
    ASSERT_TRUE(out.response.error) << request.url;
    EXPECT_FALSE(out.response.error->empty()) << request.url;
  }
}

TEST_F(HttpClientTest, RefusesWhatLibsoupCannotSendWithoutTouchingIt) {
  for (const char* url : {"data:text/plain,hola", "file:///etc/hostname", "qv-mt5://estado/",
                          "ftp://127.0.0.1/", "http:sin-host", "https:///x", "mailto:a@b.c"}) {
    HttpRequest r;
    r.url = url;
    const auto out = fetch(r);
    EXPECT_TRUE(out.onWorker);
    EXPECT_EQ(out.response.status, 0) << url;
    EXPECT_EQ(out.response.error, "URL no admitida") << url;
  }
  auto injected = get("/echo");
  injected.method = "GET / HTTP/1.1\r\nX-Injected: 1\r\n\r\nGET";
  EXPECT_EQ(fetch(injected).response.error, "Método no admitido");
}

TEST_F(HttpClientTest, ABodyStreamingInLeavesTheMainContextAlone) {
  Awaited<HttpResponse> answer;
  client.send(get("/gated"), [&](HttpResponse r) { answer.set(std::move(r)); });
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
    doomed.send(get("/gated"), [&](HttpResponse) { gatedAnswered = true; });
    HttpRequest refused;
    refused.url = "data:,x";
    doomed.send(refused, [&](HttpResponse) { refusedAnswered = true; });
    ASSERT_TRUE(server.gatedReached.wait());
  }
  EXPECT_TRUE(refusedAnswered);
  EXPECT_FALSE(gatedAnswered);
}

}  // namespace
}  // namespace qv::gtk
