#include "soak/process_counts.h"

#include <iterator>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
// After <windows.h>.
#include <psapi.h>
#include <tlhelp32.h>
#else
#include <malloc.h>

#include <filesystem>
#endif

namespace kelvo::soak {
namespace {

#ifdef _WIN32
// Wine counts no handles and no GUI objects for a process; there the handles
// are found by asking about each small handle value, and the USER objects
// are taken as the windows the process owns.
std::int64_t ProbedHandles() {
  std::int64_t found = 0;
  for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    found += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
  }
  return found;
}

BOOL CALLBACK CountChild(HWND /*window*/, LPARAM count) {
  ++*reinterpret_cast<std::int64_t*>(count);
  return TRUE;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<std::int64_t*>(count);
  EnumChildWindows(window, CountChild, count);  // every descendant
  return TRUE;
}

std::int64_t OwnWindows() {
  std::int64_t count = 0;
  EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}
#else
std::int64_t EntriesIn(const char* directory) {
  auto entries = std::filesystem::directory_iterator(directory);
  return std::distance(begin(entries), end(entries));
}
#endif

}  // namespace

ProcessCounts CountProcess() {
  ProcessCounts counts;
#ifdef _WIN32
  HANDLE self = GetCurrentProcess();
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(self, &memory, sizeof memory)) {
    counts.memoryKiB = static_cast<std::int64_t>(memory.PagefileUsage / 1024);
  }
  DWORD handles = 0;
  GetProcessHandleCount(self, &handles);
  counts.handles = handles != 0 ? handles : ProbedHandles();
  counts.gdiObjects = GetGuiResources(self, GR_GDIOBJECTS);
  counts.userObjects = GetGuiResources(self, GR_USEROBJECTS);
  if (counts.userObjects == 0) counts.userObjects = OwnWindows();
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot != INVALID_HANDLE_VALUE) {
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more;
         more = Thread32Next(snapshot, &thread)) {
      counts.threads += thread.th32OwnerProcessID == GetCurrentProcessId();
    }
    CloseHandle(snapshot);
  }
#else
  struct mallinfo2 heap = mallinfo2();
  counts.memoryKiB = static_cast<std::int64_t>((heap.uordblks + heap.hblkhd) / 1024);
  counts.handles = EntriesIn("/proc/self/fd");
  counts.threads = EntriesIn("/proc/self/task");
#endif
  return counts;
}

std::string GrownBeyond(const ProcessCounts& start, const ProcessCounts& end,
                        const CountTolerance& tolerance) {
  struct Row {
    const char* name;
    std::int64_t start, end, allowed;
  };
  const Row rows[] = {
      {"memory (KiB)", start.memoryKiB, end.memoryKiB, tolerance.memoryKiB},
      {"handles", start.handles, end.handles, tolerance.handles},
      {"GDI objects", start.gdiObjects, end.gdiObjects, tolerance.guiObjects},
      {"USER objects", start.userObjects, end.userObjects, tolerance.guiObjects},
      {"threads", start.threads, end.threads, tolerance.threads},
  };
  std::ostringstream grown;
  for (const Row& row : rows) {
    if (row.end - row.start > row.allowed) {
      grown << row.name << " grew from " << row.start << " to " << row.end << " (allowed +"
            << row.allowed << "); ";
    }
  }
  return grown.str();
}

}  // namespace kelvo::soak
