#include <new>

#include "platform/thread.h"
#include "platform/thread_faults.h"
#include "platform/win32.h"

namespace kelvo::platform {
namespace {

DWORD WINAPI RunBody(LPVOID body) {
  (*static_cast<std::function<void()>*>(body))();
  return 0;
}

}  // namespace

struct Thread::Native {
  std::function<void()> body;
  HANDLE handle = nullptr;
  DWORD id = 0;
};

// The thread is made suspended so that it runs its first instruction at its
// priority already. Everything that can fail comes before it: a running
// thread must never be left without its owner.
std::unique_ptr<Thread> Thread::StartAt(Priority priority, std::function<void()> body) {
  if (ThreadStartShouldFail()) return nullptr;
  std::unique_ptr<Thread> made;
  try {
    made.reset(new Thread(std::make_unique<Native>()));
    made->native_->body = std::move(body);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  Native& native = *made->native_;
  native.handle = CreateThread(nullptr, 0, RunBody, &native.body, CREATE_SUSPENDED, &native.id);
  if (native.handle == nullptr) return nullptr;
  if (priority == Priority::kHighest) SetThreadPriority(native.handle, THREAD_PRIORITY_HIGHEST);
  ResumeThread(native.handle);
  return made;
}

std::uint32_t Thread::Id() const { return native_->id; }

Thread::Thread(std::unique_ptr<Native> native) : native_(std::move(native)) {}

Thread::~Thread() {
  if (native_->handle == nullptr) return;  // its start failed
  WaitForSingleObject(native_->handle, INFINITE);
  CloseHandle(native_->handle);
}

struct ManualResetEvent::Native {
  HANDLE handle = nullptr;
};

std::unique_ptr<ManualResetEvent> ManualResetEvent::Create() {
  if (EventCreationShouldFail()) return nullptr;
  auto native = std::make_unique<Native>();
  native->handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (native->handle == nullptr) return nullptr;
  return std::unique_ptr<ManualResetEvent>(new ManualResetEvent(std::move(native)));
}

ManualResetEvent::ManualResetEvent(std::unique_ptr<Native> native) : native_(std::move(native)) {}

ManualResetEvent::~ManualResetEvent() { CloseHandle(native_->handle); }

void ManualResetEvent::Set() { SetEvent(native_->handle); }

void ManualResetEvent::Wait() { WaitForSingleObject(native_->handle, INFINITE); }

bool ManualResetEvent::WaitFor(std::uint32_t milliseconds) {
  return WaitForSingleObject(native_->handle, milliseconds) == WAIT_OBJECT_0;
}

void SleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

}  // namespace kelvo::platform
