// Kernels and whole frames on a 1280 x 960 emulator-like scene, single thread,
// with OpenCV's bilinear demosaic as the reference in the same run. The ratios
// of our times to the reference come last.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "image/frame_image.h"
#include "processing/auto_iris.h"
#include "processing/demosaic.h"
#include "processing/display_kernels.h"
#include "processing/frame_pipeline.h"
#include "processing/gray_mode.h"
#include "processing/processor_features.h"
#include "processing/tone.h"
#include "processing/white_balance.h"

#if KELVO_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace kelvo {
namespace {

constexpr int kWidth = 1280, kHeight = 960;

// The scene as Bayer mode 0 sees it: colour patches, grey steps and gradients,
// as 8-bit samples; 16-bit frames carry them times four plus a little.
int SceneSample(int r, int c) {
  const bool redSite = (r & 1) == 1 && (c & 1) == 0;
  const bool blueSite = (r & 1) == 0 && (c & 1) == 1;
  int red, green, blue;
  if (r < kHeight / 3) {  // six colour patches
    static constexpr int kPatches[6][3] = {{200, 40, 40},  {40, 180, 60},  {50, 60, 210},
                                           {220, 200, 40}, {60, 200, 200}, {190, 60, 180}};
    const int* p = kPatches[c * 6 / kWidth];
    red = p[0], green = p[1], blue = p[2];
  } else if (r < 2 * kHeight / 3) {  // eight grey steps
    red = green = blue = 16 + (c * 8 / kWidth) * 32;
  } else {  // gradients
    red = c * 255 / kWidth;
    green = (r - 2 * kHeight / 3) * 255 / (kHeight / 3);
    blue = 255 - red;
  }
  return redSite ? red : blueSite ? blue : green;
}

struct Frames {
  Frames() {
    static constexpr std::uint16_t kBits[6] = {8, 16, 24, 32, 48, 64};
    for (int i = 0; i < 6; ++i) images[i].Create(kWidth, kHeight, kBits[i]);
    scratch.Create(kWidth, kHeight, 24);
    pristine8.resize(kWidth * kHeight);
    pristine16.resize(kWidth * kHeight);
    for (int r = 0; r < kHeight; ++r) {
      for (int c = 0; c < kWidth; ++c) {
        const int v = SceneSample(r, c);
        pristine8[r * kWidth + c] = static_cast<std::uint8_t>(v);
        pristine16[r * kWidth + c] = static_cast<std::uint16_t>(v * 4 + (c & 3));
      }
    }
    RestoreRaw();
    DetectProcessorFeatures(&processor);
  }
  void RestoreRaw() {
    std::memcpy(images[0].pixels, pristine8.data(), pristine8.size());
    std::memcpy(images[1].pixels, pristine16.data(), pristine16.size() * 2);
  }
  FrameImage images[6];
  FrameImage scratch;
  std::vector<std::uint8_t> pristine8;
  std::vector<std::uint16_t> pristine16;
  ProcessorInfo processor;
};

Frames& TheFrames() {
  static Frames frames;
  return frames;
}

template <class T>
std::uintptr_t Holder(const T*& pointer) {
  return reinterpret_cast<std::uintptr_t>(&pointer);
}

void SetPixelsProcessed(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// ---- demosaic

bool Available(benchmark::State& state, SimdVariant variant) {
  if (ChooseSimdVariant(TheFrames().processor, variant) == variant) return true;
  state.SkipWithError("variant not available on this processor");
  return false;
}

// Interior and border as a frame of the colour mode chooses them.
void Demosaic8(benchmark::State& state, SimdVariant variant, int mode) {
  Frames& f = TheFrames();
  if (!Available(state, variant)) return;
  const DemosaicParams params{0, 100, 100, 100};
  const DemosaicParams* p = &params;
  FrameImage& out = f.images[mode];
  const PixelKernel interior = ChooseDemosaicInterior8(out.bitCount, params, variant);
  const PixelKernel border = ChooseDemosaicBorder8(params, variant);
  for (auto _ : state) {
    out.Transfer(interior, &f.images[0], nullptr, 0, 0, Holder(p), 0);
    out.Transfer(border, &f.images[0], nullptr, 0, 0, Holder(p), 0);
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state);
}
BENCHMARK_CAPTURE(Demosaic8, plain, SimdVariant::Plain, 2);
BENCHMARK_CAPTURE(Demosaic8, mmx, SimdVariant::Mmx, 2);
BENCHMARK_CAPTURE(Demosaic8, sse2, SimdVariant::Sse2, 2);
BENCHMARK_CAPTURE(Demosaic8, into32_plain, SimdVariant::Plain, 3);
BENCHMARK_CAPTURE(Demosaic8, into32_sse2, SimdVariant::Sse2, 3);

// The parts of the 8-bit demosaic on their own.
void Demosaic8Part(benchmark::State& state, PixelKernel kernel) {
  Frames& f = TheFrames();
  const DemosaicParams params{0, 100, 100, 100};
  const DemosaicParams* p = &params;
  for (auto _ : state) {
    f.images[2].Transfer(kernel, &f.images[0], nullptr, 0, 0, Holder(p), 0);
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state);
}
BENCHMARK_CAPTURE(Demosaic8Part, interior_sse2, DemosaicInterior8Sse2);
BENCHMARK_CAPTURE(Demosaic8Part, border, DemosaicBorder8);
BENCHMARK_CAPTURE(Demosaic8Part, border_sse2, DemosaicBorder8Sse2);

void Demosaic16(benchmark::State& state, SimdVariant variant, int mode) {
  Frames& f = TheFrames();
  if (!Available(state, variant)) return;
  const DemosaicParams params{0, 100, 100, 100};
  const DemosaicParams* p = &params;
  const PixelKernel interior = ChooseDemosaicInterior16(params, variant);
  for (auto _ : state) {
    f.images[mode].Transfer(interior, &f.images[1], nullptr, 0, 0, Holder(p), 0);
    f.images[mode].Transfer(DemosaicBorder16, &f.images[1], nullptr, 0, 0, Holder(p), 0);
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state);
}
BENCHMARK_CAPTURE(Demosaic16, plain, SimdVariant::Plain, 4);
BENCHMARK_CAPTURE(Demosaic16, sse2, SimdVariant::Sse2, 4);
BENCHMARK_CAPTURE(Demosaic16, into64_sse2, SimdVariant::Sse2, 5);

// ---- single kernels over a whole image (in place unless noted)

template <class Record>
void KernelBench(benchmark::State& state, int destination, int source, PixelKernel kernel,
                 Record record) {
  Frames& f = TheFrames();
  const Record* p = &record;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        f.images[destination].Transfer(kernel, &f.images[source], nullptr, 0, 0, Holder(p), 0));
  }
  f.RestoreRaw();
  SetPixelsProcessed(state);
}

