#!/usr/bin/env bash
# Builds the SDK packages customers get:
#   scripts/package.sh [win32] [win64]     (both without arguments)
# dist/KelvoSdk_Q12-<version>-<arch>.zip holds one folder of that name with
#   README.md, RELEASE-NOTES.md   what is where, first steps; what the release holds
#   include/   the C header and the C++ interface over it
#   bin/       KelvoSdk_Q12.dll, viewer.exe (samples/viewer, built) and
#              kelvo-selftest.exe when it is built
#   lib/       libKelvoSdk_Q12.dll.a (MinGW) and KelvoSdk_Q12.lib (MSVC), both
#              made from src/api/KelvoSdk_Q12.def, and lib/cmake/KelvoSdk_Q12/
#              for find_package(KelvoSdk_Q12)
#   samples/   capture, viewer, trigger, two_cameras and live (C++) with CMake
#              files (presets for MSVC and MinGW)
#   docs/      the guides and the reference (HTML, from the header's comments)
# dist/KelvoSdk_Q12-<version>-<arch>-KelvoSdk_Q12.dll.debug holds the DLL's
# debug information, which the packaged DLL goes without.
# win32 is the product; win64 is the same layout for x86-64.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project(KelvoSdkQ12 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ $# -gt 0 ] || set -- win32 win64

# Per architecture: the MinGW triple and the machine names of the two tools.
declare -A triple=([win32]=i686-w64-mingw32 [win64]=x86_64-w64-mingw32)
declare -A machine=([win32]=i386 [win64]=i386:x86-64)
declare -A pointer_bytes=([win32]=4 [win64]=8)

mkdir -p build dist
for arch in "$@"; do
  [ -n "${triple[$arch]:-}" ] || { echo "package: no such architecture: $arch" >&2; exit 1; }
  name=KelvoSdk_Q12-$version-$arch
  stage=build/package/$name
  echo "== package $name"
  cmake --preset "$arch" >"build/configure-$arch.log" 2>&1 || { cat "build/configure-$arch.log"; exit 1; }
  targets=(KelvoSdk_Q12 viewer)
  if [ -f tools/selftest/CMakeLists.txt ]; then targets+=(kelvo-selftest); fi
  cmake --build --preset "$arch" --target "${targets[@]}" >/dev/null

  rm -rf "$stage"
  mkdir -p "$stage"/{include,bin,lib/cmake/KelvoSdk_Q12,samples,docs}
  cp include/KelvoSdk_Q12.h include/KelvoSdk_Q12.hpp "$stage/include/"
  cp "build/$arch/bin/KelvoSdk_Q12.dll" "$stage/bin/"
  # Customers get the DLL without debug sections and symbols; those go beside the
  # zip, for support, and the DLL names that file for a debugger.
  debug=$name-KelvoSdk_Q12.dll.debug
  "${triple[$arch]}-objcopy" --only-keep-debug "$stage/bin/KelvoSdk_Q12.dll" "dist/$debug"
  "${triple[$arch]}-strip" --strip-all "$stage/bin/KelvoSdk_Q12.dll"
  (cd dist && "${triple[$arch]}-objcopy" --add-gnu-debuglink="$debug" "../$stage/bin/KelvoSdk_Q12.dll")
  [ ! -f "build/$arch/bin/kelvo-selftest.exe" ] || cp "build/$arch/bin/kelvo-selftest.exe" "$stage/bin/"
  # The viewer ready to run beside the DLL, as the customer's first look at the camera.
  cp "build/$arch/bin/viewer.exe" "$stage/bin/"
  "${triple[$arch]}-strip" --strip-all "$stage/bin/viewer.exe"

  # Import libraries from the export list, not from the build: both name
  # exactly the 114 exports, undecorated, of KelvoSdk_Q12.dll.
  "${triple[$arch]}-dlltool" -m "${machine[$arch]}" -d src/api/KelvoSdk_Q12.def \
    -D KelvoSdk_Q12.dll -l "$stage/lib/libKelvoSdk_Q12.dll.a"
  llvm-dlltool -m "${machine[$arch]}" -d src/api/KelvoSdk_Q12.def -D KelvoSdk_Q12.dll \
    -l "$stage/lib/KelvoSdk_Q12.lib"

  cp cmake/package/KelvoSdk_Q12Config.cmake "$stage/lib/cmake/KelvoSdk_Q12/"
  sed -e "s/@VERSION@/$version/g" -e "s/@BITS@/$((pointer_bytes[$arch] * 8))/g" \
    -e "s/@POINTER_BYTES@/${pointer_bytes[$arch]}/g" \
    cmake/package/KelvoSdk_Q12ConfigVersion.cmake.in \
    >"$stage/lib/cmake/KelvoSdk_Q12/KelvoSdk_Q12ConfigVersion.cmake"

  cp -r samples/CMakeLists.txt samples/CMakePresets.json samples/cmake samples/common \
    samples/capture samples/viewer samples/trigger samples/two_cameras samples/live "$stage/samples/"
  cp docs/package/README.md docs/package/RELEASE-NOTES.md "$stage/"
  if [ -d docs ]; then
    # reference-main.md is the reference's first page, not a guide of its own.
    find docs -maxdepth 1 -name '*.md' ! -name reference-main.md -exec cp {} "$stage/docs/" \;
    if [ -f docs/Doxyfile ]; then
      (cd docs && KELVO_VERSION=$version KELVO_REFERENCE_OUT="$(realpath -m "../$stage/docs")" \
        doxygen Doxyfile >/dev/null)
    fi
  fi

  # Files in a fixed order with fixed times, so the same sources give the same zip.
  rm -f "dist/$name.zip"
  (cd build/package && find "$name" -print0 | sort -z | xargs -0 touch -d '2000-01-01 00:00:00' &&
    find "$name" -type f | LC_ALL=C sort >"$name.files" &&
    cmake -E tar cf "../../dist/$name.zip" --format=zip --files-from="$name.files")
  echo "   dist/$name.zip ($(du -h "dist/$name.zip" | cut -f1)), dist/$debug ($(du -h "dist/$debug" | cut -f1))"
done
