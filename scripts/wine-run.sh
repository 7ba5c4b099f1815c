#!/usr/bin/env bash
# Runs one Windows program, x86-64 or 32-bit x86, under Wine with the
# project's prefix:
#   scripts/wine-run.sh program.exe args...
# The program's exit code is ours. CTest calls it for every win64 and win32
# test program. Inside scripts/wine-session.sh it only starts the program.
# Called on its own, with or without a display, it opens a session for this
# one program: there the prefix is made under a display, and Wine's background
# services start with their output on /dev/null. Started by a test program
# instead, they would keep its output pipe open and CTest would wait for them
# forever.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=scripts/wine-env.sh
. "$here/wine-env.sh"

if [ "${KELVO_WINE_SESSION:-}" != "$WINEPREFIX" ]; then
  exec "$here/wine-session.sh" "$here/wine-run.sh" "$@"
fi

# The PE header's machine field picks the loader: 32-bit programs go through
# Wine's 32-bit loader, which QEMU runs (scripts/deps.sh registers it).
pe_machine() { # <program>: prints the machine field in hex, e.g. 14c or 8664
  local offset
  offset=$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ')
  od -An -tx2 -j $((offset + 4)) -N 2 "$1" | tr -d ' '
}
if [ -f "$1" ] && [ "$(pe_machine "$1")" = 014c ]; then
  exec /usr/lib/wine/wine "$@"
fi
exec /usr/lib/wine/wine64 "$@"
