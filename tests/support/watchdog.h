// A watchdog for calls that may wait on the camera (stop, snapshot, release,
// trigger waits): a call slower than its bound is reported by name, and one
// that has not returned long after its bound ends the process, so a hang
// never stalls a run.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>

namespace kelvo::testing {

// Past the bound by this much a call counts as hung.
inline constexpr std::chrono::seconds kHangMargin{20};

// Runs call() on this thread; returns its result and how long it took. If it
// has not returned by bound + kHangMargin, names it on stderr and ends the
// process with exit code 3.
template <typename Call>
auto Watched(const char* name, std::chrono::milliseconds bound, Call&& call,
             std::chrono::milliseconds* took) {
  std::mutex lock;
  std::condition_variable returned;
  bool done = false;
  std::thread dog([&] {
    std::unique_lock<std::mutex> hold(lock);
    if (!returned.wait_for(hold, bound + kHangMargin, [&] { return done; })) {
      std::fprintf(stderr, "watchdog: %s has not returned after %lld ms; ending the process\n",
                   name, static_cast<long long>((bound + kHangMargin).count()));
      std::fflush(stderr);
      std::_Exit(3);
    }
  });
  auto started = std::chrono::steady_clock::now();
  auto finish = [&] {
    *took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  started);
    {
      std::lock_guard<std::mutex> hold(lock);
      done = true;
    }
    returned.notify_one();
    dog.join();
  };
  if constexpr (std::is_void_v<decltype(call())>) {
    std::forward<Call>(call)();
    finish();
  } else {
    auto result = std::forward<Call>(call)();
    finish();
    return result;
  }
}

}  // namespace kelvo::testing
