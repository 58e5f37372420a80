#include "host/gtk/http_client.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "host/gtk/callback.h"

namespace qv::gtk {
namespace {

// What a worker turns into an HttpResponse: the body stays in libsoup's
// buffer until then, so the main thread never copies it.
struct Job {
  std::function<void(HttpResponse)> done;
  int status = 0;
  GBytesPtr bytes;
  std::optional<std::string> error;
};

struct Pending {
  std::function<void(HttpResponse)> done;
  GObjectPtr<SoupMessage> message;
  GThreadPool* workers;  // valid while *closed is false
  std::shared_ptr<const bool> closed;
};

void runJob(gpointer data, gpointer) {
  std::unique_ptr<Job> job(static_cast<Job*>(data));
  auto deliver = [&job] {
    HttpResponse response{job->status, std::nullopt, std::move(job->error)};
    if (job->bytes) {
      gsize size = 0;
      auto bytes = static_cast<const char*>(g_bytes_get_data(job->bytes.get(), &size));
      response.body = size ? std::string(bytes, size) : std::string();
    }
    job->bytes = {};
    job->done(std::move(response));
  };
  guarded<void>(deliver);
}

void finished(Pending& pending, GObject* session, GAsyncResult* result) {
  GError* raw = nullptr;
  auto bytes =
      GBytesPtr::adopt(soup_session_send_and_read_finish(SOUP_SESSION(session), result, &raw));
  auto error = GErrorPtr::adopt(raw);
  // Only the client's own end cancels, and then nobody waits for an answer.
  if (*pending.closed) return;
  auto job = std::make_unique<Job>();
  job->done = std::move(pending.done);
  job->status = static_cast<int>(soup_message_get_status(pending.message.get()));
  job->bytes = std::move(bytes);
  if (error) job->error = error.get()->message;
  g_thread_pool_push(pending.workers, job.release(), nullptr);
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

}  // namespace

SoupHttpClient::SoupHttpClient()
    : jar_(GObjectPtr<SoupCookieJar>::adopt(soup_cookie_jar_new())),
      cancellable_(GObjectPtr<GCancellable>::adopt(g_cancellable_new())),
      workers_(g_thread_pool_new(runJob, nullptr, 2, FALSE, nullptr)) {}

SoupHttpClient::~SoupHttpClient() {
  *closed_ = true;
  g_cancellable_cancel(cancellable_.get());
  // workers_, the last member, is freed first: it waits for the answers
  // already queued, so no `done` runs once this returns.
}

SoupSession* SoupHttpClient::sessionFor(double timeoutSeconds) {
  // Whole seconds, at least one (0 would mean none at all).
  const guint seconds =
      timeoutSeconds > 1 ? static_cast<guint>(std::ceil(std::min(timeoutSeconds, 86400.0))) : 1;
  auto& session = sessions_[seconds];
  if (!session) {
    // libsoup alone allows two connections a host, so a page's polls of one
    // service would wait in line behind a slow answer; browsers allow six.
    session = GObjectPtr<SoupSession>::adopt(
        soup_session_new_with_options("max-conns-per-host", 6, "max-conns", 60, nullptr));
    soup_session_set_timeout(session.get(), seconds);
    soup_session_add_feature(session.get(), SOUP_SESSION_FEATURE(jar_.get()));
  }
  return session.get();
}

void SoupHttpClient::send(const HttpRequest& request, std::function<void(HttpResponse)> done) {
  auto refuse = [&](const char* error) {
    g_thread_pool_push(workers_.get(), new Job{std::move(done), 0, {}, error}, nullptr);
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

  SoupSession* session = sessionFor(request.timeoutSeconds);
  auto* sent = message.get();
  auto ready = onReady(
      [pending = Pending{std::move(done), std::move(message), workers_.get(), closed_}](
          GObject* session, GAsyncResult* result) mutable { finished(pending, session, result); });
  soup_session_send_and_read_async(session, sent, G_PRIORITY_DEFAULT, cancellable_.get(),
                                   ready.callback, ready.data);
}

}  // namespace qv::gtk
