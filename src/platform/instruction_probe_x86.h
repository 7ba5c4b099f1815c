// The probe instructions as leaf routines that touch no stack, so that a fault
// can be resumed at kelvo_probe_fault, which returns 0 to the prober's caller.
#pragma once

#include <cstdint>

#include "platform/instruction_probe.h"

extern "C" {
int kelvo_probe_mmx() asm("kelvo_probe_mmx");
int kelvo_probe_sse() asm("kelvo_probe_sse");
int kelvo_probe_sse2() asm("kelvo_probe_sse2");
int kelvo_probe_3dnow() asm("kelvo_probe_3dnow");
int kelvo_probe_undefined() asm("kelvo_probe_undefined");
int kelvo_probe_fault() asm("kelvo_probe_fault");
int kelvo_probe_end() asm("kelvo_probe_end");
}

namespace kelvo::platform {

using ProbeRoutine = int (*)();

inline ProbeRoutine ProbeRoutineFor(ProbeInstruction instruction) {
  switch (instruction) {
    case ProbeInstruction::Mmx:
      return kelvo_probe_mmx;
    case ProbeInstruction::Sse:
      return kelvo_probe_sse;
    case ProbeInstruction::Sse2:
      return kelvo_probe_sse2;
    case ProbeInstruction::Amd3dNow:
      return kelvo_probe_3dnow;
    case ProbeInstruction::Undefined:
      break;
  }
  return kelvo_probe_undefined;
}

// Whether an instruction address lies inside the probe routines.
inline bool IsProbeAddress(std::uintptr_t address) {
  return address >= reinterpret_cast<std::uintptr_t>(&kelvo_probe_mmx) &&
         address < reinterpret_cast<std::uintptr_t>(&kelvo_probe_end);
}

}  // namespace kelvo::platform
