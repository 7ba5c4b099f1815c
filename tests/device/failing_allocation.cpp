#include "failing_allocation.h"

#include <cstdlib>
#include <new>

namespace kelvo {
namespace {

thread_local bool failNext = false;

void* Allocate(std::size_t bytes) {
  if (failNext) {
    failNext = false;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(bytes != 0 ? bytes : 1)) return p;
  throw std::bad_alloc();
}

void* AllocateOrNull(std::size_t bytes) noexcept {
  try {
    return Allocate(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

void FailNextAllocationOnThisThread() { failNext = true; }
void AllowAllocationsOnThisThread() { failNext = false; }

}  // namespace kelvo

// Every plain form is replaced, so that what one allocates the other frees.
void* operator new(std::size_t bytes) { return kelvo::Allocate(bytes); }
void* operator new[](std::size_t bytes) { return kelvo::Allocate(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  return kelvo::AllocateOrNull(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
  return kelvo::AllocateOrNull(bytes);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
