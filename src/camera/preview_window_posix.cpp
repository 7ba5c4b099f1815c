// No windows here: a preview cannot be shown, and everything that would touch
// one does nothing. Tests may switch on a stand-in that keeps classes,
// windows and device contexts in memory and draws into memory, so that the
// window paths run here too, under the race and address checkers.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "camera/preview_window.h"
#include "camera/preview_window_gdi.h"
#include "image/frame_image.h"

namespace kelvo {
namespace {

struct StandInWindow {
  std::string className;
  int width;
  int height;
};

struct StandInDC {
  StandInWindow* window;
  std::vector<std::uint8_t> picture;  // what was last drawn into it
  int draws = 0;
};

// Everything the stand-in holds; handles are the addresses of its records,
// looked up before use, so a stale or foreign handle is never followed.
struct StandIn {
  std::mutex lock;
  bool on = false;
  int creationDelayMs = 0;
  std::vector<std::string> classes;
  std::vector<std::unique_ptr<StandInWindow>> windows;
  std::vector<std::unique_ptr<StandInDC>> dcs;

  template <typename Record>
  static Record* Find(std::vector<std::unique_ptr<Record>>& records, const void* handle) {
    auto found = std::find_if(records.begin(), records.end(),
                              [handle](const auto& record) { return record.get() == handle; });
    return found != records.end() ? found->get() : nullptr;
  }
  template <typename Record>
  static void Erase(std::vector<std::unique_ptr<Record>>& records, const void* handle) {
    std::erase_if(records, [handle](const auto& record) { return record.get() == handle; });
  }
};

StandIn& Windows() {
  static StandIn standIn;
  return standIn;
}

WindowHandle MakeWindow(const char* className, int width, int height) {
  StandIn& standIn = Windows();
  int delay = 0;
  {
    std::lock_guard<std::mutex> hold(standIn.lock);
    delay = standIn.creationDelayMs;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  std::lock_guard<std::mutex> hold(standIn.lock);
  if (!standIn.on || std::find(standIn.classes.begin(), standIn.classes.end(), className) ==
                         standIn.classes.end()) {
    return nullptr;
  }
  standIn.windows.push_back(
      std::make_unique<StandInWindow>(StandInWindow{className, width, height}));
  return standIn.windows.back().get();
}

}  // namespace

void UseWindowStandInForTesting(bool on) {
  StandIn& standIn = Windows();
  std::lock_guard<std::mutex> hold(standIn.lock);
  standIn.on = on;
  standIn.creationDelayMs = 0;
  standIn.classes.clear();
  standIn.windows.clear();
  standIn.dcs.clear();
}

void DelayStandInWindowsForTesting(int milliseconds) {
  StandIn& standIn = Windows();
  std::lock_guard<std::mutex> hold(standIn.lock);
  standIn.creationDelayMs = milliseconds;
}

WindowStandInCounts CountStandInWindowsForTesting() {
  StandIn& standIn = Windows();
  std::lock_guard<std::mutex> hold(standIn.lock);
  WindowStandInCounts counts;
  counts.classes = static_cast<int>(standIn.classes.size());
  counts.windows = static_cast<int>(standIn.windows.size());
  counts.dcs = static_cast<int>(standIn.dcs.size());
  for (const auto& dc : standIn.dcs) counts.draws += dc->draws;
  return counts;
}

void* GetPreviewDC(WindowHandle window) {
  StandIn& standIn = Windows();
  std::lock_guard<std::mutex> hold(standIn.lock);
  StandInWindow* found = StandIn::Find(standIn.windows, window);
  if (found == nullptr) return nullptr;
  standIn.dcs.push_back(std::make_unique<StandInDC>(StandInDC{found, {}, 0}));
  return standIn.dcs.back().get();
}

void ReleasePreviewDC(WindowHandle /*window*/, void* dc) {
  StandIn& standIn = Windows();
  std::lock_guard<std::mutex> hold(standIn.lock);
  StandIn::Erase(standIn.dcs, dc);
}

void DestroyPreviewWindow(WindowHandle window) {
  StandIn& standIn = Windows();
  std::lock_guard<std::mutex> hold(standIn.lock);
  StandIn::Erase(standIn.windows, window);
}

// As on Windows, a class whose windows still exist stays registered.
void UnregisterPreviewClass(const char* className) {
  if (className == nullptr) return;
  StandIn& standIn = Windows();
  std::lock_guard<std::mutex> hold(standIn.lock);
  const bool inUse =
      std::any_of(standIn.windows.begin(), standIn.windows.end(),
                  [className](const auto& window) { return window->className == className; });
  if (!inUse) std::erase(standIn.classes, std::string(className));
}

bool PreviewClientSize(WindowHandle window, int* width, int* height) {
  StandIn& standIn = Windows();
  std::lock_guard<std::mutex> hold(standIn.lock);
  StandInWindow* found = StandIn::Find(standIn.windows, window);
  if (found == nullptr || found->width <= 0 || found->height <= 0) return false;
  *width = found->width;
  *height = found->height;
  return true;
}

namespace gdi {

bool RegisterWindowClass(const char* className) {
  StandIn& standIn = Windows();
  std::lock_guard<std::mutex> hold(standIn.lock);
  if (!standIn.on || std::find(standIn.classes.begin(), standIn.classes.end(), className) !=
                         standIn.classes.end()) {
    return false;
  }
  standIn.classes.emplace_back(className);
  return true;
}

WindowHandle CreateChildWindow(const char* className, WindowHandle /*parent*/, int /*x*/, int /*y*/,
                               int width, int height) {
  return MakeWindow(className, width, height);
}

WindowHandle CreateCentredWindow(const char* className, int clientWidth, int clientHeight) {
  return MakeWindow(className, clientWidth, clientHeight);
}

bool FocusShowUpdate(WindowHandle /*window*/) { return true; }

// Every byte of the image is read, as GDI would, so a freed or short image shows.
void DrawDib(void* dc, const FrameImage& image, DibRows /*rows*/) {
  StandIn& standIn = Windows();
  std::lock_guard<std::mutex> hold(standIn.lock);
  StandInDC* found = StandIn::Find(standIn.dcs, dc);
  if (found == nullptr || image.pixels == nullptr) return;
  const auto bytes =
      static_cast<std::size_t>(image.stride) * static_cast<std::size_t>(image.height);
  found->picture.resize(bytes);
  std::memcpy(found->picture.data(), image.pixels, bytes);
  ++found->draws;
}

}  // namespace gdi
}  // namespace kelvo
