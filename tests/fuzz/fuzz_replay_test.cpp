// Every input of fuzz/corpus/<target>/ and fuzz/regressions/<target>/ through
// the target's entry: a crash input found once stays fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_entries.h"

namespace kelvo::fuzz {
namespace {

struct Target {
  const char* name;
  int (*entry)(const std::uint8_t*, std::size_t);
};

const Target kTargets[] = {
    {"driver_requests", FuzzDriverRequests}, {"exports", FuzzExports},
    {"fault_script", FuzzFaultScript},       {"picture_scene", FuzzPictureScene},
    {"save_image", FuzzSaveImage},           {"transfer", FuzzTransfer},
};

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, EveryKeptInputRuns) {
  const std::filesystem::path root = KELVO_FUZZ_DIR;
  int inputs = 0;
  for (const char* kind : {"corpus", "regressions"}) {
    const std::filesystem::path folder = root / kind / GetParam().name;
    if (!std::filesystem::is_directory(folder)) continue;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
      std::ifstream in(file.path(), std::ios::binary);
      std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
      // Named before the run: a crash ends the program before any report.
      std::cerr << "replaying " << file.path().string() << "\n";
      EXPECT_EQ(GetParam().entry(bytes.data(), bytes.size()), 0) << file.path();
      ++inputs;
    }
  }
  EXPECT_GT(inputs, 0) << "no seed corpus for " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvo::fuzz
