// Ownership of GObject and GLib allocations: every reference the backend
// holds lives in one of these handles, never in a hand-counted pointer.
#pragma once

#include <glib-object.h>

#include <memory>
#include <utility>

namespace qv::gtk {

struct GObjectUnref {
  void operator()(gpointer p) const { g_object_unref(p); }
};

// A strong reference to a GObject of type T.
template <typename T>
class GObjectPtr {
 public:
  GObjectPtr() = default;
  // Takes over a reference the caller already owns (a "transfer full" return).
  static GObjectPtr adopt(T* p) { return GObjectPtr(p); }
  // Adds a reference of our own; floating references are sunk.
  static GObjectPtr ref(T* p) {
    return GObjectPtr(p ? static_cast<T*>(g_object_ref_sink(p)) : nullptr);
  }

  // Copies share the object, each holding a reference of its own.
  GObjectPtr(const GObjectPtr& other)
      : ptr_(other ? static_cast<T*>(g_object_ref(other.get())) : nullptr) {}
  GObjectPtr& operator=(const GObjectPtr& other) {
    if (this != &other) *this = GObjectPtr(other);
    return *this;
  }
  GObjectPtr(GObjectPtr&&) noexcept = default;
  GObjectPtr& operator=(GObjectPtr&&) noexcept = default;

  T* get() const { return ptr_.get(); }
  explicit operator bool() const { return ptr_ != nullptr; }

 private:
  explicit GObjectPtr(T* p) : ptr_(p) {}
  std::unique_ptr<T, GObjectUnref> ptr_;
};

struct GFreeDeleter {
  void operator()(gpointer p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GErrorDeleter {
  void operator()(GError* e) const { g_error_free(e); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

// For out-parameters: `GError* raw = nullptr; f(&raw); GErrorPtr e(raw);`.

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