const GrayBalanceParams kGrayGains{0, 150, 128, 110, 170, 0, 0, 0, 0};
BENCHMARK_CAPTURE(KernelBench, GrayGainPass, 0, 0, GrayGainPass, kGrayGains);
BENCHMARK_CAPTURE(KernelBench, GrayGainPassSse2, 0, 0, GrayGainPassSse2, kGrayGains);
BENCHMARK_CAPTURE(KernelBench, GrayGainPassMmx, 0, 0, GrayGainPassMmx, kGrayGains);
BENCHMARK_CAPTURE(KernelBench, MeasureGrayBalance, 0, 0, MeasureGrayBalance, kGrayGains);
BENCHMARK_CAPTURE(KernelBench, MirrorVertical, 0, 0, MirrorVertical, 0);
BENCHMARK_CAPTURE(KernelBench, MeasureWhiteBalance8, 0, 0, MeasureWhiteBalance8,
                  WhiteBalanceParams{100, 100, 100, 0});
BENCHMARK_CAPTURE(KernelBench, MeasureWhiteBalance16, 1, 1, MeasureWhiteBalance16,
                  WhiteBalanceParams{100, 100, 100, 0});
BENCHMARK_CAPTURE(KernelBench, Luminance, 0, 2, Luminance, 0);
BENCHMARK_CAPTURE(KernelBench, Gamma8Colour, 2, 2, AdjustGamma<SampleFormat::Color8>, 120);
BENCHMARK_CAPTURE(KernelBench, Gamma16Colour, 4, 4, AdjustGamma<SampleFormat::Color16>, 120);
BENCHMARK_CAPTURE(KernelBench, Contrast8Colour, 2, 2, AdjustContrast<SampleFormat::Color8>, 20);
BENCHMARK_CAPTURE(KernelBench, Brightness8Colour, 2, 2, AdjustBrightness<SampleFormat::Color8>, 20);
BENCHMARK_CAPTURE(KernelBench, HueSaturation8, 2, 2, AdjustHueSaturation8,
                  HueSaturationParams{30, 0, 40});
