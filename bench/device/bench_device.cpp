// What one full frame costs: the emulator making it (which must keep up with
// the sensor's ~31 frames per second on one core) and the device link cutting
// its active pixels out.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "device/device_link.h"
#include "emulator/camera_emulator.h"
#include "emulator/frame_synthesizer.h"

namespace kelvo {
namespace {

constexpr std::uint32_t kFullTransfer = 1538048;

// Arg: bits per sample (8 or 16). The chart with noise and the moving element.
void BM_SynthesizeFullFrame(benchmark::State& state) {
  const bool wide = state.range(0) == 16;
  emulator::FrameSynthesizer synthesizer(emulator::SceneMosaic::Chart(), {});
  std::vector<unsigned char> frame(kFullTransfer * 2);
  emulator::SensorSettings settings{333, 150, wide};
  std::uint64_t number = 0;
  for (auto _ : state) {
    synthesizer.Render(++number, settings, kFullTransfer, frame.data());
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SynthesizeFullFrame)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_ExtractFullFrame(benchmark::State& state) {
  emulator::EmulatorOptions options = emulator::EmulatorOptions::Still();
  options.paced = false;
  auto port = std::make_shared<emulator::CameraEmulator>(options);
  DeviceLink link(port);
  link.SetSampleWidth(state.range(0) == 16 ? 1 : 0);
  if (link.SnapFrame() != kLinkOk) state.SkipWithError("no frame");
  std::vector<unsigned char> picture(1280 * 960 * 2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(link.ExtractFrame(picture.data(), picture.size()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 1280 * 960 * (state.range(0) / 8));
}
BENCHMARK(BM_ExtractFullFrame)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelvo

BENCHMARK_MAIN();
