// The SDK's own preview loop on emulated cameras at the sensor's pace, as an
// application sees it: per camera, the frames announced to the application
// against the frames the emulator produced, and the process's CPU time per
// delivered frame (the emulator's share included). On Linux the cameras run
// Kelvo_StartPreview with the notice window and buffer an application would
// give; on Windows Kelvo_CallBackPreview draws each into a child window.
//
// KELVO_PREVIEW_SECONDS sets the measured time of each run (default 5).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "KelvoSdk_Q12.h"
#include "api/handle_ring.h"
#include "camera/camera.h"
#include "emulator/camera_emulator.h"
#include "emulator/driver_port_selection.h"
#include "platform/notices.h"
#include "platform/settings_store.h"
#include "settings/registry_settings.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

namespace kelvo {
namespace {

using Clock = std::chrono::steady_clock;

double ProcessCpuSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7;
#else
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

double MeasuredSeconds() {
  const char* text = std::getenv("KELVO_PREVIEW_SECONDS");
  const double seconds = text != nullptr ? std::atof(text) : 0.0;
  return seconds > 0 ? seconds : 5.0;
}

constexpr double kWarmUpSeconds = 1.0;

struct FilterSetting {
  int id, value;
};
// The stages of the processing benchmark's "every stage" frame.
constexpr FilterSetting kEveryStage[] = {
    {KELVO_FILTER_HUE, 30},      {KELVO_FILTER_SATURATION, 40}, {KELVO_FILTER_GAMMA, 120},
    {KELVO_FILTER_CONTRAST, 20}, {KELVO_FILTER_SHARPNESS, 10},  {KELVO_FILTER_BRIGHTNESS, 20},
};

// Frame notices per camera, told apart by the FrameInfo each one points at.
class NoticeCounter {
 public:
  void Expect(KelvoHandle handle, int index) {
    infoOf_[reinterpret_cast<std::uintptr_t>(&TheHandleRing().Find(handle)->frameInfo)] = index;
  }
  void Count(std::uintptr_t wParam) {
    auto found = infoOf_.find(wParam);
    if (found != infoOf_.end()) ++counts_[found->second];
  }
  std::map<int, long> TakeCounts() { return std::exchange(counts_, {}); }

 private:
  std::map<std::uintptr_t, int> infoOf_;
  std::map<int, long> counts_;
};

// Where the cameras show their frames and the application hears of them.
class Application {
 public:
#ifdef _WIN32
  explicit Application(int cameras) : columns_(cameras > 1 ? 2 : 1) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KelvoPreviewBench";
    RegisterClassA(&windowClass);
    const int rows = (cameras + columns_ - 1) / columns_;
    window_ = CreateWindowExA(0, windowClass.lpszClassName, "preview bench",
                              WS_POPUP | WS_VISIBLE, 0, 0, columns_ * kTileWidth,
                              rows * kTileHeight, nullptr, nullptr, windowClass.hInstance,
                              nullptr);
  }
  ~Application() { DestroyWindow(window_); }

  // A quarter-size child window each: the scaled drawing path.
  bool Start(KelvoHandle handle, int index, std::vector<unsigned char>& buffer) {
    Kelvo_SetPreviewWindow(handle, window_, (index % columns_) * kTileWidth,
                           (index / columns_) * kTileHeight, kTileWidth, kTileHeight);
    return Kelvo_CallBackPreview(handle, window_, buffer.data(), static_cast<int>(buffer.size()),
                                 1) == 1;
  }

  // Dispatches the window messages for `seconds`, counting frame notices.
  void Run(double seconds, NoticeCounter& counter) {
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    MSG message;
    while (Clock::now() < until) {
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == KELVO_MSG_FRAME && message.wParam != 0) {
          counter.Count(message.wParam);
        } else {
          DispatchMessageA(&message);
        }
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }

 private:
  static constexpr int kTileWidth = 320, kTileHeight = 240;
  int columns_;
  HWND window_;
#else
  explicit Application(int) {}