BENCHMARK_CAPTURE(KernelBench, HueSaturationToned8Sse2, 2, 2, AdjustHueSaturationToned8Sse2,
                  TonedHueSaturationParams{{30, 0, 40}, nullptr});
// With the gamma and contrast table of the every-stage frame fused in.
const std::vector<std::uint16_t> kGammaContrast =
    ComposeTables(GammaTable(120, 255), ContrastTable(20, 255));
BENCHMARK_CAPTURE(KernelBench, HueSaturationToned8Sse2_table, 2, 2, AdjustHueSaturationToned8Sse2,
                  TonedHueSaturationParams{{30, 0, 40}, kGammaContrast.data()});
const std::vector<std::uint16_t> kGammaContrast16 =
    ComposeTables(GammaTable(120, 1023), ContrastTable(20, 1023));
BENCHMARK_CAPTURE(KernelBench, HueSaturationToned16, 4, 4, AdjustHueSaturationToned16,
                  TonedHueSaturationParams{{30, 0, 40}, kGammaContrast16.data()});
BENCHMARK_CAPTURE(KernelBench, HueSaturationToned16Sse2, 4, 4, AdjustHueSaturationToned16Sse2,
                  TonedHueSaturationParams{{30, 0, 40}, kGammaContrast16.data()});
BENCHMARK_CAPTURE(KernelBench, Convert16To8, 0, 1, Convert16To8, 0);
BENCHMARK_CAPTURE(KernelBench, Convert32To24, 2, 3, Convert32To24, 0);
BENCHMARK_CAPTURE(KernelBench, ConvertWideTo24, 2, 4, ConvertWideTo24, 0);

// From a copy of the picture of the mode, as the pipeline runs it.
void Sharpness(benchmark::State& state, int mode, SimdVariant variant) {
  Frames& f = TheFrames();
  if (!Available(state, variant)) return;
  FrameImage& picture = f.images[mode];
  FrameImage scratch;
  scratch.Create(kWidth, kHeight, picture.bitCount);
  std::memcpy(scratch.pixels, picture.pixels, picture.stride * kHeight);
  const TonedSharpnessParams params{10, nullptr, variant, {}};
  const TonedSharpnessParams* p = &params;
  const PixelKernel kernel = mode >= 4 ? AdjustSharpnessToned<SampleFormat::Color16>
                                       : AdjustSharpnessToned<SampleFormat::Color8>;
  for (auto _ : state) picture.Transfer(kernel, &scratch, nullptr, 0, 0, Holder(p), 0);
  SetPixelsProcessed(state);
}
BENCHMARK_CAPTURE(Sharpness, colour8_plain, 2, SimdVariant::Plain);
BENCHMARK_CAPTURE(Sharpness, colour8_sse2, 2, SimdVariant::Sse2);
BENCHMARK_CAPTURE(Sharpness, colour16_plain, 4, SimdVariant::Plain);
BENCHMARK_CAPTURE(Sharpness, colour16_sse2, 4, SimdVariant::Sse2);
BENCHMARK_CAPTURE(Sharpness, colour16x4_sse2, 5, SimdVariant::Sse2);

void MeasureWindows(benchmark::State& state) {
  Frames& f = TheFrames();
  const auto windows = AutoIrisWindows(kWidth, kHeight);
  for (auto _ : state) {
    for (const Rect& window : windows) {
      benchmark::DoNotOptimize(
          f.images[0].Transfer(MeasureWindow8, &f.images[0], &window, 0, 0, 0, 0));
    }
  }
}
BENCHMARK(MeasureWindows);

void ScaleNearest24Half(benchmark::State& state) {
  Frames& f = TheFrames();
  FrameImage display;
  display.Create(640, 480, 24);
  for (auto _ : state) {
    display.TransferRects(ScaleNearest24, &f.images[2], nullptr, nullptr, 0, 0);
  }
}
BENCHMARK(ScaleNearest24Half);

