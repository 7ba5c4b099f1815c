#!/usr/bin/env bash
# Tests the packages as a customer gets them, inside a Wine session
# (scripts/wine-session.sh scripts/test-package.sh): builds both with
# scripts/package.sh, checks each zip's file list, builds the samples from the
# unpacked package through find_package with MinGW, links a program without C
# runtime against the MSVC-style import library with lld-link, and runs each
# package's programs under Wine on emulated cameras (the win32 ones under
# 32-bit Wine): the capture, live, trigger and two-camera samples, the
# self-test, and the viewer both as shipped in bin/ and as built from samples/.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(KelvoSdkQ12 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
work=$(realpath -m build/package-test)
failures=0
check() { # <what> <command...>
  local what=$1
  shift
  if "$@" >"$work/last.log" 2>&1; then
    echo "  ok: $what"
  else
    echo "  FAILED: $what"
    tail -n 30 "$work/last.log" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

rm -rf "$work" && mkdir -p "$work"
scripts/package.sh win32 win64

# The listing apart from the generated reference pages, which must include an index.
file_list_matches() { # <zip> <name>
  python3 -m zipfile -l "$1" | awk 'NR > 1 {print $1}' | sed "s|^$2/||" |
    grep -v -e '^docs/reference/' -e '^docs/reference/html/index.html$' >"$work/$2.files" || true
  python3 -m zipfile -l "$1" | awk 'NR > 1 {print $1}' | sed "s|^$2/||" |
    grep -x 'docs/reference/html/index.html' >>"$work/$2.files" || true
  diff -u tests/package/expected-files.txt <(LC_ALL=C sort "$work/$2.files") | sed 's/^/    /' >&2
}
# An import library names every export of the .def, undecorated, for KelvoSdk_Q12.dll.
names_every_export() { # <import library> <symbol prefix>
  local expected found
  expected=$(sed -n 's/^  \(Kelvo_[A-Za-z_0-9]*\)$/\1/p' src/api/KelvoSdk_Q12.def | sort)
  found=$(llvm-nm "$1" 2>/dev/null | sed -n "s/.* T $2\(Kelvo_[A-Za-z_0-9]*\)$/\1/p" | sort -u)
  diff <(echo "$expected") <(echo "$found") >&2
}
imports_sdk() { # <program> <symbol>
  llvm-readobj --coff-imports "$1" | tr -d ' ' | grep -A200 'Name:KelvoSdk_Q12.dll' | grep -q "Symbol:$2("
}
# The first-frame program exactly as docs/getting-started.md prints it, built
# against the unpacked package and run on the emulator from the first-run
# settings: its picture must show the chart, not a dark frame (Debian's
# python3-pil measures it).
first_frame_shows_the_chart() { # <sdk folder> <MinGW triple> <folder>
  local sdk=$1 triple=$2 dir=$3
  mkdir -p "$dir" && cp "$sdk/bin/KelvoSdk_Q12.dll" "$dir/"
  awk '/^```c$/ {on = 1; next} /^```$/ && on {exit} on' "$sdk/docs/getting-started.md" >"$dir/first.c"
  "$triple-gcc" -Wall -Werror -I "$sdk/include" "$dir/first.c" -o "$dir/first.exe" -L "$sdk/lib" -lKelvoSdk_Q12
  scripts/wine-run.sh reg delete 'HKCU\Software\Nuvrel\KelvoQ12Sdk' /f >/dev/null 2>&1 || true
  (cd "$dir" && KELVO_Q12_EMULATOR=1 "$OLDPWD/scripts/wine-run.sh" ./first.exe)
  /usr/bin/python3 -c "
from PIL import Image, ImageStat
mean = sum(ImageStat.Stat(Image.open('$dir/first.png').convert('RGB')).mean) / 3
print('first.png: mean %.1f of 255' % mean)
raise SystemExit(0 if 40 <= mean <= 200 else 1)"
}
# The root README's links name files of the package, and the notes name this version.
guides_are_there() { # <sdk folder>
  local sdk=$1 link
  grep -q "^# Release notes — KelvoSdk_Q12 $version$" "$sdk/RELEASE-NOTES.md" &&
    for link in $(grep -o '](docs/[a-z-]*\.md)' "$sdk/README.md" | tr -d '()]'); do
      [ -s "$sdk/$link" ] || { echo "README.md links to a missing $link" >&2; return 1; }
    done
}
pe_machine() { # <program> <machine name as llvm-readobj spells it>
  llvm-readobj --file-headers "$1" | grep -q "Machine: $2"
}

for arch in win32 win64; do
  name=KelvoSdk_Q12-$version-$arch
  echo "== $name"
  triple=$([ $arch = win32 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
  machine=$([ $arch = win32 ] && echo IMAGE_FILE_MACHINE_I386 || echo IMAGE_FILE_MACHINE_AMD64)
  target=$([ $arch = win32 ] && echo i686-pc-windows-msvc || echo x86_64-pc-windows-msvc)
  prefix=$([ $arch = win32 ] && echo _ || echo)
  sdk=$work/$name
  check "the zip lists exactly the package's files" file_list_matches "dist/$name.zip" "$name"
  (cd "$work" && cmake -E tar xf "$OLDPWD/dist/$name.zip")
  check "README.md, RELEASE-NOTES.md, docs/install.md and docs/formats.md are there" guides_are_there "$sdk"
  check "the MinGW import library names every export" names_every_export "$sdk/lib/libKelvoSdk_Q12.dll.a" "$prefix"
  check "the MSVC import library names every export" names_every_export "$sdk/lib/KelvoSdk_Q12.lib" "$prefix"

  # The samples as a customer builds them: the package's own presets and toolchain files.
  check "samples configure through find_package ($triple)" \
    cmake -S "$sdk/samples" --preset "mingw-${triple%%-*}-cross"
  bin=$sdk/samples/build/mingw-${triple%%-*}-cross
  check "samples build" cmake --build "$bin" --target capture viewer live trigger two_cameras -j 2
  check "capture.exe is $machine and imports Kelvo_SnapShot from KelvoSdk_Q12.dll" \
    bash -c "$(declare -f pe_machine imports_sdk); pe_machine '$bin/capture/capture.exe' $machine && imports_sdk '$bin/capture/capture.exe' Kelvo_SnapShot"

  # The MSVC-style library with lld-link, no C runtime and no default libraries.
  check "lld-link links a program without C runtime against KelvoSdk_Q12.lib" \
    bash -c "clang --target=$target -ffreestanding -O1 -c tests/package/call_version.c -o '$work/$arch-call_version.obj' &&
      lld-link /nologo /nodefaultlib /entry:start /subsystem:console '$work/$arch-call_version.obj' \
        '$sdk/lib/KelvoSdk_Q12.lib' /out:'$work/$arch-call_version.exe'"
  check "that program imports Kelvo_GetDllVersion from KelvoSdk_Q12.dll" \
    bash -c "$(declare -f imports_sdk); imports_sdk '$work/$arch-call_version.exe' Kelvo_GetDllVersion"

  check "the getting-started program shows the chart on the emulator" \
    first_frame_shows_the_chart "$sdk" "$triple" "$work/first-$arch"
  rm -f "$work/KelvoSdk_Q12.dll" && cp "$sdk/bin/KelvoSdk_Q12.dll" "$work/"
  check "the program without C runtime gets the version from the DLL under Wine" \
    scripts/wine-run.sh "$work/$arch-call_version.exe"
  mkdir -p "$work/pictures-$arch"
  check "the package's capture sample runs on two emulated cameras and writes all 84 files" \
    env KELVO_Q12_EMULATOR=2 scripts/wine-run.sh "$bin/capture/capture.exe" "$work/pictures-$arch"
  check "the package's kelvo-selftest passes on an emulated camera" \
    env KELVO_Q12_EMULATOR=1 KELVO_Q12_EMULATOR_TRIGGER_MS=100 \
    scripts/wine-run.sh "$sdk/bin/kelvo-selftest.exe" --report "$work/selftest-report-$arch.txt"
  check "the package's live sample (C++ interface) takes a snapshot and 10 live frames" \
    bash -c "cd '$work' && KELVO_Q12_EMULATOR=1 '$PWD/scripts/wine-run.sh' '$bin/live/live.exe' 10 | tee /dev/stderr |
      grep -q '^live: 10 frames'"
  for viewer in "$sdk/bin/viewer.exe" "$bin/viewer/viewer.exe"; do
    check "the viewer ${viewer#"$sdk/"} shows frames for 3 seconds" \
      bash -c "KELVO_Q12_EMULATOR=2 scripts/wine-run.sh '$viewer' --seconds 3 | tee /dev/stderr |
        grep -Eq 'viewer: camera 1 of 2, [1-9][0-9]* frames, 0 dropped, live'"
  done
  mkdir -p "$work/trigger-$arch"
  check "the trigger sample takes 3 frames by software and 3 by the emulator's trigger source" \
    bash -c "KELVO_Q12_EMULATOR=1 KELVO_Q12_EMULATOR_TRIGGER_MS=100 scripts/wine-run.sh \
      '$bin/trigger/trigger.exe' --frames 3 '$work/trigger-$arch' | tee /dev/stderr |
      grep -q '^external trigger 3: ' && test -s '$work/trigger-$arch/external.png'"
  check "without a trigger source the trigger sample times out, stops and says so (exit code 2)" \
    bash -c "KELVO_Q12_EMULATOR=1 scripts/wine-run.sh '$bin/trigger/trigger.exe' --frames 1 \
      --timeout 1000 '$work/trigger-$arch' | tee '$work/trigger-$arch/timeout.txt' >&2;
      test \${PIPESTATUS[0]} -eq 2 && grep -q '^external trigger: timeout' '$work/trigger-$arch/timeout.txt' &&
      grep -q '^external trigger: stopped after' '$work/trigger-$arch/timeout.txt'"
  check "the two-camera sample shows both emulated cameras live in two windows for 3 seconds" \
    bash -c "KELVO_Q12_EMULATOR=2 scripts/wine-run.sh '$bin/two_cameras/two_cameras.exe' --seconds 3 |
      tee /dev/stderr | grep -Ec 'two_cameras: camera [12]: [1-9][0-9]* frames' | grep -qx 2"
done
[ "$failures" -eq 0 ]