  // What Kelvo_CallBackPreview would store, without the window it makes.
  bool Start(KelvoHandle handle, int index, std::vector<unsigned char>& buffer) {
    std::shared_ptr<Camera> camera = TheHandleRing().Find(handle);
    camera->NotifyWindow = reinterpret_cast<platform::WindowHandle>(std::uintptr_t{0x1000} + index);
    camera->userBuffer = buffer.data();
    camera->userBufferSize = static_cast<std::int32_t>(buffer.size());
    camera->userMemoryOrder = 1;
    return Kelvo_StartPreview(handle) == 1;
  }

  // Collects the recorded notices for `seconds`.
  void Run(double seconds, NoticeCounter& counter) {
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      Drain(counter);
    }
    Drain(counter);
  }

 private:
  static void Drain(NoticeCounter& counter) {
    for (const platform::Notice& notice : platform::TakeRecordedNotices()) {
      if (notice.message == KELVO_MSG_FRAME && notice.wParam != 0) counter.Count(notice.wParam);
    }
  }
#endif
};

struct RunFigures {
  std::vector<std::pair<long, long>> perCamera;  // frames delivered, frames produced
  std::vector<double> deliveredShare;            // per camera, delivered / produced
  double producedPerSecond = 0;        // per camera, on average
  double cpuMsPerFrame = 0;
};

// One run: `cameras` emulated cameras previewing in `bitsPerPixel` for the
// measured time after a warm-up.
RunFigures RunPreview(int cameras, int bitsPerPixel, bool everyStage) {
  platform::DeleteUserSettingsForTesting(settings::kSettingsKeyPath);
  emulator::EmulatorOptions options = emulator::EmulatorOptions::Chart();
  options.cameras = cameras;
  auto emulated = std::make_shared<emulator::CameraEmulator>(options);
  emulator::UseDriverPortForTesting(emulated);

  Application application(cameras);
  NoticeCounter counter;
  std::vector<KelvoHandle> handles;
  std::vector<std::vector<unsigned char>> buffers(static_cast<std::size_t>(cameras));
  RunFigures figures;
  for (int i = 0; i < cameras; ++i) {
    KelvoHandle handle = Kelvo_Initialize(nullptr);
    handles.push_back(handle);
    Kelvo_SetDeviceNumber(handle, i);
    Kelvo_SetColorMode(handle, bitsPerPixel);
    if (everyStage) {
      for (const FilterSetting& filter : kEveryStage) {
        Kelvo_SetFilterValue(handle, filter.id, filter.value);
      }
    }
    buffers[static_cast<std::size_t>(i)].resize(std::size_t{1280} * 960 * (bitsPerPixel / 8));
    counter.Expect(handle, i);
  }
  // Started once all are open: opening a camera runs the start-up sequence on
  // device 0 first, which would end device 0's stream.
  for (int i = 0; i < cameras; ++i) {
    KelvoHandle handle = handles[static_cast<std::size_t>(i)];
    if (!application.Start(handle, i, buffers[static_cast<std::size_t>(i)])) {
      std::fprintf(stderr, "preview bench: camera %d did not start (error %d)\n", i,
                   Kelvo_GetLastError(handle));
    }
  }

  application.Run(kWarmUpSeconds, counter);
  counter.TakeCounts();
  std::vector<std::uint64_t> producedBefore;
  for (int i = 0; i < cameras; ++i) producedBefore.push_back(emulated->Camera(i).FramesDelivered());
  const double cpuBefore = ProcessCpuSeconds();
  const auto started = Clock::now();

  application.Run(MeasuredSeconds(), counter);

  const double cpu = ProcessCpuSeconds() - cpuBefore;
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  std::map<int, long> delivered = counter.TakeCounts();
  long deliveredTotal = 0;
  double producedTotal = 0;
  for (int i = 0; i < cameras; ++i) {
    const auto produced = static_cast<double>(emulated->Camera(i).FramesDelivered() -
                                              producedBefore[static_cast<std::size_t>(i)]);
    // A notice can announce a frame finished just before the count started.
    figures.deliveredShare.push_back(
        produced > 0 ? std::min(1.0, static_cast<double>(delivered[i]) / produced) : 0.0);
    figures.perCamera.push_back({delivered[i], static_cast<long>(produced)});
    deliveredTotal += delivered[i];
    producedTotal += produced;
  }
  figures.producedPerSecond = producedTotal / cameras / seconds;
  figures.cpuMsPerFrame = deliveredTotal > 0 ? 1000.0 * cpu / static_cast<double>(deliveredTotal) : 0;

  for (KelvoHandle handle : handles) Kelvo_Release(handle);
  emulator::UseDriverPortForTesting(nullptr);
  return figures;
}

