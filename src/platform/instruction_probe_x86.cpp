// The probe routines. The assembler takes every instruction whatever the
// compiler's target, so the i686 build carries them without SSE code elsewhere.
#include "platform/instruction_probe_x86.h"

#if defined(__ELF__)
#define KELVO_PROBE_SYMBOL(name) ".globl " #name "\n.hidden " #name "\n"
#else
#define KELVO_PROBE_SYMBOL(name) ".globl " #name "\n"
#endif

asm(KELVO_PROBE_SYMBOL(kelvo_probe_mmx) KELVO_PROBE_SYMBOL(kelvo_probe_sse)
        KELVO_PROBE_SYMBOL(kelvo_probe_sse2) KELVO_PROBE_SYMBOL(kelvo_probe_3dnow)
            KELVO_PROBE_SYMBOL(kelvo_probe_undefined) KELVO_PROBE_SYMBOL(kelvo_probe_fault)
                KELVO_PROBE_SYMBOL(kelvo_probe_end) R"(
  .text
  .p2align 4
kelvo_probe_mmx:
  pxor %mm0, %mm0
  emms
  movl $1, %eax
  ret
kelvo_probe_sse:
  xorps %xmm0, %xmm0
  movl $1, %eax
  ret
kelvo_probe_sse2:
  xorpd %xmm0, %xmm0
  movl $1, %eax
  ret
kelvo_probe_3dnow:
  pfrcp %mm0, %mm0
  emms
  movl $1, %eax
  ret
kelvo_probe_undefined:
  ud2
  movl $1, %eax
  ret
kelvo_probe_fault:
  xorl %eax, %eax
  ret
kelvo_probe_end:
  nop
)");
