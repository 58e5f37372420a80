// The queue that brings answers from worker threads to the main loop: every
// task wakes a loop asleep in poll, runs on the main thread in the order it
// was posted, one a turn, and a task not yet run dies with the queue.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "host/gtk/services.h"

namespace qv::gtk {
namespace {

TEST(MainQueueTest, TasksFromOtherThreadsWakeTheLoopAndRunInOrderOneATurn) {
  std::vector<int> ran;
  const auto mainThread = std::this_thread::get_id();
  bool offThread = false;
  {
    GMainQueue queue;
    // Posted in bursts with pauses: the loop is asleep when each burst comes.
    std::thread worker([&] {
      for (int n = 0; n < 100; ++n) {
        queue.post([&, n] {
          offThread |= std::this_thread::get_id() != mainThread;
          ran.push_back(n);
        });
        if (n % 5 == 4) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    // A hung wake-up fails the test instead of hanging it.
    bool late = false;
    const guint guard = g_timeout_add_seconds(
        10,
        [](gpointer late) {
          *static_cast<bool*>(late) = true;
          return G_SOURCE_REMOVE;
        },
        &late);
    while (ran.size() < 100 && !late) {
      const size_t before = ran.size();
      g_main_context_iteration(nullptr, TRUE);
      EXPECT_LE(ran.size(), before + 1);
    }
    worker.join();
    if (!late) g_source_remove(guard);
    ASSERT_FALSE(late) << ran.size() << " of 100 tasks ran";
    queue.post([&] { ran.push_back(-1); });
  }
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  EXPECT_FALSE(offThread);
  for (int n = 0; n < 100; ++n) EXPECT_EQ(ran[n], n);
  EXPECT_EQ(ran.size(), 100u);  // the last task went with the queue
}

}  // namespace
}  // namespace qv::gtk