// Every run's figures by its arguments, for the summary.
using RunArgs = std::tuple<std::int64_t, std::int64_t, std::int64_t>;
std::map<RunArgs, RunFigures>& Runs() {
  static std::map<RunArgs, RunFigures> runs;
  return runs;
}

// Args: cameras, bits per pixel, every stage (0 or 1).
void PreviewBench(benchmark::State& state) {
  const int cameras = static_cast<int>(state.range(0));
  RunFigures figures;
  for (auto _ : state) {
    const auto started = Clock::now();
    figures = RunPreview(cameras, static_cast<int>(state.range(1)), state.range(2) != 0);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - started).count());
  }
  const auto [least, most] =
      std::minmax_element(figures.deliveredShare.begin(), figures.deliveredShare.end());
  state.counters["delivered_min_pct"] = 100 * *least;
  state.counters["delivered_max_pct"] = 100 * *most;
  state.counters["emulator_fps"] = figures.producedPerSecond;
  state.counters["cpu_ms_per_frame"] = figures.cpuMsPerFrame;
  Runs()[{state.range(0), state.range(1), state.range(2)}] = figures;
}

void PreviewRuns(benchmark::internal::Benchmark* bench) {
#ifdef _WIN32
  const int cameraCounts[] = {1, 4};
#else
  const int cameraCounts[] = {1, 4, 8};
#endif
  for (int stages : {0, 1}) {
    for (int cameras : cameraCounts) bench->Args({cameras, KELVO_COLOR_RGB24, stages});
  }
  // Every other colour mode on four cameras, with every stage on.
  for (int bits : {KELVO_COLOR_MONO8, KELVO_COLOR_MONO16, KELVO_COLOR_RGB32, KELVO_COLOR_RGB48,
                   KELVO_COLOR_RGB64}) {
    bench->Args({4, bits, 1});
  }
  bench->ArgNames({"cameras", "bits", "every_stage"});
}
BENCHMARK(PreviewBench)->Apply(PreviewRuns)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void PrintSummary() {
  if (Runs().empty()) return;
  std::printf("\nFrames delivered / produced by the emulator, per camera:\n");
  for (const auto& [args, figures] : Runs()) {
    const auto [cameras, bits, everyStage] = args;
    std::printf("  %d camera%s, %2d bits, %-14s", static_cast<int>(cameras), cameras > 1 ? "s" : " ",
                static_cast<int>(bits), everyStage != 0 ? "every stage:" : "default:");
    for (const auto& [delivered, produced] : figures.perCamera) {
      std::printf(" %ld/%ld", delivered, produced);
    }
    std::printf("\n");
  }
  auto found = Runs().find({4, KELVO_COLOR_RGB24, 0});
  if (found == Runs().end()) return;
  const std::vector<double>& shares = found->second.deliveredShare;
  const double least = *std::min_element(shares.begin(), shares.end());
  std::printf("Four cameras in mode 2 with default filters: at least %.1f %% of the "
              "emulator's frames delivered to each (target >= 95 %%: %s)\n",
              100 * least, least >= 0.95 ? "met" : "MISSED");
}

}  // namespace
}  // namespace kelvo

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  kelvo::PrintSummary();
  benchmark::Shutdown();
  return 0;
}
