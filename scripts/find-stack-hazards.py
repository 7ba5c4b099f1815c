#!/usr/bin/env python3
"""Lists the functions of a 32-bit x86 image that would fault on a 4-byte-aligned stack.

Reads `objdump -d` output (AT&T syntax) on standard input. A function is a
hazard when it uses an SSE memory operand that must be 16-byte aligned (or an
AVX one that must be 32-byte aligned) on its stack, through %esp or %ebp, and
never realigns %esp itself that far (`and $0xfffffff0,%esp` for 16 bytes,
`and $0xffffffe0,%esp` for 32). A 32-bit Windows caller, thread start or
window procedure guarantees 4 bytes only. Local labels of assembly routines
(`_routine.loop`, `..@15.bs`) count as part of their routine.

Prints one line per hazard, `function: first such instruction`, and exits 1
when there is one.
"""
import re
import sys

FUNCTION = re.compile(r"^[0-9a-f]+ <(?P<name>.+)>:$")
INSTRUCTION = re.compile(r"^\s*[0-9a-f]+:\s+(?P<text>\S.*)$")
STACK_OPERAND = re.compile(r"(?:^|[,\s])-?(?:0x[0-9a-f]+)?\(%e(?:sp|bp)[,)]")
REALIGN = re.compile(r"^and \$0x(?P<mask>f+[0-9a-f]0),%esp$")

# Legacy SSE forms whose memory operand needs no alignment: unaligned moves,
# scalar and 64-bit forms, and moves between general and SSE registers.
UNALIGNED = re.compile(
    r"^(movups|movupd|movdqu|lddqu|movlps|movhps|movlpd|movhpd|movq|movd|movss|movsd"
    r"|cvtsi2s[sd]l?|cvtt?s[sd]2s[sdi]l?|cvtdq2pd|cvtps2pd|comis[sd]|ucomis[sd]"
    r"|pinsr[bwdq]|pextr[bwdq]|insertps|extractps|movddup|pmov[sz]x\w*"
    r"|\w+ss|\w+sd)$"
)
# VEX forms fault on misalignment only in their aligned moves.
VEX_ALIGNED = re.compile(r"^(vmovaps|vmovapd|vmovdqa|vmovdqa32|vmovdqa64|vmovntdq|vmovntps|vmovntpd)$")


def alignment_needed(text):
    """The stack alignment in bytes that this instruction needs, or 0."""
    mnemonic, _, operands = text.partition(" ")
    if not STACK_OPERAND.search(operands):
        return 0
    if mnemonic.startswith("v"):
        if not VEX_ALIGNED.match(mnemonic):
            return 0
        return 32 if "%ymm" in operands else 16 if "%xmm" in operands else 0
    return 16 if "%xmm" in operands and not UNALIGNED.match(mnemonic) else 0


class Function:
    def __init__(self, name):
        self.name = name
        self.realigned = 4  # what the caller guarantees
        self.needs = 0
        self.first = None

    def note(self, text):
        realign = REALIGN.match(text)
        if realign:
            mask = int(realign.group("mask"), 16)
            self.realigned = max(self.realigned, (~mask + 1) & 0xFFFFFFFF)
            return
        needed = alignment_needed(text)
        if needed > self.needs:
            self.needs, self.first = needed, text

    def hazard(self):
        return self.needs > self.realigned


def hazards(lines):
    function = None
    for line in lines:
        header = FUNCTION.match(line)
        if header:
            name = header.group("name")
            if function and (name.startswith(function.name + ".") or name.startswith("..@")):
                continue  # a local or macro label inside an assembly routine
            if function and function.hazard():
                yield function
            function = Function(name)
            continue
        body = INSTRUCTION.match(line)
        if body and function:
            function.note(re.sub(r"\s+", " ", body.group("text").split("#")[0]).strip())
    if function and function.hazard():
        yield function


def main():
    found = list(hazards(sys.stdin))
    for function in found:
        print(f"{function.name}: needs {function.needs} bytes for `{function.first}`, "
              f"realigns to {function.realigned}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
