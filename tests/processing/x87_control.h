// The x87 control word as a caller of the SDK may leave it. The processing
// suite runs with extended precision, the setting that shows arithmetic done
// on the x87 unit without pinning it to double precision.
#pragma once

#include <cstdint>

namespace kelvo::testing_support {

#if defined(__i386__) || defined(__x86_64__)
inline constexpr bool kHaveX87 = true;
inline std::uint16_t X87ControlWord() {
  std::uint16_t word;
  asm volatile("fnstcw %0" : "=m"(word) : : "memory");
  return word;
}
inline void SetX87ControlWord(std::uint16_t word) {
  asm volatile("fldcw %0" : : "m"(word) : "memory");
}
#else
inline constexpr bool kHaveX87 = false;
inline std::uint16_t X87ControlWord() { return 0; }
inline void SetX87ControlWord(std::uint16_t) {}
#endif

// All exceptions masked, round to nearest; precision control 24, 53 or 64 bits.
inline constexpr std::uint16_t kX87Single = 0x007F;
inline constexpr std::uint16_t kX87Double = 0x027F;
inline constexpr std::uint16_t kX87Extended = 0x037F;

// Sets a caller's control word for one scope.
class CallerControlWord {
 public:
  explicit CallerControlWord(std::uint16_t word) : saved_(X87ControlWord()) {
    SetX87ControlWord(word);
  }
  ~CallerControlWord() { SetX87ControlWord(saved_); }
  CallerControlWord(const CallerControlWord&) = delete;
  CallerControlWord& operator=(const CallerControlWord&) = delete;

 private:
  std::uint16_t saved_;
};

}  // namespace kelvo::testing_support
