// Fixed, zero-filled global memory blocks (GlobalAlloc) that stay locked for
// their whole life: the streaming buffers a driver transfer writes into.
#pragma once

#include <cstddef>
#include <memory>

namespace kelvo::platform {

class GlobalBlock {
 public:
  // Null when the memory could not be had.
  static std::unique_ptr<GlobalBlock> Allocate(std::size_t bytes);

  ~GlobalBlock();
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;

  // The locked pointer.
  unsigned char* Data() const { return data_; }
  std::size_t Size() const { return size_; }

 private:
  GlobalBlock(void* handle, unsigned char* data, std::size_t size)
      : handle_(handle), data_(data), size_(size) {}
  void* handle_;
  unsigned char* data_;
  std::size_t size_;
};

// Tests: after `successes` more allocations succeed, the next one fails; a
// negative count turns the failure off.
void FailGlobalAllocationForTesting(int successes);

}  // namespace kelvo::platform