// ---- whole frames

struct Stages {
  int hue, saturation, gamma, contrast, sharpness, brightness;
};
constexpr Stages kNeutral{0, 0, 100, 0, 0, 0};
constexpr Stages kEveryStage{30, 40, 120, 20, 10, 20};

void ConvertFrameBench(benchmark::State& state, int mode, Stages stages) {
  Frames& f = TheFrames();
  FilterBlock filters;
  SensorRecord sensor;
  filters.colorGainRed = filters.colorGainGreen = filters.colorGainBlue = 100;
  filters.grayGainR = filters.grayGainG1 = filters.grayGainG2 = filters.grayGainB = 128;
  filters.hue = stages.hue;
  filters.saturation = stages.saturation;
  filters.gamma = stages.gamma;
  filters.contrast = stages.contrast;
  filters.sharpness = stages.sharpness;
  filters.brightness = stages.brightness;
  FrameConversion frame;
  for (int i = 0; i < 6; ++i) frame.images.byMode[i] = &f.images[i];
  frame.images.scratch = &f.scratch;
  frame.filters = &filters;
  frame.sensor = &sensor;
  frame.colorMode = mode;
  frame.processor = &f.processor;
  for (auto _ : state) {
    ConvertFrame(frame);
    benchmark::ClobberMemory();
  }
  f.RestoreRaw();
  SetPixelsProcessed(state);
}
BENCHMARK_CAPTURE(ConvertFrameBench, mode0_neutral, 0, kNeutral);
BENCHMARK_CAPTURE(ConvertFrameBench, mode1_neutral, 1, kNeutral);
BENCHMARK_CAPTURE(ConvertFrameBench, mode2_neutral, 2, kNeutral);
BENCHMARK_CAPTURE(ConvertFrameBench, mode3_neutral, 3, kNeutral);
BENCHMARK_CAPTURE(ConvertFrameBench, mode4_neutral, 4, kNeutral);
BENCHMARK_CAPTURE(ConvertFrameBench, mode5_neutral, 5, kNeutral);
BENCHMARK_CAPTURE(ConvertFrameBench, mode0_every_stage, 0, kEveryStage);
BENCHMARK_CAPTURE(ConvertFrameBench, mode1_every_stage, 1, kEveryStage);
BENCHMARK_CAPTURE(ConvertFrameBench, mode2_every_stage, 2, kEveryStage);
BENCHMARK_CAPTURE(ConvertFrameBench, mode3_every_stage, 3, kEveryStage);
BENCHMARK_CAPTURE(ConvertFrameBench, mode4_every_stage, 4, kEveryStage);
BENCHMARK_CAPTURE(ConvertFrameBench, mode5_every_stage, 5, kEveryStage);

// ---- the reference

#if KELVO_BENCH_OPENCV
cv::Mat RawMat(int depth) {
  Frames& f = TheFrames();
  return depth == 8 ? cv::Mat(kHeight, kWidth, CV_8UC1, f.pristine8.data())
                    : cv::Mat(kHeight, kWidth, CV_16UC1, f.pristine16.data());
}

void OpenCvBayer(benchmark::State& state, int depth) {
  cv::setNumThreads(1);
  cv::Mat raw = RawMat(depth), bgr;
  for (auto _ : state) {
    cv::cvtColor(raw, bgr, cv::COLOR_BayerGR2BGR);
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state);
}
BENCHMARK_CAPTURE(OpenCvBayer, bilinear8, 8);
BENCHMARK_CAPTURE(OpenCvBayer, bilinear16, 16);

