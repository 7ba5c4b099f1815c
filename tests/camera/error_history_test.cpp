#include "camera/error_history.h"

#include <gtest/gtest.h>

#include <thread>

namespace kelvo {
namespace {

TEST(ErrorHistoryTest, KeepsTheNewestTwentyAndPopsNewestFirst) {
  ErrorHistory history;
  for (int code = 1; code <= 25; ++code) history.Push(code);
  for (int expected = 25; expected >= 6; --expected) EXPECT_EQ(history.Pop(), expected);
  EXPECT_EQ(history.Pop(), 0);
}

TEST(ErrorHistoryTest, EmptyHistoryPopsZero) {
  ErrorHistory history;
  EXPECT_EQ(history.Pop(), 0);
  history.Push(11);
  EXPECT_EQ(history.Pop(), 11);
  EXPECT_EQ(history.Pop(), 0);
}

// The worker records while the application pops: no code may be torn or duplicated.
TEST(ErrorHistoryTest, PushesFromTwoThreadsNeverInterleave) {
  ErrorHistory history;
  auto pushMany = [&history](int code) {
    for (int i = 0; i < 5000; ++i) history.Push(code);
  };
  std::thread worker(pushMany, 8);
  std::thread application(pushMany, 13);
  worker.join();
  application.join();
  for (int i = 0; i < ErrorHistory::kDepth; ++i) {
    int code = history.Pop();
    EXPECT_TRUE(code == 8 || code == 13) << code;
  }
  EXPECT_EQ(history.Pop(), 0);
}

}  // namespace
}  // namespace kelvo
