#include "host/gtk/http_client.h"

#include <libsoup/soup.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "host/gtk/callback.h"
#include "host/gtk/debug.h"
#include "util/base64.h"

namespace qv::gtk {
namespace {

// One read of a body: big enough that a 32 MB body takes a few hundred
// turns of the network loop, small enough to stay in the cache.
constexpr gsize kChunk = 256 * 1024;

// Bodies are read, encoded and wrapped at a lower priority than the main
// thread's: on a busy machine the scheduler runs the main loop first, so
// input and frames are not kept waiting behind a large answer. On Linux
// this sets the calling thread's nice value only, once a thread.
void yieldToMainThread() {
  thread_local bool lowered = false;
  if (std::exchange(lowered, true)) return;
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);
  if ((nice == -1 && errno) || setpriority(PRIO_PROCESS, 0, std::min(nice + 5, 19)) != 0)
    QV_DEBUG("red", "prioridad del hilo sin cambiar");
}

struct Job {
  std::function<void(HttpResponse)> done;
  HttpResponse response;
};

void runJob(gpointer data, gpointer) {
  yieldToMainThread();
  std::unique_ptr<Job> job(static_cast<Job*>(data));
  auto deliver = [&job] { job->done(std::move(job->response)); };
  guarded<void>(deliver);
}

void answer(GThreadPool* workers, std::function<void(HttpResponse)> done, HttpResponse response) {
  g_thread_pool_push(workers, new Job{std::move(done), std::move(response)}, nullptr);
}

// RFC 9110 token: what a method or a field name may be made of. Anything
// else could end the request line or a field early.
bool isToken(std::string_view s) {
  return !s.empty() && std::ranges::all_of(s, [](char c) {
    return g_ascii_isalnum(c) ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
  });
}

bool isFieldValue(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

GUriPtr httpUri(const std::string& url) {
  // A URL that does not parse is answered as refused.
  auto uri = GUriPtr::adopt(g_uri_parse(url.c_str(), GUriFlags(SOUP_HTTP_URI_FLAGS), nullptr));
  if (!uri) return {};
  const std::string_view scheme = g_uri_get_scheme(uri.get());  // always lower case
  const char* host = g_uri_get_host(uri.get());
  if ((scheme != "http" && scheme != "https") || !host || !*host) return {};
  return uri;
}

using GMainContextPtr = Handle<GMainContext, g_main_context_ref, g_main_context_unref>;
using GMainLoopPtr = Handle<GMainLoop, g_main_loop_ref, g_main_loop_unref>;

}  // namespace

// The thread and everything libsoup holds. Past the constructor, every
// member but `context`, `loop` and `workers` is touched on the thread only.
struct NetworkThread {
  explicit NetworkThread(GThreadPool* pool)
      : context(GMainContextPtr::adopt(g_main_context_new())),
        loop(GMainLoopPtr::adopt(g_main_loop_new(context.get(), FALSE))),
        workers(pool),
        thread([this] { run(); }) {}

  ~NetworkThread() {
    invoke([this] {
      closing = true;
      g_cancellable_cancel(cancellable.get());
      g_main_loop_quit(loop.get());
    });
    thread.join();
  }

  // Runs `task` on the network thread. A task still queued when the thread
  // ends is freed with the context, unrun.
  template <typename F>
  void invoke(F task) {
    auto run = [task = std::move(task)]() mutable -> gboolean {
      task();
      return G_SOURCE_REMOVE;
    };
    using Run = decltype(run);
    g_main_context_invoke_full(context.get(), G_PRIORITY_DEFAULT,
                               &Trampoline<gboolean()>::template repeated<Run>,
                               new Run(std::move(run)), [](gpointer data) { destroy<Run>(data); });
  }

  void run() {
    yieldToMainThread();
    g_main_context_push_thread_default(context.get());
    jar = GObjectPtr<SoupCookieJar>::adopt(soup_cookie_jar_new());
    cancellable = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
    g_main_loop_run(loop.get());
    // Cancelled transfers still complete, each freeing what it holds.
    while (inFlight > 0) g_main_context_iteration(context.get(), TRUE);
    sessions.clear();
    jar = {};
    while (g_main_context_iteration(context.get(), FALSE)) {
    }
    g_main_context_pop_thread_default(context.get());
  }

  SoupSession* sessionFor(double timeoutSeconds) {
    // Whole seconds, at least one (0 would mean none at all).
    const guint seconds =
        timeoutSeconds > 1 ? static_cast<guint>(std::ceil(std::min(timeoutSeconds, 86400.0))) : 1;
    auto& session = sessions[seconds];
    if (!session) {
      // libsoup alone allows two connections a host, so a page's polls of one
      // service would wait in line behind a slow answer; browsers allow six.
      session = GObjectPtr<SoupSession>::adopt(
          soup_session_new_with_options("max-conns-per-host", 6, "max-conns", 60, nullptr));
      soup_session_set_timeout(session.get(), seconds);
      soup_session_add_feature(session.get(), SOUP_SESSION_FEATURE(jar.get()));
    }
    return session.get();
  }

  void start(GObjectPtr<SoupMessage> message, double timeoutSeconds,
             std::function<void(HttpResponse)> done);

