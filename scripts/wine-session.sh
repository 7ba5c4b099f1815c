#!/usr/bin/env bash
# Runs a command inside one Xvfb display and one persistent wineserver, so the
# Wine programs it starts share them instead of each paying for a start:
#   scripts/wine-session.sh ctest --preset win64
# Makes the Wine prefix on first use, under the display: a prefix first made
# without a display cannot create windows later. One session per prefix at a
# time; a second one waits for the first to end.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=scripts/wine-env.sh
. "$here/wine-env.sh"

# Already inside a session for this prefix: nothing to set up.
if [ "${KELVO_WINE_SESSION:-}" = "$WINEPREFIX" ]; then
  exec "$@"
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
# The lock is held by flock alone (-o), so no Wine process that outlives the
# session can keep the next one waiting.
if [ "${KELVO_WINE_SESSION_LOCK:-}" != "$WINEPREFIX" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  KELVO_WINE_SESSION_LOCK=$WINEPREFIX exec flock -o "$WINEPREFIX.lock" "$0" "$@"
fi
unset KELVO_WINE_SESSION_LOCK
export KELVO_WINE_SESSION=$WINEPREFIX

wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

# .kelvo-ready says "wow64" once the prefix is complete with its 32-bit half;
# a prefix without it was interrupted, made elsewhere or made before Wine's
# 32-bit half was installed, and is made anew.
if ! grep -qx wow64 "$WINEPREFIX/.kelvo-ready" 2>/dev/null; then
  echo "wine-session: creating the Wine prefix $WINEPREFIX" >&2
  if [ -d "$WINEPREFIX" ] && [ -n "$(ls -A "$WINEPREFIX")" ] && [ ! -d "$WINEPREFIX/dosdevices" ]; then
    echo "wine-session: $WINEPREFIX is not a Wine prefix; not touching it" >&2
    exit 1
  fi
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  if ! /usr/lib/wine/wine64 wineboot -i >"$WINEPREFIX.log" 2>&1; then
    cat "$WINEPREFIX.log" >&2
    echo "wine-session: wineboot failed" >&2
    exit 1
  fi
  "$wineserver" -w
  [ -f "$WINEPREFIX/system.reg" ] || { cat "$WINEPREFIX.log" >&2; exit 1; }
  rm -f "$WINEPREFIX.log"
  echo wow64 >"$WINEPREFIX/.kelvo-ready"
fi

# -p puts the server in the background and returns 0; it returns non-zero when
# a server for this prefix already runs (one started outside these scripts),
# which the session then uses and leaves alone.
owner=0
if "$wineserver" -p 2>/dev/null; then owner=1; fi
# The server and everything Wine started go with the session, also when it is
# interrupted.
# shellcheck disable=SC2317 # run by the EXIT trap
stop_server() {
  if [ "$owner" -eq 1 ]; then
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
  fi
}
# A signal ends the command first, if it runs, and then the session.
child=
# shellcheck disable=SC2317 # run by the INT and TERM traps
on_signal() {
  if [ -n "$child" ]; then
    kill -TERM "$child" 2>/dev/null || true
    wait "$child" || true
  fi
  exit "$1"
}
trap stop_server EXIT
trap 'on_signal 130' INT
trap 'on_signal 143' TERM HUP
# Starts Wine's services and desktop now, detached from the command's output:
# the first test program would otherwise start them with its own stdout and
# stderr, which they hold open for as long as they run.
/usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
# Japanese dialogs ask for "MS UI Gothic"; Wine draws it with the proportional
# IPA Gothic that scripts/deps.sh installs (without it, with a fixed-pitch
# fallback that is too wide for the dialogs' Latin labels). Once per prefix.
if [ ! -f "$WINEPREFIX/.kelvo-fonts" ] && [ -n "$(fc-list IPAPGothic family 2>/dev/null)" ]; then
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' \
    /d IPAPGothic /f </dev/null >/dev/null 2>&1 && touch "$WINEPREFIX/.kelvo-fonts"
fi

# The command runs as a child waited for: bash runs a trap only between
# commands, and a wait is the one it interrupts.
"$@" <&0 &
child=$!
status=0
wait "$child" || status=$?
exit "$status"
