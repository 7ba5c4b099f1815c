// Small pictures with known, asymmetric content for the file tests, and what
// the decoders must find in the files written from them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "image/frame_image.h"

namespace kelvo::testing {

// Stored sample c (0 blue, 1 green, 2 red, 3 fourth; 0 for grey) of pixel
// (x, y), y counted from the top. 10-bit depths hold 0..1023 with 1023 in
// every sample of the top-left pixel; top and bottom rows differ, and so do
// red and blue.
std::uint32_t StoredSample(std::uint16_t bitCount, int x, int y, int c);

// A picture filled with StoredSample, its row padding set to 0xEE.
void FillPicture(FrameImage& image);
std::unique_ptr<FrameImage> MakePicture(int width, int height, std::uint16_t bitCount);
// Sets pixel (x, y) to the samples given in storage order (grey, or blue, green, red, fourth).
void SetPixel(FrameImage& image, int x, int y, std::initializer_list<std::uint32_t> samples);

std::vector<std::uint8_t> StorageBytes(const FrameImage& image);
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace kelvo::testing
