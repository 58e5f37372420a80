// Ownership handles and signal connections: every reference taken is given
// back exactly once, and a connection's callable dies with the connection.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "host/gtk/gobject_ptr.h"
#include "host/gtk/signal.h"

namespace qv::gtk {
namespace {

bool finalized = false;
void noteFinalized(gpointer, GObject*) { finalized = true; }

GObject* watched() {
  finalized = false;
  GObject* o = G_OBJECT(g_object_new(G_TYPE_OBJECT, nullptr));
  g_object_weak_ref(o, noteFinalized, nullptr);
  return o;
}

TEST(GObjectPtr, AdoptCopyMoveAndRefGiveEachReferenceBackOnce) {
  {
    auto a = GObjectPtr<GObject>::adopt(watched());
    {
      GObjectPtr<GObject> copy = a;  // NOLINT: the copy is the point
      EXPECT_EQ(a.get()->ref_count, 2u);
      GObjectPtr<GObject> moved = std::move(copy);
      EXPECT_EQ(a.get()->ref_count, 2u);
      auto extra = GObjectPtr<GObject>::ref(a.get());
      EXPECT_EQ(a.get()->ref_count, 3u);
      moved = extra;  // assignment releases what it held
      EXPECT_EQ(a.get()->ref_count, 3u);
    }
    EXPECT_EQ(a.get()->ref_count, 1u);
    EXPECT_FALSE(finalized);
  }
  EXPECT_TRUE(finalized);
}

TEST(GObjectPtr, RefSinksAFloatingReference) {
  GObject* floating = G_OBJECT(g_object_new(G_TYPE_INITIALLY_UNOWNED, nullptr));
  g_object_weak_ref(floating, noteFinalized, nullptr);
  finalized = false;
  {
    auto held = GObjectPtr<GObject>::ref(floating);
    EXPECT_FALSE(g_object_is_floating(held.get()));
    EXPECT_EQ(held.get()->ref_count, 1u);
  }
  EXPECT_TRUE(finalized);
}

TEST(Handle, ABoxedValueIsFreedOnceByItsLastHandle) {
  static int frees = 0;
  frees = 0;
  {
    auto bytes = GBytesPtr::adopt(g_bytes_new_with_free_func(
        "x", 1, [](gpointer) { ++frees; }, nullptr));
    GBytesPtr copy = bytes;  // NOLINT: the copy is the point
    GBytesPtr moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(moved.get(), bytes.get());
  }
  EXPECT_EQ(frees, 1);
}

TEST(Signal, AConnectionCallsItsCallableUntilItGoes) {
  auto counter = std::make_shared<int>(0);
  auto object = GObjectPtr<GObject>::adopt(watched());
  auto emit = [&] { g_signal_emit_by_name(object.get(), "notify", nullptr); };
  {
    Connection kept = connect<void(GObject*, GParamSpec*)>(
        object.get(), "notify", [counter](GObject*, GParamSpec*) { ++*counter; });
    Connection moved = std::move(kept);  // the move keeps it connected, once
    emit();
    EXPECT_EQ(*counter, 1);
  }
  EXPECT_EQ(counter.use_count(), 1);  // disconnected, and the callable freed with it
  emit();
  EXPECT_EQ(*counter, 1);
}

TEST(Signal, AnInstanceThatGoesFirstTakesItsHandlersAlong) {
  auto counter = std::make_shared<int>(0);
  Connection outlived;
  {
    auto object = GObjectPtr<GObject>::adopt(watched());
    outlived = connect<void(GObject*, GParamSpec*)>(object.get(), "notify",
                                                    [counter](GObject*, GParamSpec*) {});
    attach<void(GObject*, GParamSpec*)>(object.get(), "notify",
                                        [counter](GObject*, GParamSpec*) { ++*counter; });
    g_signal_emit_by_name(object.get(), "notify", nullptr);
    EXPECT_EQ(counter.use_count(), 3);
  }
  EXPECT_TRUE(finalized);
  EXPECT_EQ(*counter, 1);
  EXPECT_EQ(counter.use_count(), 1);
  outlived.reset();  // nothing left to disconnect
}

TEST(Signal, AThrowingCallableGivesGLibTheDefaultAnswer) {
  auto object = GObjectPtr<GObject>::adopt(watched());
  auto thrower = [](GObject*, GParamSpec*) -> gboolean { throw std::runtime_error("x"); };
  EXPECT_EQ((Trampoline<gboolean(GObject*, GParamSpec*)>::repeated<decltype(thrower)>(
                object.get(), nullptr, &thrower)),
            FALSE);
  auto kept = connect<void(GObject*, GParamSpec*)>(object.get(), "notify",
                                                   [](GObject*, GParamSpec*) { throw 1; });
  g_signal_emit_by_name(object.get(), "notify", nullptr);
}

TEST(Callback, AnAsyncCallbackRunsOnceAndIsFreed) {
  auto counter = std::make_shared<int>(0);
  auto ready = onReady([counter](GObject*, GAsyncResult*) { ++*counter; });
  EXPECT_EQ(counter.use_count(), 2);
  ready.callback(nullptr, nullptr, ready.data);
  EXPECT_EQ(*counter, 1);
  EXPECT_EQ(counter.use_count(), 1);
}

}  // namespace
}  // namespace qv::gtk
