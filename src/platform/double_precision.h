// Doubles with IEEE double results whatever precision control the calling
// thread left the x87 unit at. Builds that do doubles on the x87 unit (the
// i686 DLL) pin it to 53 bits for a scope; SSE2 arithmetic needs nothing.
#pragma once

#include <cstdint>

#if (defined(__i386__) || defined(__x86_64__)) && !defined(__SSE2_MATH__)
#define KELVO_X87_DOUBLES 1
#endif

namespace kelvo::platform {

class DoublePrecisionScope {
 public:
#ifdef KELVO_X87_DOUBLES
  DoublePrecisionScope() {
    asm volatile("fnstcw %0" : "=m"(caller_) : : "memory");
    const std::uint16_t pinned = static_cast<std::uint16_t>((caller_ & ~0x0300u) | 0x0200u);
    asm volatile("fldcw %0" : : "m"(pinned) : "memory");
  }
  ~DoublePrecisionScope() { asm volatile("fldcw %0" : : "m"(caller_) : "memory"); }
#else
  DoublePrecisionScope() {}
#endif
  DoublePrecisionScope(const DoublePrecisionScope&) = delete;
  DoublePrecisionScope& operator=(const DoublePrecisionScope&) = delete;

 private:
#ifdef KELVO_X87_DOUBLES
  std::uint16_t caller_;
#endif
};

// A value rounded to single precision: stored through memory, since x87
// registers would keep the extra bits.
inline float RoundToFloat(double value) {
  volatile float stored = static_cast<float>(value);
  return stored;
}

}  // namespace kelvo::platform
