#!/usr/bin/env bash
# Inside a Wine session (scripts/wine-session.sh): runs the viewer for a few
# seconds and takes a screenshot of it while it shows live frames.
#   scripts/show-viewer.sh <viewer.exe> <seconds> <screenshot.png>
# Without a window manager Wine leaves captions and borders to one that is not
# there; for the screenshot Wine draws them itself (X11 driver, Managed=N),
# and the prefix is set back afterwards.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
viewer=$1 seconds=$2 screenshot=$3
x11='HKCU\Software\Wine\X11 Driver'

"$here/wine-run.sh" reg add "$x11" /v Managed /d N /f >/dev/null 2>&1
trap '"$here/wine-run.sh" reg delete "$x11" /v Managed /f >/dev/null 2>&1 || true' EXIT
"$here/wine-run.sh" "$viewer" --seconds "$seconds" &
running=$!
# Long enough for the window, the camera start and a second of frames.
sleep $((seconds > 4 ? seconds - 2 : 2))
# The viewer's window alone: the black desktop around it is trimmed off.
import -window root -trim +repage "$screenshot"
wait "$running"
