// Reads a fuzzer's bytes as a stream of small values; past the end every read
// gives zero, so any input is a whole program for the target.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace kelvo::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return offset_ >= size_; }
  std::size_t Remaining() const { return size_ - offset_; }

  std::uint8_t Byte() { return offset_ < size_ ? data_[offset_++] : 0; }
  // Each read in a statement of its own: the order of reads is the input's meaning.
  std::uint16_t U16() {
    std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
  }
  std::uint32_t U32() {
    std::uint32_t low = U16();
    return low | (static_cast<std::uint32_t>(U16()) << 16);
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // A value in [low, high].
  std::int32_t Range(std::int32_t low, std::int32_t high) {
    std::uint32_t span = static_cast<std::uint32_t>(high - low) + 1;
    std::uint32_t value = span > 0xFFFF ? U32() : U16();
    return span == 0 ? static_cast<std::int32_t>(value)
                     : low + static_cast<std::int32_t>(value % span);
  }
  // Mostly small values near zero, now and then the extremes of int32.
  std::int32_t Coordinate(std::int32_t small) {
    switch (Byte() % 8) {
      case 0:
        return I32();
      case 1:
        return INT32_MIN;
      case 2:
        return INT32_MAX;
      default:
        return Range(-small, small);
    }
  }
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    std::vector<std::uint8_t> bytes(count, 0);
    for (std::size_t i = 0; i < count && offset_ < size_; ++i) bytes[i] = data_[offset_++];
    return bytes;
  }
  std::vector<std::uint8_t> Rest() { return Bytes(Remaining()); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

// A folder of this process for the files a target writes, made on first use.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("kelvo-fuzz-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

}  // namespace kelvo::fuzz
