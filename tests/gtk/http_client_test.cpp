// The libsoup client against a SoupServer on 127.0.0.1 in the same process,
// spinning the default main context as the application's main loop would.
#include "host/gtk/http_client.h"

#include <gtest/gtest.h>
#include <libsoup/soup.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace qv::gtk {
namespace {

const std::string kBinary("\0\x01\xfe\xff{\"a\":1}\r\n", 13);

void handle(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, gpointer) {
  const std::string p = path;
  auto reply = [&](guint status, const std::string& body) {
    soup_server_message_set_status(msg, status, nullptr);
    soup_server_message_set_response(msg, "application/octet-stream", SOUP_MEMORY_COPY, body.data(),
                                     body.size());
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
  } else if (p == "/silent") {
    soup_server_message_pause(msg);  // never answers
  } else {
    reply(500, "");
  }
}

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

struct HttpClientTest : ::testing::Test {
  GObjectPtr<SoupServer> server;
  std::string base;
  SoupHttpClient client;

  void SetUp() override {
    server = GObjectPtr<SoupServer>::adopt(soup_server_new(nullptr, nullptr));
    soup_server_add_handler(server.get(), nullptr, handle, nullptr, nullptr);
    GError* error = nullptr;
    ASSERT_TRUE(soup_server_listen_local(server.get(), 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error));
    GSList* uris = soup_server_get_uris(server.get());
    GCharPtr text(g_uri_to_string(static_cast<GUri*>(uris->data)));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    base = text.get();
    if (base.ends_with('/')) base.pop_back();
  }

  struct Outcome {
    HttpResponse response;
    bool onWorker = false;
  };

  // Sends and runs the main context until `done` has run, for 30 s at most.
  Outcome fetch(HttpRequest request) {
    std::mutex lock;
    std::optional<Outcome> outcome;
    const auto mainThread = std::this_thread::get_id();
    client.send(request, [&](HttpResponse r) {
      std::lock_guard guard(lock);
      outcome = Outcome{std::move(r), std::this_thread::get_id() != mainThread};
      g_main_context_wakeup(nullptr);
    });
    const gint64 giveUp = g_get_monotonic_time() + 30 * G_USEC_PER_SEC;
    for (;;) {
      {
        std::lock_guard guard(lock);
        if (outcome) return *outcome;
      }
      if (g_get_monotonic_time() > giveUp) {
        ADD_FAILURE() << "no answer for " << request.url;
        return {};
      }
      g_main_context_iteration(nullptr, TRUE);
    }
  }

  HttpRequest get(const std::string& path) {
    HttpRequest r;
    r.url = base + path;
    return r;
  }
};

TEST_F(HttpClientTest, SendsTheRequestAndDeliversAnyAnswerOnAWorker) {
  const auto ok = fetch(get("/binary"));
  EXPECT_TRUE(ok.onWorker);
  EXPECT_EQ(ok.response.status, 200);
  EXPECT_EQ(ok.response.body, kBinary);
  EXPECT_EQ(ok.response.error, std::nullopt);
  const auto missing = fetch(get("/missing"));
  EXPECT_EQ(missing.response.status, 404);
  EXPECT_EQ(missing.response.body, "no such page");

  // Fields libsoup would refuse are left out; the rest arrive as given.
  auto headers = get("/headers");
  headers.headers = {{"User-Agent", "Agente/1"},
                     {"X-Uno", "uno"},
                     {"X-Bad", "a\r\nX-Injected: 1"},
                     {"Bad Name", "x"},
                     {"Content-Type", "text/plain"}};
  EXPECT_EQ(fetch(headers).response.body, "Agente/1|uno|(none)|text/plain");

  auto post = get("/echo");
  post.method = "POST";
  post.body = std::string("caf\xc3\xa9\0!", 7);
  EXPECT_EQ(fetch(post).response.body, std::string("POST:caf\xc3\xa9\0!", 12));
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
    EXPECT_EQ(out.response.body, std::nullopt) << request.url;
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

TEST_F(HttpClientTest, ClientGoneDeliversWhatItHasAndNothingAfter) {
  std::atomic<bool> refusedAnswered = false, silentAnswered = false;
  {
    SoupHttpClient doomed;
    auto silent = get("/silent");
    silent.timeoutSeconds = 60;
    doomed.send(silent, [&](HttpResponse) { silentAnswered = true; });
    HttpRequest refused;
    refused.url = "data:,x";
    doomed.send(refused, [&](HttpResponse) { refusedAnswered = true; });
    // Let the request reach the server before the client goes.
    for (int i = 0; i < 50; ++i) g_main_context_iteration(nullptr, FALSE);
  }
  EXPECT_TRUE(refusedAnswered);
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  EXPECT_FALSE(silentAnswered);
}

}  // namespace
}  // namespace qv::gtk
