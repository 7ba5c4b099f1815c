// Threads of the SDK's own (transfer threads at the highest priority, the
// acquisition worker at the default one), manual-reset events to signal their
// end, and plain sleeps.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

namespace kelvo::platform {

// A running thread. Destroying it waits for the body to return, then closes
// the thread handle, so nothing it touches can be freed under it.
class Thread {
 public:
  // Starts body at the highest thread priority; null when no thread could be made.
  static std::unique_ptr<Thread> StartHighestPriority(std::function<void()> body) {
    return StartAt(Priority::kHighest, std::move(body));
  }
  // Starts body at the default priority; null when no thread could be made.
  static std::unique_ptr<Thread> Start(std::function<void()> body) {
    return StartAt(Priority::kDefault, std::move(body));
  }

  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // The system's id of the thread, never 0.
  std::uint32_t Id() const;

  struct Native;

 private:
  enum class Priority { kDefault, kHighest };
  static std::unique_ptr<Thread> StartAt(Priority priority, std::function<void()> body);
  explicit Thread(std::unique_ptr<Native> native);
  std::unique_ptr<Native> native_;
};

// Tests: the next `count` thread starts fail as if the system were out of threads.
void FailThreadStartsForTesting(int count);
// Tests: after `successes` more events are made, the next one cannot be; negative disarms.
void FailEventCreationForTesting(int successes);

// A manual-reset event: once set it stays set.
class ManualResetEvent {
 public:
  // Null when the system could not make one.
  static std::unique_ptr<ManualResetEvent> Create();

  ~ManualResetEvent();
  ManualResetEvent(const ManualResetEvent&) = delete;
  ManualResetEvent& operator=(const ManualResetEvent&) = delete;

  void Set();
  // Waits without a time limit.
  void Wait();
  // True if the event was set within the given milliseconds.
  bool WaitFor(std::uint32_t milliseconds);

  struct Native;

 private:
  explicit ManualResetEvent(std::unique_ptr<Native> native);
  std::unique_ptr<Native> native_;
};

void SleepMilliseconds(std::uint32_t milliseconds);

}  // namespace kelvo::platform
