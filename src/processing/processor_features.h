// Which SIMD extensions the processor reports and which of them execute, and
// the kernel variant that follows from that for the two hot loops.
#pragma once

#include <cstdint>
#include <functional>

#include "processing/processor_info.h"

namespace kelvo {

enum ProcessorFeature : std::int32_t {
  FeatureMmx = 0x01,
  FeatureSse = 0x02,
  FeatureSse2 = 0x04,
  Feature3dNow = 0x08,
  FeatureSse3 = 0x10,
  FeatureLeaf1Ecx8 = 0x20,
};

inline constexpr std::int32_t kKnownFeatures = 0x3F;

struct CpuidRegisters {
  std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

// Where detection gets its facts; tests play any processor through these.
struct ProcessorProbes {
  // Fills the registers of one identification leaf; false when the processor
  // has no identification instruction.
  std::function<bool(std::uint32_t leaf, CpuidRegisters& out)> identify;
  // The execution test of one feature bit: 1 completed, 0 faulted.
  std::function<int(std::int32_t feature)> probe;
};

// The processor this code runs on.
ProcessorProbes RealProcessorProbes();

// Fills out (when given) and returns the present mask; 0 without identification.
std::int32_t DetectProcessorFeatures(ProcessorInfo* out);
std::int32_t DetectProcessorFeatures(ProcessorInfo* out, const ProcessorProbes& probes);

// Runs the execution test of one feature bit under the guard; bits without a
// test instruction give 1.
int ProbeFeature(std::int32_t feature);

// Fills name (31 chars) from the table of known processors, or "Unknown".
void LookUpProcessorName(std::int32_t family, std::int32_t model, const char* vendor, char* name);

enum class SimdVariant : std::int32_t { Plain = 0, Mmx = 1, Sse2 = 2 };

// The highest variant KELVO_Q12_SIMD (none, mmx or sse2) allows, read once per
// process; unset or unrecognised allows everything.
SimdVariant SimdLimit();
// Parses one value of KELVO_Q12_SIMD; null or unknown text gives Sse2 (no limit).
SimdVariant ParseSimdLimit(const char* text);

// SSE2 when reported and executable, else MMX likewise, else plain; never above limit.
SimdVariant ChooseSimdVariant(const ProcessorInfo& processor, SimdVariant limit);
inline SimdVariant ChooseSimdVariant(const ProcessorInfo& processor) {
  return ChooseSimdVariant(processor, SimdLimit());
}

// Whether every bit of features is both present and usable.
inline bool HasUsable(const ProcessorInfo& processor, std::int32_t features) {
  return (processor.present & processor.usable & features) == features;
}

const char* SimdVariantName(SimdVariant variant);

}  // namespace kelvo
