#include "processing/processor_features.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "platform/instruction_probe.h"

namespace kelvo {
namespace {

// A processor played through the identification and probe seams.
struct PlayedProcessor {
  std::string vendor = "GenuineIntel";
  std::uint32_t signature = 0x00000F20;  // family 15, model 2
  std::uint32_t leaf1Edx = 0, leaf1Ecx = 0;
  std::uint32_t extendedMax = 0x80000008u, extendedEdx = 0;
  std::int32_t faulting = 0;  // feature bits whose test instruction faults
  bool hasIdentification = true;
  mutable std::int32_t probed = 0;

  ProcessorProbes Probes() const {
    return {[this](std::uint32_t leaf, CpuidRegisters& out) {
              if (!hasIdentification) return false;
              out = {};
              if (leaf == 0) {
                std::memcpy(&out.ebx, vendor.data(), 4);
                std::memcpy(&out.edx, vendor.data() + 4, 4);
                std::memcpy(&out.ecx, vendor.data() + 8, 4);
              } else if (leaf == 1) {
                out.eax = signature;
                out.edx = leaf1Edx;
                out.ecx = leaf1Ecx;
              } else if (leaf == 0x80000000u) {
                out.eax = extendedMax;
              } else if (leaf == 0x80000001u) {
                out.edx = extendedEdx;
              }
              return true;
            },
            [this](std::int32_t feature) {
              probed |= feature;
              return (faulting & feature) != 0 ? 0 : 1;
            }};
  }
};

constexpr std::uint32_t kMmx = 1u << 23, kSse = 1u << 25, kSse2 = 1u << 26;

TEST(ProcessorFeaturesTest, MasksAndChoiceFromPlayedProcessors) {
  struct Case {
    const char* what;
    std::uint32_t edx, ecx, extendedMax, extendedEdx;
    std::int32_t faulting;
    std::int32_t present, usable;
    SimdVariant chosen;
  };
  const Case cases[] = {
      {"SSE2 and MMX execute", kMmx | kSse | kSse2, 0, 0x80000008u, 0, 0, 0x07, 0x07,
       SimdVariant::Sse2},
      {"SSE2 faults", kMmx | kSse | kSse2, 0, 0x80000008u, 0, FeatureSse2, 0x07, 0x03,
       SimdVariant::Mmx},
      {"MMX only", kMmx, 0, 0x80000008u, 0, 0, 0x01, 0x01, SimdVariant::Mmx},
      {"everything faults", kMmx | kSse2, 0, 0x80000008u, 0, 0x0F, 0x05, 0x00, SimdVariant::Plain},
      {"3DNow! reported", kMmx, 0, 0x80000001u, 1u << 31, 0, 0x09, 0x09, SimdVariant::Mmx},
      {"no extended leaf", kMmx, 0, 0x7FFFFFFFu, 1u << 31, 0, 0x01, 0x01, SimdVariant::Mmx},
      {"0x10 and 0x20 need no test", 0, 1u | (1u << 8), 0x80000008u, 0, 0x30, 0x30, 0x30,
       SimdVariant::Plain},
  };
  for (const Case& c : cases) {
    PlayedProcessor cpu;
    cpu.leaf1Edx = c.edx;
    cpu.leaf1Ecx = c.ecx;
    cpu.extendedMax = c.extendedMax;
    cpu.extendedEdx = c.extendedEdx;
    cpu.faulting = c.faulting;
    ProcessorInfo info;
    EXPECT_EQ(DetectProcessorFeatures(&info, cpu.Probes()), c.present) << c.what;
    EXPECT_EQ(info.present, c.present) << c.what;
    EXPECT_EQ(info.usable, c.usable) << c.what;
    EXPECT_EQ(info.known, 0x3F) << c.what;
    EXPECT_EQ(ChooseSimdVariant(info, SimdVariant::Sse2), c.chosen) << c.what;
    EXPECT_EQ(cpu.probed & 0x30, 0) << c.what;  // never an instruction for 0x10 or 0x20
  }
}

TEST(ProcessorFeaturesTest, NoIdentificationLeavesTheRecordAlone) {
  PlayedProcessor cpu;
  cpu.hasIdentification = false;
  ProcessorInfo info;
  EXPECT_EQ(DetectProcessorFeatures(&info, cpu.Probes()), 0);
  EXPECT_EQ(info.known, 0);
  EXPECT_EQ(ChooseSimdVariant(info, SimdVariant::Sse2), SimdVariant::Plain);
  cpu.hasIdentification = true;
  cpu.leaf1Edx = kMmx;
  EXPECT_EQ(DetectProcessorFeatures(nullptr, cpu.Probes()), FeatureMmx);
}

TEST(ProcessorFeaturesTest, SignatureAndNames) {
  struct Case {
    const char* vendor;
    std::uint32_t signature;
    std::int32_t family, model, stepping;
    const char* name;
  };
  const Case cases[] = {
      {"GenuineIntel", 0x00000F23, 15, 2, 3, "Unknown"},
      {"GenuineIntel", 0x00000F03, 15, 0, 3, "INTEL Pentium-4"},
      {"GenuineIntel", 0x00100F00, 31, 0, 0, "Unknown"},  // extended family counts
      {"GenuineIntel", 0x00000690, 6, 9, 0, "Unknown"},
      {"GenuineIntel", 0x000006A0, 6, 10, 0, "INTEL Pentium-III"},
      {"GenuineIntel", 0x00000540, 5, 4, 0, "INTEL Pentium-MMX"},
      {"GenuineIntel", 0x00000460, 4, 6, 0, "Unknown"},
      {"AuthenticAMD", 0x00000540, 5, 4, 0, "Unknown"},
      {"AuthenticAMD", 0x00000580, 5, 8, 0, "AMD K6-2"},
      {"AuthenticAMD", 0x000006F0, 6, 15, 0, "AMD ATHLON"},
      {"CyrixInstead", 0x00000520, 5, 2, 0, "Cyrix"},
      {"CentaurHauls", 0x00000F00, 15, 0, 0, "Centaur"},
      {"SomebodyElse", 0x00000540, 5, 4, 0, "Unknown"},
  };
  for (const Case& c : cases) {
    PlayedProcessor cpu;
    cpu.vendor = c.vendor;
    cpu.signature = c.signature;
    ProcessorInfo info;
    DetectProcessorFeatures(&info, cpu.Probes());
    EXPECT_STREQ(info.vendor, c.vendor);
    EXPECT_EQ(info.family, c.family) << c.vendor << std::hex << c.signature;
    EXPECT_EQ(info.model, c.model) << c.vendor << std::hex << c.signature;
    EXPECT_EQ(info.stepping, c.stepping);
    EXPECT_STREQ(info.name, c.name) << c.vendor << std::hex << c.signature;
  }
}

TEST(ProcessorFeaturesTest, SimdLimitNeverRaisesTheChoice) {
  ProcessorInfo sse2;
  sse2.present = sse2.usable = 0x07;
  ProcessorInfo mmxOnly;
  mmxOnly.present = mmxOnly.usable = 0x01;
  EXPECT_EQ(ChooseSimdVariant(sse2, ParseSimdLimit("none")), SimdVariant::Plain);
  EXPECT_EQ(ChooseSimdVariant(sse2, ParseSimdLimit("mmx")), SimdVariant::Mmx);
  EXPECT_EQ(ChooseSimdVariant(sse2, ParseSimdLimit(nullptr)), SimdVariant::Sse2);
  EXPECT_EQ(ChooseSimdVariant(mmxOnly, ParseSimdLimit("sse2")), SimdVariant::Mmx);
  EXPECT_EQ(ChooseSimdVariant(ProcessorInfo{}, ParseSimdLimit("mmx")), SimdVariant::Plain);
}

TEST(ProcessorFeaturesTest, TheGuardSurvivesAFaultingInstruction) {
  EXPECT_FALSE(platform::ExecutesWithoutFault(platform::ProbeInstruction::Undefined));
  EXPECT_FALSE(platform::ExecutesWithoutFault(platform::ProbeInstruction::Undefined));
  // This machine runs x86-64 code, so it has SSE2 and MMX.
  EXPECT_EQ(ProbeFeature(FeatureSse2), 1);
  EXPECT_EQ(ProbeFeature(FeatureMmx), 1);
  EXPECT_EQ(ProbeFeature(FeatureSse3), 1);
  ProcessorInfo info;
  const std::int32_t present = DetectProcessorFeatures(&info);
  EXPECT_EQ(present & 0x07, 0x07);
  EXPECT_EQ(info.usable & 0x07, 0x07);
  std::printf("processor: %s, SIMD variant in use: %s\n", info.vendor,
              SimdVariantName(ChooseSimdVariant(info)));
}

}  // namespace
}  // namespace kelvo
