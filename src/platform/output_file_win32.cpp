#include "platform/output_file.h"
#include "platform/win32.h"

namespace kelvo::platform {
namespace {

HANDLE OpenWith(const char* fileName, DWORD disposition) {
  return CreateFileA(fileName, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

}  // namespace

bool OutputFile::Open(const char* fileName) {
  Close();
  if (fileName == nullptr) return false;
  HANDLE file = OpenWith(fileName, TRUNCATE_EXISTING);
  if (file == INVALID_HANDLE_VALUE) file = OpenWith(fileName, CREATE_NEW);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD size = GetFileSize(file, nullptr);
  sizeAtOpen_ = size == INVALID_FILE_SIZE ? 0 : size;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

int OutputFile::Write(const void* bytes, std::size_t count) {
  if (!IsOpen()) return 0;
  auto* next = static_cast<const char*>(bytes);
  while (count > 0) {
    DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(handle_), next, chunk, &written, nullptr) ||
        written == 0) {
      return 0;
    }
    next += written;
    count -= written;
  }
  return 1;
}

int OutputFile::Close() {
  if (!IsOpen()) return 0;
  HANDLE file = reinterpret_cast<HANDLE>(handle_);
  handle_ = kNoFile;
  return CloseHandle(file) ? 1 : 0;
}

}  // namespace kelvo::platform