  GMainContextPtr context;
  GMainLoopPtr loop;
  GThreadPool* workers;
  GObjectPtr<SoupCookieJar> jar;
  // libsoup keeps the time-out on the session: one session per time-out in
  // use, all sharing the jar. The application only ever uses one.
  std::map<guint, GObjectPtr<SoupSession>> sessions;
  GObjectPtr<GCancellable> cancellable;
  int inFlight = 0;
  bool closing = false;  // once set, nothing more is answered
  std::thread thread;    // last: starts once the rest is ready
};

namespace {

// One request from sending to its last byte, passed from each completion of
// the network loop to the next.
struct Transfer {
  Transfer(NetworkThread& network, GObjectPtr<SoupMessage> message,
           std::function<void(HttpResponse)> done)
      : network(network), message(std::move(message)), done(std::move(done)) {
    ++network.inFlight;
  }
  ~Transfer() { --network.inFlight; }
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  NetworkThread& network;
  GObjectPtr<SoupMessage> message;
  std::function<void(HttpResponse)> done;
  GObjectPtr<GInputStream> body;
  Base64Writer encoded;
  std::unique_ptr<char[]> buffer = std::make_unique<char[]>(kChunk);
};
using TransferPtr = std::unique_ptr<Transfer>;

void finish(TransferPtr t, std::optional<std::string> error) {
  // Only the client's own end cancels, and then nobody waits for an answer.
  if (t->network.closing) return;
  HttpResponse response{static_cast<int>(soup_message_get_status(t->message.get())), std::nullopt,
                        std::move(error)};
  if (!response.error) response.bodyBase64 = std::move(t->encoded).finish();
  answer(t->network.workers, std::move(t->done), std::move(response));
}

void finish(TransferPtr t, GError* raw) {
  auto error = GErrorPtr::adopt(raw);
  finish(std::move(t), std::string(error.get()->message));
}

void readMore(TransferPtr t) {
  GInputStream* stream = t->body.get();
  char* buffer = t->buffer.get();
  GCancellable* cancellable = t->network.cancellable.get();
  auto ready = onReady([t = std::move(t)](GObject* source, GAsyncResult* result) mutable {
    GError* raw = nullptr;
    const gssize n = g_input_stream_read_finish(G_INPUT_STREAM(source), result, &raw);
    if (n < 0) return finish(std::move(t), raw);
    if (n == 0) return finish(std::move(t), std::nullopt);
    try {
      t->encoded.add({t->buffer.get(), static_cast<size_t>(n)});
    } catch (const std::exception&) {  // no memory for a body this large
      return finish(std::move(t), std::string("respuesta demasiado grande"));
    }
    readMore(std::move(t));
  });
  g_input_stream_read_async(stream, buffer, kChunk, G_PRIORITY_DEFAULT, cancellable, ready.callback,
                            ready.data);
}

}  // namespace

void NetworkThread::start(GObjectPtr<SoupMessage> message, double timeoutSeconds,
                          std::function<void(HttpResponse)> done) {
  if (closing) return;
  auto* sent = message.get();
  auto ready = onReady([t = std::make_unique<Transfer>(*this, std::move(message), std::move(done))](
                           GObject* session, GAsyncResult* result) mutable {
    GError* raw = nullptr;
    t->body = GObjectPtr<GInputStream>::adopt(
        soup_session_send_finish(SOUP_SESSION(session), result, &raw));
    if (!t->body) return finish(std::move(t), raw);
    SoupMessageHeaders* headers = soup_message_get_response_headers(t->message.get());
    try {
      if (soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH)
        t->encoded.reserve(static_cast<size_t>(soup_message_headers_get_content_length(headers)));
    } catch (const std::exception&) {
      return finish(std::move(t), std::string("respuesta demasiado grande"));
    }
    readMore(std::move(t));
  });
  soup_session_send_async(sessionFor(timeoutSeconds), sent, G_PRIORITY_DEFAULT, cancellable.get(),
                          ready.callback, ready.data);
}

// Its own two threads (exclusive), so that their lower priority stays with
// this client's answers and never reaches another pool's tasks.
SoupHttpClient::SoupHttpClient()
    : workers_(g_thread_pool_new(runJob, nullptr, 2, TRUE, nullptr)),
      network_(std::make_unique<NetworkThread>(workers_.get())) {}

// network_ goes first: its thread ends, then workers_ waits for the answers
// it already queued, so no `done` runs once this returns.
SoupHttpClient::~SoupHttpClient() = default;

void SoupHttpClient::send(const HttpRequest& request, std::function<void(HttpResponse)> done) {
  auto refuse = [&](const char* error) {
    answer(workers_.get(), std::move(done), {0, std::nullopt, error});
  };
  // libsoup takes http and https only, and writes the method unchecked.
  const auto uri = httpUri(request.url);
  if (!uri) return refuse("URL no admitida");
  if (!isToken(request.method)) return refuse("Método no admitido");

  auto message =
      GObjectPtr<SoupMessage>::adopt(soup_message_new_from_uri(request.method.c_str(), uri.get()));
  SoupMessageHeaders* headers = soup_message_get_request_headers(message.get());
  for (const auto& [name, value] : request.headers) {
    // A field libsoup would refuse is left out rather than sent broken.
    if (isToken(name) && isFieldValue(value))
      soup_message_headers_replace(headers, name.c_str(), value.c_str());
  }
  if (request.body) {
    auto body = GBytesPtr::adopt(g_bytes_new(request.body->data(), request.body->size()));
    // No content type of its own: a "Content-Type" field set above stays.
    soup_message_set_request_body_from_bytes(message.get(), nullptr, body.get());
  }
  // The message is the network thread's from here on.
  network_->invoke([network = network_.get(), message = std::move(message),
                    timeout = request.timeoutSeconds, done = std::move(done)]() mutable {
    network->start(std::move(message), timeout, std::move(done));
  });
}

}  // namespace qv::gtk
