// What a process holds, for comparing before and after a long run: memory in
// use, open handles, GDI and USER objects (Windows) and threads.
#pragma once

#include <cstdint>
#include <string>

namespace kelvo::soak {

struct ProcessCounts {
  std::int64_t memoryKiB = 0;     // host: bytes malloc has handed out; Windows: private bytes
  std::int64_t handles = 0;       // host: open file descriptors; Windows: kernel handles
  std::int64_t gdiObjects = -1;   // -1 where there are none; Wine counts none (0)
  std::int64_t userObjects = -1;  // under Wine, which counts none: the windows the process owns
  std::int64_t threads = 0;
};

ProcessCounts CountProcess();

// Allowed growth from start to end of a run.
struct CountTolerance {
  std::int64_t memoryKiB;
  std::int64_t handles;
  std::int64_t guiObjects;
  std::int64_t threads;
};

// The counts that grew beyond the tolerance, named, or an empty string.
std::string GrownBeyond(const ProcessCounts& start, const ProcessCounts& end,
                        const CountTolerance& tolerance);

}  // namespace kelvo::soak
