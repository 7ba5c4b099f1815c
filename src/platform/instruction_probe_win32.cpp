// The guard on Windows: a vectored exception handler that resumes a faulting
// probe routine at its failure exit, for the thread that armed it only.
#include "platform/instruction_probe_x86.h"
#include "platform/win32.h"

namespace kelvo::platform {
namespace {

thread_local bool guardArmed = false;

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  CONTEXT* context = info->ContextRecord;
#if defined(_WIN64)
  auto& instruction = context->Rip;
#else
  auto& instruction = context->Eip;
#endif
  if (!guardArmed || !IsProbeAddress(static_cast<std::uintptr_t>(instruction))) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  guardArmed = false;
  instruction = reinterpret_cast<std::uintptr_t>(&kelvo_probe_fault);
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

bool ExecutesWithoutFault(ProbeInstruction instruction) {
  // Without a guard the instruction is not tried: the extension counts as unusable.
  void* handler = AddVectoredExceptionHandler(1, OnException);
  if (handler == nullptr) return false;
  guardArmed = true;
  int completed = ProbeRoutineFor(instruction)();
  guardArmed = false;
  RemoveVectoredExceptionHandler(handler);
  return completed == 1;
}

}  // namespace kelvo::platform
