#include "api/handle_ring.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <future>
#include <thread>

#include "camera/camera.h"

namespace kelvo {
namespace {

constexpr std::uint32_t A = 0xA, B = 0xB, C = 0xC, D = 0xD, Unknown = 0x77;

// A ring whose handle source plays a fixed list of draws.
struct ScriptedRing {
  std::deque<std::uint32_t> draws;
  HandleRing ring{[this](std::int32_t) {
    std::uint32_t next = draws.front();
    draws.pop_front();
    return next;
  }};

  std::uint32_t Insert(std::initializer_list<std::uint32_t> script) {
    draws.insert(draws.end(), script);
    return ring.Insert(std::make_shared<Camera>());
  }
};

// A camera whose release, run with the ring's lock free, says it has begun
// and then waits (bounded) until the test lets it end.
class HeldRelease : public Camera {
 public:
  HeldRelease(std::promise<void>& begun, std::shared_future<void> ended)
      : begun_(begun), ended_(std::move(ended)) {}
  ~HeldRelease() override {
    begun_.set_value();
    ended_.wait_for(std::chrono::seconds(10));
  }

 private:
  std::promise<void>& begun_;
  std::shared_future<void> ended_;
};

// While one thread releases A's camera another finds B, which moves the head:
// the removal must unlink A's node, not whatever is at the head by then.
TEST(HandleRingTest, ARemovalUnlinksItsOwnNodeWhileAnotherThreadMovesTheHead) {
  ScriptedRing r;
  std::promise<void> begun, ended;
  r.draws.push_back(A);
  r.ring.Insert(std::make_shared<HeldRelease>(begun, ended.get_future().share()));
  r.Insert({B});
  r.Insert({C});
  std::thread remover([&] { EXPECT_TRUE(r.ring.Remove(A)); });
  ASSERT_EQ(begun.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_NE(r.ring.Find(B), nullptr);
  EXPECT_EQ(r.ring.HeadHandle(), B);
  ended.set_value();
  remover.join();
  EXPECT_EQ(r.ring.Count(), 2);
  EXPECT_EQ(r.ring.Find(A), nullptr);
  EXPECT_NE(r.ring.Find(B), nullptr);
  EXPECT_NE(r.ring.Find(C), nullptr);
}

TEST(HandleRingTest, LookUpMovesTheHeadToTheFoundNodeAndAFailureStopsBeforeTheStart) {
  ScriptedRing r;
  r.Insert({A});
  r.Insert({B});
  r.Insert({C});
  EXPECT_EQ(r.ring.HeadHandle(), C);
  EXPECT_EQ(r.ring.Count(), 3);

  EXPECT_NE(r.ring.Find(A), nullptr);
  EXPECT_EQ(r.ring.HeadHandle(), A);

  // The walk gives up on the node that stood before A, and leaves the head there.
  EXPECT_EQ(r.ring.Find(Unknown), nullptr);
  EXPECT_EQ(r.ring.HeadHandle(), B);
  EXPECT_NE(r.ring.Find(C), nullptr);
  EXPECT_EQ(r.ring.HeadHandle(), C);
}

TEST(HandleRingTest, FailedLookUpOnOneNodeOrAnEmptyRing) {
  ScriptedRing r;
  EXPECT_EQ(r.ring.Find(A), nullptr);
  EXPECT_EQ(r.ring.HeadHandle(), 0u);
  r.Insert({A});
  EXPECT_EQ(r.ring.Find(Unknown), nullptr);
  EXPECT_EQ(r.ring.HeadHandle(), A);
}

TEST(HandleRingTest, ZeroAndRegisteredHandlesAreDrawnAgain) {
  ScriptedRing r;
  EXPECT_EQ(r.Insert({0, A}), A);
  EXPECT_EQ(r.Insert({A, 0, A, B}), B);
  EXPECT_TRUE(r.draws.empty());
  EXPECT_EQ(r.ring.Count(), 2);
}

TEST(HandleRingTest, RemoveDestroysTheCameraOnceAndKeepsTheOthers) {
  ScriptedRing r;
  r.Insert({A});
  r.Insert({B});
  r.Insert({C});
  std::weak_ptr<Camera> removed = r.ring.Find(B);

  EXPECT_TRUE(r.ring.Remove(B));
  EXPECT_TRUE(removed.expired());
  EXPECT_FALSE(r.ring.Remove(B));
  EXPECT_EQ(r.ring.Count(), 2);
  EXPECT_NE(r.ring.Find(A), nullptr);
  EXPECT_NE(r.ring.Find(C), nullptr);

  EXPECT_TRUE(r.ring.Remove(A));
  EXPECT_TRUE(r.ring.Remove(C));
  EXPECT_EQ(r.ring.Count(), 0);
  EXPECT_EQ(r.ring.HeadHandle(), 0u);
  EXPECT_EQ(r.Insert({D}), D);
}

TEST(HandleRingTest, ACameraInUseOutlivesItsReleaseUntilTheCallEnds) {
  ScriptedRing r;
  r.Insert({A});
  std::shared_ptr<Camera> inUse = r.ring.Find(A);
  EXPECT_TRUE(r.ring.Remove(A));
  EXPECT_EQ(r.ring.Find(A), nullptr);
  EXPECT_EQ(inUse->Width(), 1280);  // still a whole object for the call that holds it
}

TEST(HandleRingTest, ClearUnlinksEveryNode) {
  ScriptedRing r;
  r.Insert({A});
  r.Insert({B});
  r.ring.Clear();
  EXPECT_EQ(r.ring.Count(), 0);
  EXPECT_EQ(r.ring.Find(A), nullptr);
}

}  // namespace
}  // namespace kelvo
