// A file opened for writing the way the BMP and raw writers want it: an
// existing file is truncated, a missing one is created, nothing is shared.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvo::platform {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { Close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Closes whatever was open, then truncates the named file or, when it does
  // not exist, creates it. False when neither works (the file stays closed).
  bool Open(const char* fileName);
  // 1 when all count bytes went to the file, 0 otherwise (also when nothing is open).
  int Write(const void* bytes, std::size_t count);
  // The result of closing the handle: 0 when nothing was open or the close failed.
  int Close();

  bool IsOpen() const { return handle_ != kNoFile; }
  // The file's size as found when it was opened.
  std::uint64_t SizeAtOpen() const { return sizeAtOpen_; }

 private:
  static constexpr std::intptr_t kNoFile = -1;
  std::intptr_t handle_ = kNoFile;  // a HANDLE on Windows, a descriptor elsewhere
  std::uint64_t sizeAtOpen_ = 0;
};

}  // namespace kelvo::platform
