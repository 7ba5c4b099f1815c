#!/usr/bin/env bash
# Static checks on the shipped 32-bit DLL: image type, the exact export names
# of the public header, the imported DLLs, the version resource, and no
# function that would fault on the 4-byte-aligned stack of a 32-bit caller.
set -euo pipefail

dll=${1:-build/win32/bin/KelvoSdk_Q12.dll}
header=${2:-include/KelvoSdk_Q12.h}
objdump=i686-w64-mingw32-objdump
failures=0

fail() {
  echo "check-dll: $*" >&2
  failures=$((failures + 1))
}

[ -f "$dll" ] || { echo "check-dll: $dll is missing" >&2; exit 1; }
export LC_ALL=C
headers=$($objdump -p "$dll")

grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 i386 image"
grep -q 'Magic[[:space:]]*010b' <<<"$headers" || fail "optional header is not PE32"

expected=$(grep -o -E 'KELVO_CALL Kelvo_[A-Za-z0-9_]+' "$header" | sed 's/KELVO_CALL //' | sort)
exported=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
  grep -E "^\s*\[ *[0-9]+\] [A-Za-z_]" | awk "{print \$NF}" | sort)
[ "$(wc -l <<<"$expected")" -eq 114 ] || fail "the header declares $(wc -l <<<"$expected") functions, not 114"
if [ "$expected" != "$exported" ]; then
  fail "export table differs from the header:"
  diff <(echo "$expected") <(echo "$exported") >&2 || true
fi

# Only DLLs that every Windows installation has; no MinGW runtime beside ours.
allowed='^(kernel32|user32|gdi32|advapi32|msvcrt|winmm|comctl32|ole32|oleaut32|shell32|comdlg32|ws2_32|api-ms-win-[a-z0-9-]+)\.dll$'
imports=$(grep -o -E 'DLL Name: [^ ]+' <<<"$headers" | sed 's/DLL Name: //' | tr 'A-Z' 'a-z' | sort -u)
for name in $imports; do
  grep -q -E "$allowed" <<<"$name" || fail "imports $name, which is not a Windows system DLL"
done

# VS_FIXEDFILEINFO: signature 0xFEEF04BD, struct version, then file and product version words.
offset=$(grep -obUaP '\xBD\x04\xEF\xFE' "$dll" | head -n 1 | cut -d: -f1 || true)
if [ -z "$offset" ]; then
  fail "no version resource"
else
  read -r fileMs fileLs productMs productLs < <(od -An -tu4 -j $((offset + 8)) -N 16 "$dll")
  want_ms=$(((1 << 16) | 2)) want_ls=$(((8 << 16) | 14))
  [ "$fileMs.$fileLs" = "$want_ms.$want_ls" ] || fail "file version is not 1.2.8.14"
  [ "$productMs.$productLs" = "$want_ms.$want_ls" ] || fail "product version is not 1.2.8.14"
fi

# Every function that keeps aligned SSE values on its stack must realign its
# own frame (scripts/find-stack-hazards.py says what counts). That needs the
# functions' names: the build's DLL has them, the packaged one does not.
disassembly=$($objdump -d -C --no-show-raw-insn "$dll")
hazards=$(python3 "$(dirname "$0")/find-stack-hazards.py" <<<"$disassembly" || true)
if ! grep -q '^[0-9a-f]* <Kelvo_SnapShot>:$' <<<"$disassembly"; then
  fail "no symbols: the stack alignment of its functions cannot be checked (check the build's DLL, not a stripped one)"
elif [ -n "$hazards" ]; then
  fail "$(wc -l <<<"$hazards") function(s) would fault on a 4-byte-aligned stack:"
  sed 's/^/  /' <<<"$hazards" >&2
fi

if [ "$failures" -ne 0 ]; then
  echo "check-dll: $failures check(s) failed on $dll" >&2
  exit 1
fi
echo "check-dll: $dll is PE32 i386, exports the 114 names, imports only $(echo $imports | tr ' ' ','), version 1.2.8.14, safe on a 4-byte-aligned stack"
