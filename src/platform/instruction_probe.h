// Executes single instructions of the SIMD extensions under a guard, so that an
// instruction the processor or the operating system refuses marks the extension
// unusable instead of ending the process.
#pragma once

namespace kelvo::platform {

enum class ProbeInstruction {
  Mmx,        // PXOR MM0, MM0 then EMMS
  Sse,        // XORPS XMM0, XMM0
  Sse2,       // XORPD XMM0, XMM0
  Amd3dNow,   // PFRCP MM0, MM0 then EMMS
  Undefined,  // UD2: always faults, for checking the guard itself
};

// True when the instruction completed. The guard covers the calling thread
// only; a fault on any other thread is left to whoever handled it before.
bool ExecutesWithoutFault(ProbeInstruction instruction);

}  // namespace kelvo::platform