// Comparable work to every stage on: demosaic, a hue/lightness/saturation round
// trip, one table, and an unsharp mask from a 5 x 5 blur.
void OpenCvChain(benchmark::State& state) {
  cv::setNumThreads(1);
  cv::Mat raw = RawMat(8), bgr, hls, back, toned, blurred, sharp;
  cv::Mat table(1, 256, CV_8U);
  for (int i = 0; i < 256; ++i) {
    table.at<std::uint8_t>(i) = cv::saturate_cast<std::uint8_t>(255.0 * std::pow(i / 255.0, 0.8));
  }
  for (auto _ : state) {
    cv::cvtColor(raw, bgr, cv::COLOR_BayerGR2BGR);
    cv::cvtColor(bgr, hls, cv::COLOR_BGR2HLS);
    cv::cvtColor(hls, back, cv::COLOR_HLS2BGR);
    cv::LUT(back, table, toned);
    cv::GaussianBlur(toned, blurred, cv::Size(5, 5), 0);
    cv::addWeighted(toned, 2.0, blurred, -1.0, 0, sharp);
    benchmark::ClobberMemory();
  }
  SetPixelsProcessed(state);
}
BENCHMARK(OpenCvChain);
#endif

// Keeps every run's CPU time per iteration so the ratios can be printed at the
// end: every benchmark here runs on one thread, and CPU time does not count
// the time other programs on the machine take from it.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // With repetitions the ratios use the medians; single runs stand for themselves.
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") seconds[run.run_name.str()] = run.GetAdjustedCPUTime();
      } else if (seconds.count(run.run_name.str()) == 0 || run.repetitions <= 1) {
        seconds[run.run_name.str()] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;  // in the run's time unit
};

void PrintRatios(const std::map<std::string, double>& t) {
  struct Target {
    const char* what;
    const char* ours;
    const char* reference;
    double limit;
  };
  const Target targets[] = {
      {"8-bit demosaic (chosen SIMD) / OpenCV 8-bit bilinear", "Demosaic8/sse2",
       "OpenCvBayer/bilinear8", 1.0},
      {"8-bit demosaic into 32 bits / OpenCV 8-bit bilinear", "Demosaic8/into32_sse2",
       "OpenCvBayer/bilinear8", 0},
      {"16-bit demosaic / OpenCV 16-bit bilinear", "Demosaic16/sse2", "OpenCvBayer/bilinear16",
       1.5},
      {"16-bit demosaic, plain reference / OpenCV 16-bit", "Demosaic16/plain",
       "OpenCvBayer/bilinear16", 0},
      {"ConvertFrame mode 2 neutral / OpenCV 8-bit bilinear", "ConvertFrameBench/mode2_neutral",
       "OpenCvBayer/bilinear8", 1.5},
      {"ConvertFrame mode 3 neutral / OpenCV 8-bit bilinear", "ConvertFrameBench/mode3_neutral",
       "OpenCvBayer/bilinear8", 1.5},
      {"ConvertFrame mode 0 every stage / OpenCV chain", "ConvertFrameBench/mode0_every_stage",
       "OpenCvChain", 1.5},
      {"ConvertFrame mode 1 every stage / OpenCV chain", "ConvertFrameBench/mode1_every_stage",
       "OpenCvChain", 1.5},
      {"ConvertFrame mode 2 every stage / OpenCV chain", "ConvertFrameBench/mode2_every_stage",
       "OpenCvChain", 0.6},
      {"ConvertFrame mode 3 every stage / OpenCV chain", "ConvertFrameBench/mode3_every_stage",
       "OpenCvChain", 1.5},
      {"ConvertFrame mode 4 every stage / OpenCV chain", "ConvertFrameBench/mode4_every_stage",
       "OpenCvChain", 1.5},
      {"ConvertFrame mode 5 every stage / OpenCV chain", "ConvertFrameBench/mode5_every_stage",
       "OpenCvChain", 1.5},
  };
  std::printf("\nRatios of our times to OpenCV's (smaller is faster):\n");
  for (const Target& target : targets) {
    auto ours = t.find(target.ours), reference = t.find(target.reference);
    if (ours == t.end() || reference == t.end()) {
      std::printf("  %-58s n/a\n", target.what);
      continue;
    }
    const double ratio = ours->second / reference->second;
    if (target.limit > 0) {
      std::printf("  %-58s %6.2f  (target <= %.2f: %s)\n", target.what, ratio, target.limit,
                  ratio <= target.limit ? "met" : "MISSED");
    } else {
      std::printf("  %-58s %6.2f\n", target.what, ratio);
    }
  }
}

}  // namespace
}  // namespace kelvo

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kelvo::RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  kelvo::PrintRatios(reporter.seconds);
  benchmark::Shutdown();
  return 0;
}
