#!/usr/bin/env bash
# Runs one Windows x86-64 program under Wine with the project's prefix:
#   scripts/wine-run.sh program.exe args...
# The program's exit code is ours. CTest calls it for every win64 test program.
# Inside scripts/wine-session.sh it only starts the program. Called on its own,
# with or without a display, it opens a session for this one program: there
# the prefix is made under a display, and Wine's background services start
# with their output on /dev/null. Started by a test program instead, they
# would keep its output pipe open and CTest would wait for them forever.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export WINEPREFIX=${KELVO_WINEPREFIX:-$(dirname "$here")/build/win64/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts in a test run.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

if [ "${KELVO_WINE_SESSION:-}" != "$WINEPREFIX" ]; then
  exec "$here/wine-session.sh" "$here/wine-run.sh" "$@"
fi
exec /usr/lib/wine/wine64 "$@"
