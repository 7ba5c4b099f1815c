#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "platform/thread.h"
#include "platform/thread_faults.h"

namespace kelvo::platform {
namespace {

// Windows' THREAD_PRIORITY_HIGHEST is two steps above normal; here that is a
// nice value two lower. Without the privilege for it the thread runs at the
// normal priority, which only costs latency.
void RaiseCurrentThreadPriority() {
  auto tid = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  int nice = getpriority(PRIO_PROCESS, tid);
  if (errno == 0) setpriority(PRIO_PROCESS, tid, nice - 2);
}

}  // namespace

struct Thread::Native {
  std::thread thread;
  std::uint32_t id = 0;
};

std::unique_ptr<Thread> Thread::StartAt(Priority priority, std::function<void()> body) {
  if (ThreadStartShouldFail()) return nullptr;
  // Ids count the SDK's threads from 1: the system's ids are not 32-bit here.
  static std::atomic<std::uint32_t> lastId{0};
  // Everything that can fail comes before the start: a running thread must
  // never be left without its owner.
  std::unique_ptr<Thread> made;
  try {
    made.reset(new Thread(std::make_unique<Native>()));
    made->native_->id = ++lastId;
    made->native_->thread = std::thread([priority, body = std::move(body)] {
      if (priority == Priority::kHighest) RaiseCurrentThreadPriority();
      body();
    });
  } catch (const std::system_error&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return made;
}

std::uint32_t Thread::Id() const { return native_->id; }

Thread::Thread(std::unique_ptr<Native> native) : native_(std::move(native)) {}

Thread::~Thread() {
  if (native_->thread.joinable()) native_->thread.join();
}

struct ManualResetEvent::Native {
  std::mutex lock;
  std::condition_variable changed;
  bool set = false;
};

std::unique_ptr<ManualResetEvent> ManualResetEvent::Create() {
  if (EventCreationShouldFail()) return nullptr;
  return std::unique_ptr<ManualResetEvent>(new ManualResetEvent(std::make_unique<Native>()));
}

ManualResetEvent::ManualResetEvent(std::unique_ptr<Native> native) : native_(std::move(native)) {}

ManualResetEvent::~ManualResetEvent() = default;

void ManualResetEvent::Set() {
  std::lock_guard<std::mutex> hold(native_->lock);
  native_->set = true;
  native_->changed.notify_all();
}

void ManualResetEvent::Wait() {
  std::unique_lock<std::mutex> hold(native_->lock);
  native_->changed.wait(hold, [this] { return native_->set; });
}

bool ManualResetEvent::WaitFor(std::uint32_t milliseconds) {
  std::unique_lock<std::mutex> hold(native_->lock);
  return native_->changed.wait_for(hold, std::chrono::milliseconds(milliseconds),
                                   [this] { return native_->set; });
}

void SleepMilliseconds(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace kelvo::platform
