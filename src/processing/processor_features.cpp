#include "processing/processor_features.h"

#include <cpuid.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/instruction_probe.h"

namespace kelvo {
namespace {

struct NameRow {
  const char* vendor;
  std::int32_t family;
  std::int32_t modelFirst, modelLast;  // -1, -1: any model
  const char* name;
};

constexpr std::int32_t kAny = -1;

constexpr std::array<NameRow, 24> kNames = {{
    {"AuthenticAMD", 4, kAny, kAny, "AMD Am486"},
    {"AuthenticAMD", 5, 0, 3, "AMD K5"},
    {"AuthenticAMD", 5, 6, 7, "AMD K6"},
    {"AuthenticAMD", 5, 8, 8, "AMD K6-2"},
    {"AuthenticAMD", 5, 9, 15, "AMD K6-3"},
    {"AuthenticAMD", 6, kAny, kAny, "AMD ATHLON"},
    {"GenuineIntel", 4, 0, 1, "INTEL 486DX"},
    {"GenuineIntel", 4, 2, 2, "INTEL 486SX"},
    {"GenuineIntel", 4, 3, 3, "INTEL 486DX2"},
    {"GenuineIntel", 4, 4, 4, "INTEL 486SL"},
    {"GenuineIntel", 4, 5, 5, "INTEL 486SX2"},
    {"GenuineIntel", 4, 7, 7, "INTEL 486DX2E"},
    {"GenuineIntel", 4, 8, 8, "INTEL 486DX4"},
    {"GenuineIntel", 5, 1, 3, "INTEL Pentium"},
    {"GenuineIntel", 5, 4, 4, "INTEL Pentium-MMX"},
    {"GenuineIntel", 6, 1, 1, "INTEL Pentium-Pro"},
    {"GenuineIntel", 6, 3, 3, "INTEL Pentium-II"},
    {"GenuineIntel", 6, 5, 5, "INTEL Pentium-II"},
    {"GenuineIntel", 6, 6, 6, "INTEL Celeron"},
    {"GenuineIntel", 6, 7, 8, "INTEL Pentium-III"},
    {"GenuineIntel", 6, 10, 10, "INTEL Pentium-III"},
    {"GenuineIntel", 15, 0, 0, "INTEL Pentium-4"},
    {"CyrixInstead", kAny, kAny, kAny, "Cyrix"},
    {"CentaurHauls", kAny, kAny, kAny, "Centaur"},
}};

bool Matches(const NameRow& row, std::int32_t family, std::int32_t model, const char* vendor) {
  if (std::memcmp(row.vendor, vendor, 12) != 0) return false;
  if (row.family != kAny && row.family != family) return false;
  return row.modelFirst == kAny || (model >= row.modelFirst && model <= row.modelLast);
}

// Feature bits in the order they are evaluated, with where each is reported.
enum class Source { Leaf1Edx, Leaf1Ecx, ExtendedEdx };
struct FeatureSource {
  std::int32_t bit;
  Source source;
  int sourceBit;
};
constexpr std::array<FeatureSource, 6> kFeatureSources = {{
    {FeatureMmx, Source::Leaf1Edx, 23},
    {Feature3dNow, Source::ExtendedEdx, 31},
    {FeatureSse, Source::Leaf1Edx, 25},
    {FeatureSse2, Source::Leaf1Edx, 26},
    {FeatureSse3, Source::Leaf1Ecx, 0},
    {FeatureLeaf1Ecx8, Source::Leaf1Ecx, 8},
}};

bool IdentifyThisProcessor(std::uint32_t leaf, CpuidRegisters& out) {
  // __get_cpuid_max tests the ID flag first, so a processor without the
  // identification instruction is recognised without executing it.
  if (__get_cpuid_max(leaf & 0x80000000u, nullptr) == 0) return false;
  __cpuid(leaf, out.eax, out.ebx, out.ecx, out.edx);
  return true;
}

}  // namespace

ProcessorProbes RealProcessorProbes() { return {IdentifyThisProcessor, ProbeFeature}; }

int ProbeFeature(std::int32_t feature) {
  using platform::ProbeInstruction;
  switch (feature) {
    case FeatureMmx:
      return platform::ExecutesWithoutFault(ProbeInstruction::Mmx) ? 1 : 0;
    case FeatureSse:
      return platform::ExecutesWithoutFault(ProbeInstruction::Sse) ? 1 : 0;
    case FeatureSse2:
      return platform::ExecutesWithoutFault(ProbeInstruction::Sse2) ? 1 : 0;
    case Feature3dNow:
      return platform::ExecutesWithoutFault(ProbeInstruction::Amd3dNow) ? 1 : 0;
    default:
      return 1;
  }
}

std::int32_t DetectProcessorFeatures(ProcessorInfo* out) {
  return DetectProcessorFeatures(out, RealProcessorProbes());
}

std::int32_t DetectProcessorFeatures(ProcessorInfo* out, const ProcessorProbes& probes) {
  CpuidRegisters leaf0, leaf1, extended;
  if (!probes.identify(0, leaf0)) return 0;
  char vendor[13] = {};
  std::memcpy(vendor, &leaf0.ebx, 4);
  std::memcpy(vendor + 4, &leaf0.edx, 4);
  std::memcpy(vendor + 8, &leaf0.ecx, 4);
  probes.identify(1, leaf1);
  CpuidRegisters extendedMax;
  std::uint32_t extendedEdx = 0;
  if (probes.identify(0x80000000u, extendedMax) && extendedMax.eax >= 0x80000000u &&
      probes.identify(0x80000001u, extended)) {
    extendedEdx = extended.edx;
  }

  std::int32_t present = 0, usable = 0;
  for (const FeatureSource& feature : kFeatureSources) {
    std::uint32_t word = feature.source == Source::Leaf1Edx   ? leaf1.edx
                         : feature.source == Source::Leaf1Ecx ? leaf1.ecx
                                                              : extendedEdx;
    if (((word >> feature.sourceBit) & 1u) == 0) continue;
    present |= feature.bit;
    // Bits without an execution test are usable whenever they are reported.
    const bool tested = feature.bit != FeatureSse3 && feature.bit != FeatureLeaf1Ecx8;
    if (!tested || probes.probe(feature.bit) == 1) usable |= feature.bit;
  }

  if (out != nullptr) {
    *out = ProcessorInfo{};
    out->present = present;
    out->usable = usable;
    std::uint32_t signature = leaf1.eax;
    std::int32_t family = static_cast<std::int32_t>((signature >> 8) & 0xF);
    if (family == 15) family = static_cast<std::int32_t>((signature >> 20) & 0xFF) * 16 + 15;
    out->family = family;
    out->model = static_cast<std::int32_t>((signature >> 4) & 0xF);
    out->stepping = static_cast<std::int32_t>(signature & 0xF);
    std::memcpy(out->vendor, vendor, sizeof(vendor));
    LookUpProcessorName(out->family, out->model, out->vendor, out->name);
    out->known = kKnownFeatures;
  }
  return present;
}

void LookUpProcessorName(std::int32_t family, std::int32_t model, const char* vendor, char* name) {
  if (name == nullptr) return;
  std::memset(name, 0, sizeof(ProcessorInfo::name));
  const char* found = "Unknown";
  if (vendor != nullptr && std::strlen(vendor) >= 12) {
    for (const NameRow& row : kNames) {
      if (Matches(row, family, model, vendor)) {
        found = row.name;
        break;
      }
    }
  }
  std::strncpy(name, found, sizeof(ProcessorInfo::name) - 1);
}

SimdVariant ParseSimdLimit(const char* text) {
  if (text == nullptr) return SimdVariant::Sse2;
  std::string_view value(text);
  if (value == "none" || value == "plain") return SimdVariant::Plain;
  if (value == "mmx") return SimdVariant::Mmx;
  return SimdVariant::Sse2;
}

SimdVariant SimdLimit() {
  static const SimdVariant limit = ParseSimdLimit(std::getenv("KELVO_Q12_SIMD"));
  return limit;
}

SimdVariant ChooseSimdVariant(const ProcessorInfo& processor, SimdVariant limit) {
  if (limit >= SimdVariant::Sse2 && HasUsable(processor, FeatureSse2)) return SimdVariant::Sse2;
  if (limit >= SimdVariant::Mmx && HasUsable(processor, FeatureMmx)) return SimdVariant::Mmx;
  return SimdVariant::Plain;
}

const char* SimdVariantName(SimdVariant variant) {
  static constexpr const char* kNames[] = {"plain", "mmx", "sse2"};
  return kNames[static_cast<int>(variant)];
}

}  // namespace kelvo
