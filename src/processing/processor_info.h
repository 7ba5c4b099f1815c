// What the processor offers, recorded once per Camera to choose SIMD kernels.
#pragma once

#include <cstdint>

namespace kelvo {

struct ProcessorInfo {
  char vendor[13] = {};
  char name[31] = {};
  std::int32_t family = 0;
  std::int32_t model = 0;
  std::int32_t stepping = 0;
  std::int32_t present = 0;  // extensions the processor reports
  std::int32_t usable = 0;   // extensions that also executed without a fault
  std::int32_t known = 0;    // feature bits the detection knows
};

}  // namespace kelvo
