#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/output_file.h"

namespace kelvo::platform {

bool OutputFile::Open(const char* fileName) {
  Close();
  if (fileName == nullptr) return false;
  int fd = ::open(fileName, O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) fd = ::open(fileName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat info {};
  sizeAtOpen_ = ::fstat(fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
  handle_ = fd;
  return true;
}

int OutputFile::Write(const void* bytes, std::size_t count) {
  if (!IsOpen()) return 0;
  auto* next = static_cast<const char*>(bytes);
  while (count > 0) {
    ssize_t written = ::write(static_cast<int>(handle_), next, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return 0;
    next += written;
    count -= static_cast<std::size_t>(written);
  }
  return 1;
}

int OutputFile::Close() {
  if (!IsOpen()) return 0;
  int fd = static_cast<int>(handle_);
  handle_ = kNoFile;
  return ::close(fd) == 0 ? 1 : 0;
}

}  // namespace kelvo::platform
