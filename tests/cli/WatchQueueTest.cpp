// The queue between the watcher and its workers: each name waits once, comes back once when it was told of again
// while a worker had it, and a retry waits its delay unless the file is reported done again.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "cli/WatchQueue.h"

using namespace std::chrono_literals;

TEST(WatchQueue, ANameWaitsOnceAndComesBackOnceIfToldOfWhileBusy) {
    WatchQueue queue;
    queue.Push({"a.png"});
    queue.Push({"b.png"});
    queue.Push({"a.png"});  // keeps its place
    auto first = queue.Pop();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name, "a.png");
    queue.Push({"a.png"});  // written again while a worker has it
    queue.Push({"a.png"});
    EXPECT_EQ(queue.Pop()->name, "b.png");
    queue.Finished("b.png");
    queue.Finished("a.png");
    auto again = queue.Pop();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->name, "a.png");
    queue.Finished("a.png");

    // A retry is due after its delay, or at once when the file is reported done again.
    queue.Push({"late.png", false, 1}, 1h);
    queue.Push({"c.png"});
    EXPECT_EQ(queue.Pop()->name, "c.png");
    queue.Finished("c.png");
    queue.Push({"late.png"});
    auto late = queue.Pop();
    ASSERT_TRUE(late);
    EXPECT_EQ(late->name, "late.png");
    EXPECT_EQ(late->attempt, 1);
    queue.Finished("late.png");
    queue.Push({"soon.png"}, 1ms);
    EXPECT_EQ(queue.Pop()->name, "soon.png");

    // Stop wakes a worker that waits, and nothing more is handed out.
    std::thread worker([&] { EXPECT_FALSE(queue.Pop()); });
    queue.Stop();
    worker.join();
    queue.Push({"d.png"});
    EXPECT_FALSE(queue.Pop());
}
