// Time to save one full-sensor 24-bit picture in each format, next to a plain
// write of its storage bytes: what a customer's Kelvo_SaveImage call costs on
// top of the disk.
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "files/png_writer.h"
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

// zlib's level and strategy and libpng's row filters, on the same picture: the
// time and the file size of each, the size next to libpng's defaults (level 6,
// filtered strategy, the best of all five filters for every row).
struct PngChoice {
  const char* name;
  files::PngCompression compression;
};
constexpr PngChoice kPngChoices[] = {
    {"libpng_defaults", {Z_DEFAULT_COMPRESSION, Z_FILTERED, PNG_ALL_FILTERS}},
    {"level1_filtered_all", {1, Z_FILTERED, PNG_ALL_FILTERS}},
    {"level1_default_sub", {1, Z_DEFAULT_STRATEGY, PNG_FILTER_SUB}},
    {"level1_rle_sub", {1, Z_RLE, PNG_FILTER_SUB}},
    {"level1_rle_paeth", {1, Z_RLE, PNG_FILTER_PAETH}},
    {"level1_filtered_up", {1, Z_FILTERED, PNG_FILTER_UP}},
    {"level2_filtered_up", {2, Z_FILTERED, PNG_FILTER_UP}},
    {"level2_default_up", {2, Z_DEFAULT_STRATEGY, PNG_FILTER_UP}},
    {"level3_filtered_up", {3, Z_FILTERED, PNG_FILTER_UP}},
    {"level2_filtered_sub", {2, Z_FILTERED, PNG_FILTER_SUB}},
    {"level3_filtered_paeth", {3, Z_FILTERED, PNG_FILTER_PAETH}},
    {"level3_filtered_sub", {3, Z_FILTERED, PNG_FILTER_SUB}},
    {"level4_filtered_sub", {4, Z_FILTERED, PNG_FILTER_SUB}},
};

std::uintmax_t PngBytes(const files::PngCompression& compression) {
  const std::string name = OutputName(".size.png");
  const FrameImage& scene = Scene();
  files::WritePng(name.c_str(), scene.pixels, scene.width, scene.height, 24, compression);
  std::uintmax_t bytes = std::filesystem::file_size(name);
  std::filesystem::remove(name);
  return bytes;
}

void PngSetting(benchmark::State& state, const PngChoice* choice) {
  const FrameImage& scene = Scene();
  const std::string name = OutputName(".png");
  for (auto _ : state) {
    if (files::WritePng(name.c_str(), scene.pixels, scene.width, scene.height, 24,
                        choice->compression) != 1) {
      state.SkipWithError("save failed");
      break;
    }
  }
  static const std::uintmax_t defaultBytes = PngBytes(kPngChoices[0].compression);
  const auto bytes = static_cast<double>(std::filesystem::file_size(name));
  state.counters["file_bytes"] = bytes;
  state.counters["size_vs_defaults"] = bytes / static_cast<double>(defaultBytes);
  const files::PngCompression& used = files::kPngCompression;
  const files::PngCompression& mine = choice->compression;
  state.SetLabel(used.level == mine.level && used.strategy == mine.strategy &&
                         used.filters == mine.filters
                     ? "<- Kelvo_SaveImage uses this"
                     : "");
  std::filesystem::remove(name);
}

const int kPngChoicesRegistered = [] {
  for (const PngChoice& choice : kPngChoices) {
    benchmark::RegisterBenchmark((std::string("PngSetting/") + choice.name).c_str(), PngSetting,
                                 &choice)
        ->Unit(benchmark::kMillisecond);
  }
  return 0;
}();

}  // namespace
}  // namespace kelvo

BENCHMARK_MAIN();
