#include "host/gtk/services.h"

#include <gio/gio.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <system_error>

#include "host/gtk/callback.h"
#include "host/gtk/debug.h"
#include "host/gtk/gobject_ptr.h"
#include "host/gtk/signal.h"

namespace qv::gtk {

// Never gtk_show_uri: it would show its own error dialog.
void DefaultBrowser::open(const std::string& url) {
  auto ready = onReady([](GObject*, GAsyncResult* result) {
    GError* raw = nullptr;
    g_app_info_launch_default_for_uri_finish(result, &raw);
    debugError(raw, "navegador no abierto");
  });
  g_app_info_launch_default_for_uri_async(url.c_str(), nullptr, nullptr, ready.callback,
                                          ready.data);
}

void DebugLog::debug(std::string_view module, const std::string& line) {
  g_log(G_LOG_DOMAIN, G_LOG_LEVEL_DEBUG, "%.*s: %s", static_cast<int>(module.size()), module.data(),
        line.c_str());
}

Instant WallClock::now() { return static_cast<Instant>(g_get_real_time()) / 1e6; }

LocalTime WallClock::local(Instant at) {
  auto t = GDateTimePtr::adopt(g_date_time_new_from_unix_local(static_cast<gint64>(at)));
  if (!t) return {};  // outside the years GLib can write
  return {g_date_time_get_day_of_week(t.get()) - 1,
          g_date_time_get_hour(t.get()) * 60 + g_date_time_get_minute(t.get())};
}

std::unique_ptr<Observation> MainLoopTimers::after(double seconds, std::function<void()> task) {
  struct Pending final : Observation {
    SourceHandle source;
  };
  auto pending = std::make_unique<Pending>();
  auto milliseconds = static_cast<guint>(std::ceil(std::clamp(seconds, 0.0, 86400.0) * 1000));
  pending->source =
      SourceHandle(addTimeout(milliseconds, [p = pending.get(), task = std::move(task)] {
        // Released first: the task may drop the handle, and the source ends here anyway.
        p->source.release();
        task();
        return G_SOURCE_REMOVE;
      }));
  return pending;
}

struct GMainQueue::Source {
  GSource base;
  GMainQueue* queue;
  gpointer wakeupTag;

  static gboolean prepare(GSource* source, gint* timeout) {
    *timeout = -1;
    return reinterpret_cast<Source*>(source)->queue->waiting_ > 0;
  }
  // The wake-up has done its job once the loop is awake: read it away.
  static gboolean check(GSource* source) {
    auto* self = reinterpret_cast<Source*>(source);
    if (g_source_query_unix_fd(source, self->wakeupTag) & G_IO_IN) {
      eventfd_t count;
      if (eventfd_read(self->queue->wakeup_, &count) != 0 && errno != EAGAIN)
        QV_DEBUG("cola", "cola principal: aviso no leído");
    }
    return self->queue->waiting_ > 0;
  }
  static gboolean dispatch(GSource* source, GSourceFunc, gpointer) {
    reinterpret_cast<Source*>(source)->queue->runOne();
    return G_SOURCE_CONTINUE;
  }
  static inline GSourceFuncs funcs = {prepare, check, dispatch, nullptr, nullptr, nullptr};
};

GMainQueue::GMainQueue()
    : wakeup_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      source_(GSourcePtr::adopt(g_source_new(&Source::funcs, sizeof(Source)))) {
  if (wakeup_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  auto* source = reinterpret_cast<Source*>(source_.get());
  source->queue = this;
  source->wakeupTag = g_source_add_unix_fd(source_.get(), wakeup_, G_IO_IN);
  g_source_set_name(source_.get(), "cola principal");
  g_source_attach(source_.get(), nullptr);
}

GMainQueue::~GMainQueue() {
  g_source_destroy(source_.get());
  close(wakeup_);
}

void GMainQueue::post(std::function<void()> task) {
  bool wasEmpty;
  {
    std::lock_guard guard(lock_);
    tasks_.push_back(std::move(task));
    wasEmpty = waiting_++ == 0;
  }
  // Once a wake-up is pending the loop sees the rest by itself.
  if (wasEmpty && eventfd_write(wakeup_, 1) != 0)
    QV_DEBUG("cola", "cola principal: aviso no enviado");
}

void GMainQueue::runOne() {
  std::function<void()> task;
  {
    std::lock_guard guard(lock_);
    if (tasks_.empty()) return;
    task = std::move(tasks_.front());
    tasks_.pop_front();
    --waiting_;
  }
  guarded<void>(task);
}

}  // namespace qv::gtk
