// Ownership handles and signal connections: every reference taken is given
// back exactly once, and a connection's callable dies with the connection.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "host/gtk/gobject_ptr.h"
#include "host/gtk/signal.h"

namespace qv::gtk {
namespace {

bool finalized = false;

GObject* watched(GType type = G_TYPE_OBJECT) {
  finalized = false;
  GObject* o = G_OBJECT(g_object_new(type, nullptr));
  g_object_weak_ref(
      o, [](gpointer, GObject*) { finalized = true; }, nullptr);
  return o;
}
using Notify = void(GObject*, GParamSpec*);
void notify(GObject* o) { g_signal_emit_by_name(o, "notify", nullptr); }

TEST(Handle, AdoptCopyMoveAndRefGiveEachReferenceBackOnce) {
  {
    auto a = GObjectPtr<GObject>::adopt(watched());
    {
      GObjectPtr<GObject> copy = a;  // NOLINT: the copy is the point
      GObjectPtr<GObject> moved = std::move(copy);
      EXPECT_EQ(a.get()->ref_count, 2u);
      auto extra = GObjectPtr<GObject>::ref(a.get());
      moved = extra;  // assignment releases what it held
      EXPECT_EQ(a.get()->ref_count, 3u);
    }
    EXPECT_EQ(a.get()->ref_count, 1u);
  }
  EXPECT_TRUE(finalized);

  {  // ref sinks a floating reference
    auto held = GObjectPtr<GObject>::ref(watched(G_TYPE_INITIALLY_UNOWNED));
    EXPECT_FALSE(g_object_is_floating(held.get()));
    EXPECT_EQ(held.get()->ref_count, 1u);
  }
  EXPECT_TRUE(finalized);

  static int frees = 0;
  {  // a boxed value is freed once, by its last handle
    auto bytes = GBytesPtr::adopt(g_bytes_new_with_free_func(
        "x", 1, [](gpointer) { ++frees; }, nullptr));
    GBytesPtr copy = bytes;  // NOLINT: the copy is the point
    GBytesPtr moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(moved.get(), bytes.get());
  }
  EXPECT_EQ(frees, 1);
}

TEST(Signal, AConnectionCallsItsCallableUntilItOrItsInstanceGoes) {
  auto counter = std::make_shared<int>(0);
  auto object = GObjectPtr<GObject>::adopt(watched());
  {
    Connection kept =
        connect<Notify>(object.get(), "notify", [counter](GObject*, GParamSpec*) { ++*counter; });
    Connection moved = std::move(kept);  // the move keeps it connected, once
    notify(object.get());
  }
  EXPECT_EQ(counter.use_count(), 1);  // disconnected, and the callable freed with it
  notify(object.get());
  EXPECT_EQ(*counter, 1);

  // An instance that goes first takes its handlers along; the connection
  // that outlives it has nothing left to disconnect.
  Connection outlived =
      connect<Notify>(object.get(), "notify", [counter](GObject*, GParamSpec*) {});
  attach<Notify>(object.get(), "notify", [counter](GObject*, GParamSpec*) { ++*counter; });
  notify(object.get());
  EXPECT_EQ(std::tuple(*counter, counter.use_count()), std::tuple(2, 3));
  object = {};
  EXPECT_TRUE(finalized);
  EXPECT_EQ(counter.use_count(), 1);
  outlived.reset();
}

TEST(Signal, OtherHandlersGoByTheirOwnRemoverOnceAndNotAfterTheirInstance) {
  static std::vector<gulong> removed;
  auto remove = [](gpointer, gulong id) { removed.push_back(id); };
  auto object = GObjectPtr<GObject>::adopt(watched());
  {
    Connection kept(object.get(), 7, remove), moved;
    moved = std::move(kept);  // the remover goes along with the handler
  }
  Connection outlived(object.get(), 8, remove);
  object = {};
  outlived.reset();
  EXPECT_EQ(removed, std::vector<gulong>{7});
}

// A throwing callable gives GLib the default answer instead of unwinding through C.
TEST(Callback, AnAsyncCallbackRunsOnceAndIsFreedAndAThrowGivesTheDefault) {
  auto object = GObjectPtr<GObject>::adopt(watched());
  auto thrower = [](GObject*, GParamSpec*) -> gboolean { throw std::runtime_error("x"); };
  EXPECT_EQ((Trampoline<gboolean(GObject*, GParamSpec*)>::repeated<decltype(thrower)>(
                object.get(), nullptr, &thrower)),
            FALSE);
  auto kept = connect<Notify>(object.get(), "notify", [](GObject*, GParamSpec*) { throw 1; });
  notify(object.get());
  auto counter = std::make_shared<int>(0);
  auto ready = onReady([counter](GObject*, GAsyncResult*) { ++*counter; });
  EXPECT_EQ(counter.use_count(), 2);
  ready.callback(nullptr, nullptr, ready.data);
  EXPECT_EQ(*counter, 1);
  EXPECT_EQ(counter.use_count(), 1);
}

}  // namespace
}  // namespace qv::gtk
