// Ownership of GObject and GLib allocations: every reference the backend
// holds lives in one of these handles, never in a hand-counted pointer.
#pragma once

#include <glib-object.h>

#include <memory>
#include <utility>
#include <vector>

#include "host/gtk/debug.h"

namespace qv::gtk {

// A strong reference to a T, given back with Unref. Ref adds one of our own
// (for a type without counts, a copy of our own).
template <typename T, auto Ref, auto Unref>
class Handle {
 public:
  Handle() = default;
  // Takes over a reference the caller already owns (a "transfer full" return).
  static Handle adopt(T* p) { return Handle(p); }
  static Handle ref(T* p) { return Handle(p ? static_cast<T*>(Ref(p)) : nullptr); }

  // Copies share the object, each holding a reference of its own.
  Handle(const Handle& other) : ptr_(other ? static_cast<T*>(Ref(other.get())) : nullptr) {}
  Handle& operator=(const Handle& other) {
    if (this != &other) *this = Handle(other);
    return *this;
  }
  Handle(Handle&&) noexcept = default;
  Handle& operator=(Handle&&) noexcept = default;

  T* get() const { return ptr_.get(); }
  explicit operator bool() const { return ptr_ != nullptr; }

 private:
  struct Release {
    void operator()(T* p) const { Unref(p); }
  };
  explicit Handle(T* p) : ptr_(p) {}
  std::unique_ptr<T, Release> ptr_;
};

// GObjects: ref sinks a floating reference.
inline gpointer refSink(gpointer p) { return g_object_ref_sink(p); }
template <typename T>
using GObjectPtr = Handle<T, refSink, g_object_unref>;

using GBytesPtr = Handle<GBytes, g_bytes_ref, g_bytes_unref>;
using GUriPtr = Handle<GUri, g_uri_ref, g_uri_unref>;
using GDateTimePtr = Handle<GDateTime, g_date_time_ref, g_date_time_unref>;
using GErrorPtr = Handle<GError, g_error_copy, g_error_free>;
using GVariantPtr = Handle<GVariant, g_variant_ref_sink, g_variant_unref>;
using GSourcePtr = Handle<GSource, g_source_ref, g_source_unref>;
// For out-parameters: `GError* raw = nullptr; f(&raw); auto e = GErrorPtr::adopt(raw);`.

// Takes an out-parameter's error that has nobody to answer to: it becomes a
// debug line. True when there was one.
inline bool debugError(GError* raw, const char* what) {
  auto error = GErrorPtr::adopt(raw);
  if (error) QV_DEBUG("glib", "%s: %s", what, error.get()->message);
  return static_cast<bool>(error);
}

// A "transfer full" list: every element adopted into its handle, the cells freed.
inline void freeCells(GList* list) { g_list_free(list); }
inline void freeCells(GSList* list) { g_slist_free(list); }
template <typename H, typename List, typename T = std::remove_pointer_t<decltype(H().get())>>
std::vector<H> adoptAll(List* list) {
  std::vector<H> out;
  for (List* l = list; l; l = l->next) out.push_back(H::adopt(static_cast<T*>(l->data)));
  freeCells(list);
  return out;
}

// Allocations with one owner and no count.
template <auto Free>
struct FreeWith {
  template <typename T>
  void operator()(T* p) const {
    Free(p);
  }
};
using GCharPtr = std::unique_ptr<gchar, FreeWith<g_free>>;
// Waits for the tasks already queued, then frees the pool.
inline void finishPool(GThreadPool* pool) { g_thread_pool_free(pool, FALSE, TRUE); }
using ThreadPoolPtr = std::unique_ptr<GThreadPool, FreeWith<finishPool>>;

// A main-loop source (timeout, Unix signal) by its id, removed with the
// handle unless it already ended itself and said so through `release`.
class SourceHandle {
 public:
  SourceHandle() = default;
  explicit SourceHandle(guint id) : id_(id) {}
  SourceHandle(SourceHandle&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  SourceHandle& operator=(SourceHandle&& other) noexcept {
    if (this != &other) {
      reset();
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  ~SourceHandle() { reset(); }

  explicit operator bool() const { return id_ != 0; }
  void reset() {
    if (id_) g_source_remove(std::exchange(id_, 0));
  }
  // For a callback about to return G_SOURCE_REMOVE: GLib drops the source.
  void release() { id_ = 0; }

 private:
  guint id_ = 0;
};

}  // namespace qv::gtk
