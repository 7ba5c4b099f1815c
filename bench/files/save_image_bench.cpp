// Time to save one full-sensor 24-bit picture in each format, next to a plain
// write of its storage bytes: what a customer's Kelvo_SaveImage call costs on
// top of the disk.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "files/save_image.h"
#include "platform/output_file.h"

namespace kelvo {
namespace {

constexpr int kWidth = 1280, kHeight = 960;

// A camera-like scene: smooth gradients with a little sensor noise, which
// compresses the way real frames do (a constant picture would flatter PNG and JPEG).
const FrameImage& Scene() {
  static FrameImage scene;
  if (scene.pixels == nullptr) {
    scene.Create(kWidth, kHeight, 24);
    std::minstd_rand noise(12345);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        std::uint8_t* pixel = scene.Row(y) + x * 3;
        const int grain = static_cast<int>(noise() % 9) - 4;
        pixel[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / kWidth + grain, 0, 255));
        pixel[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / kHeight + grain, 0, 255));
        pixel[2] = static_cast<std::uint8_t>(std::clamp((x + y) * 128 / kHeight + grain, 0, 255));
      }
    }
  }
  return scene;
}

std::string OutputName(const char* extension) {
  return (std::filesystem::temp_directory_path() / ("kelvo-bench-files" + std::string(extension)))
      .string();
}

void PlainWrite(benchmark::State& state) {
  const FrameImage& scene = Scene();
  const std::string name = OutputName(".bin");
  const std::size_t bytes = static_cast<std::size_t>(scene.stride) * scene.height;
  for (auto _ : state) {
    platform::OutputFile file;
    if (!file.Open(name.c_str()) || !file.Write(scene.pixels, bytes) || !file.Close()) {
      state.SkipWithError("plain write failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  std::filesystem::remove(name);
}
BENCHMARK(PlainWrite)->Unit(benchmark::kMillisecond);

void Save(benchmark::State& state, int formatCode, const char* extension) {
  FrameImage& scene = const_cast<FrameImage&>(Scene());
  const std::string name = OutputName(extension);
  for (auto _ : state) {
    if (SaveImage(name.c_str(), &scene, formatCode) != 1) {
      state.SkipWithError("save failed");
      break;
    }
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * scene.stride * scene.height));
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(name));
  std::filesystem::remove(name);
}
BENCHMARK_CAPTURE(Save, Bmp, kSaveBmp, ".bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, Raw, kSaveRaw, ".raw")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, Jpeg100, kSaveJpeg100, ".jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, Jpeg70, kSaveJpeg70, ".jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, Jpeg20, kSaveJpeg20, ".jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, Png, kSavePng, ".png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Save, Tiff, kSaveTiff, ".tif")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvo

BENCHMARK_MAIN();
