#!/usr/bin/env bash
# Installs what the builds need, and nothing twice:
# - Debian packages for the host build, the MinGW-w64 cross builds, Wine, and
#   the package's tools (LLVM's import-library tools, Doxygen, ImageMagick);
# - for each MinGW target, static libjpeg-turbo (libjpeg API 62), libpng,
#   libtiff, GoogleTest and Google Benchmark built from Debian's source packages into a cache
#   outside the build tree, keyed by target and package version, and a
#   deps.cmake there that the toolchain files include;
# - the 32-bit half of Wine, and QEMU's i386 user-mode emulator built from
#   Debian's source with one patch (scripts/patches/) and registered for i386
#   ELF programs, since this kernel runs no 32-bit code itself.
# A second run reads dpkg's database and the stamp files only: well under a second.
set -euo pipefail
shopt -s inherit_errexit

cache=$(realpath -m "${KELVO_DEPS_CACHE:-/var/cache/kelvo-q12-deps}")
targets=(i686-w64-mingw32 x86_64-w64-mingw32)
build_packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev python3
  libpng-dev libjpeg62-turbo-dev libtiff-dev zlib1g-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64 mingw-w64-tools libz-mingw-w64-dev nasm
  libopencv-dev python3-pil
  lld llvm clang libclang-rt-dev doxygen imagemagick
)
# Wine with its recommends: its fonts and X libraries are what lets the test
# programs open windows under Xvfb.
wine_packages=(wine64 xvfb xauth)
# The shipped 32-bit DLL runs under Wine's 32-bit half, an i386 package whose
# programs QEMU's user-mode emulator executes. Debian's qemu-user-static
# fixes the emulator's version; what builds it from source comes beside it.
emulator_packages=(qemu-user-static meson libglib2.0-dev libpcre2-dev)
wine32_package=wine32:i386
# The Japanese dialogs' screenshots: a Japanese font for Wine to draw the
# glyphs with, and the ja_JP.UTF-8 locale that makes Wine report Japanese.
# The dialog tests pass without them.
japanese_packages=(fonts-ipafont-gothic locales)

# Bumped whenever a target's build recipe below changes, so its cache is rebuilt.
declare -A recipe=([i686-w64-mingw32]=3 [x86_64-w64-mingw32]=2)

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9 # one run at a time; a second waits for the first

log=$(mktemp /tmp/kelvo-deps.XXXXXX.log)
# Runs one step with its output in the log; on failure shows the end of it.
quietly() {
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "deps: failed: $* (its output: $log)" >&2
    exit 1
  fi
}

apt_updated=0
apt_update_once() {
  if [ "$apt_updated" -eq 0 ]; then
    echo "deps: apt-get update"
    quietly apt-get update -q
    apt_updated=1
  fi
}

apt_install() { # <extra apt-get option or ""> <packages...>
  local option=$1
  shift
  local missing
  # One dpkg-query for the whole list; packages it does not know print nothing.
  missing=$(comm -23 <(printf '%s\n' "$@" | sort -u) \
    <(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "$@" 2>/dev/null | awk '$1 == "ii" {print $2}' | sort -u))
  [ -n "$missing" ] || return 0
  # shellcheck disable=SC2086 # a word list by design
  echo "deps: installing" $missing
  apt_update_once
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive quietly apt-get install -y -q -o DPkg::Lock::Timeout=300 \
    ${option} $missing
}

# binfmt_misc hands i386 ELF programs to qemu-i386-static. The F flag opens
# the interpreter now, so it also serves programs started in other mount
# namespaces. Without systemd nobody registers it, so we do, once per boot.
binfmt=/proc/sys/fs/binfmt_misc
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
register_i386_emulator() { # <interpreter>
  [ -e "$binfmt/register" ] || quietly mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ -e "$binfmt/qemu-i386" ]; then
    if grep -qx enabled "$binfmt/qemu-i386" && grep -qx "interpreter $1" "$binfmt/qemu-i386" &&
      grep -q '^flags: .*F' "$binfmt/qemu-i386"; then
      return 0
    fi
    echo -1 >"$binfmt/qemu-i386" # an older entry, or someone else's: replaced by ours
  fi
  echo "deps: registering $1 for i386 programs"
  printf '%s' ":qemu-i386:M::$i386_magic:$i386_mask:$1:F" >"$binfmt/register"
}

# Debian's qemu-i386 shares one GDT between the threads of a guest, so Wine's
# 32-bit threads run on each other's TLS and crash within seconds; the patch
# gives each thread its own, as Linux does. Only the i386 user-mode target is
# built, statically, once per qemu version and patch (a few minutes).
qemu_recipe=1
build_qemu_i386() { # sets qemu_i386, the interpreter to register
  local version patch stamp prefix folder work
  version=$(dpkg-query -W -f='${source:Version}' qemu-user-static)
  patch="$(cd "$(dirname "$0")" && pwd)/patches/qemu-i386-per-thread-tls.patch"
  stamp="recipe $qemu_recipe; qemu $version; $(sha1sum <"$patch" | cut -c1-12)"
  prefix="$cache/qemu-i386/qemu-${version//:/_}"
  qemu_i386=$prefix/qemu-i386
  [ "$(cat "$prefix/.stamp" 2>/dev/null)" != "$stamp" ] || return 0
  echo "deps: building qemu-i386 $version with the per-thread TLS patch"
  ensure_source_lists
  fetch_source qemu "$version" || { tail -n 20 "$log" >&2; exit 1; }
  folder=$(source_folder qemu "$version")
  mkdir -p "$cache/qemu-i386"
  rm -rf "$cache/qemu-i386/.build".*
  work=$(mktemp -d "$cache/qemu-i386/.build.XXXXXX")
  # The patch goes on a copy: the unpacked source stays as Debian delivers it.
  cp -a "$folder" "$work/src"
  quietly patch -d "$work/src" -p1 -i "$patch"
  mkdir "$work/build"
  (cd "$work/build" && quietly ../src/configure --target-list=i386-linux-user --static \
    --disable-system --disable-tools --disable-docs --disable-werror --disable-capstone \
    --disable-slirp --disable-fdt --disable-plugins --disable-install-blobs)
  quietly ninja -C "$work/build" -j 2 qemu-i386
  mkdir -p "$prefix.new"
  cp "$work/build/qemu-i386" "$prefix.new/qemu-i386"
  echo "$stamp" >"$prefix.new/.stamp"
  rm -rf "$prefix" "$work"
  mv "$prefix.new" "$prefix"
  did=1
}

# wine32:i386 needs the i386 architecture in dpkg and its package lists.
install_wine32() {
  if dpkg-query -W -f='${db:Status-Abbrev}' "$wine32_package" 2>/dev/null | grep -q '^ii'; then return 0; fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "deps: adding the i386 architecture"
    dpkg --add-architecture i386
    apt_updated=0
  fi
  echo "deps: installing $wine32_package"
  apt_update_once
  DEBIAN_FRONTEND=noninteractive quietly apt-get install -y -q -o DPkg::Lock::Timeout=300 \
    --no-install-recommends "$wine32_package"
}

# apt-get source needs deb-src entries for the machine's own suites; fails
# when they are there already.
add_deb_src() {
  if grep -rqsE --include='*.list' --include='*.sources' \
    '^[[:space:]]*(Types:.*deb-src|deb-src[[:space:]])' \
    /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 1
  fi
  echo "deps: adding deb-src entries for apt-get source"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -E 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >/etc/apt/sources.list.d/kelvo-deb-src.sources
  else
    grep -hE '^deb[[:space:]]' /etc/apt/sources.list | sed 's/^deb/deb-src/' \
      >/etc/apt/sources.list.d/kelvo-deb-src.list
  fi
  apt_updated=0
}

# apt-cache showsrc knows nothing before an update that saw the deb-src entries.
source_lists_ready=0
ensure_source_lists() {
  [ "$source_lists_ready" -eq 0 ] || return 0
  if add_deb_src || ! apt-cache showsrc tiff 2>/dev/null | grep -c '^Version:' >/dev/null; then
    apt_update_once
  fi
  source_lists_ready=1
}

# Unpacks a source package once, for both targets; fails when apt cannot fetch it.
fetch_source() { # <source package> <version>
  local folder="$cache/src/$1-${2//:/_}"
  [ ! -f "$folder/.unpacked" ] || return 0
  echo "deps: fetching the source of $1 $2"
  rm -rf "$folder" && mkdir -p "$folder"
  if ! (cd "$folder" && apt-get source -q "$1=$2") >"$log" 2>&1; then
    rm -rf "$folder"
    return 1
  fi
  touch "$folder/.unpacked"
}

source_folder() { # <source package> <version>
  local folders=("$cache/src/$1-${2//:/_}"/*/)
  echo "${folders[0]%/}"
}

# The source version built for Windows is the one the host build's -dev
# package came from, so both builds use the same library. The mirror may list
# a version whose files it does not have; then the newest one it delivers is
# used, and that choice is remembered so later runs neither ask nor fetch.
resolve_version() { # <name> <may fetch: 0 or 1>: sets version
  local source=${source_of[$1]} wanted choice v candidates
  wanted=$(dpkg-query -W -f='${source:Version}' "${binary_of[$1]}")
  choice="$cache/src/$source.choice"
  version=$wanted
  if [ -f "$choice" ] && [ "$(cut -d' ' -f1 "$choice")" = "$wanted" ]; then
    version=$(cut -d' ' -f2 "$choice")
    return
  fi
  [ "$2" -eq 1 ] || return 0
  ensure_source_lists
  candidates=$({
    echo "$wanted"
    apt-cache showsrc "$source" | awk '/^Version:/ {print $2}' | sort_versions
  } | awk '!seen[$0]++')
  for v in $candidates; do
    if fetch_source "$source" "$v"; then
      version=$v
      [ "$v" = "$wanted" ] || echo "deps: $source $wanted cannot be fetched; using $v"
      mkdir -p "$cache/src" && echo "$wanted $v" >"$choice"
      return
    fi
  done
  tail -n 20 "$log" >&2
  echo "deps: no version of the source package $source can be fetched" >&2
  exit 1
}

sort_versions() { # newest first, in Debian's order
  local versions=() v i j
  while read -r v; do versions+=("$v"); done
  for ((i = 0; i < ${#versions[@]}; i++)); do
    for ((j = i + 1; j < ${#versions[@]}; j++)); do
      if dpkg --compare-versions "${versions[j]}" gt "${versions[i]}"; then
        v=${versions[i]} versions[i]=${versions[j]} versions[j]=$v
      fi
    done
  done
  [ "${#versions[@]}" -eq 0 ] || printf '%s\n' "${versions[@]}"
}

# Lists the given prefixes for find_package, and pins zlib to the static
# archive of libz-mingw-w64-dev: the Windows platform module prefers the
# import library beside it, which would make every DLL need zlib1.dll.
write_deps_file() { # <file> <target> <prefixes...>
  local file=$1 target=$2
  shift 2
  mkdir -p "$(dirname "$file")"
  # shellcheck disable=SC2016 # CMake's ${}, not the shell's
  {
    echo "# Written by scripts/deps.sh for $target: static libraries only."
    echo "set(KELVO_DEPS_PREFIXES"
    printf '  "%s"\n' "$@"
    echo ")"
    echo 'list(PREPEND CMAKE_FIND_ROOT_PATH ${KELVO_DEPS_PREFIXES})'
    echo 'list(PREPEND CMAKE_PREFIX_PATH ${KELVO_DEPS_PREFIXES})'
    echo 'list(REMOVE_DUPLICATES CMAKE_PREFIX_PATH)'
    echo "set(ZLIB_USE_STATIC_LIBS ON)"
    echo "set(ZLIB_INCLUDE_DIR \"/usr/$target/include\")"
    echo "set(ZLIB_LIBRARY \"/usr/$target/lib/libz.a\")"
    echo "# Shadows an import library cached by an older configure."
    echo "set(ZLIB_LIBRARY_RELEASE \"/usr/$target/lib/libz.a\")"
  } >"$file.new"
  # Rewritten only on a change: CMake reruns configure when it is touched.
  if cmp -s "$file.new" "$file"; then rm -f "$file.new"; else mv "$file.new" "$file"; fi
}

options_for() { # <name>: sets the array options
  case $1 in
    libjpeg-turbo)
      options=(-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF
        -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DWITH_12BIT=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=OFF
        -DCMAKE_ASM_NASM_COMPILER=nasm) ;;
    libpng)
      options=(-DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
        -DPNG_BUILD_ZLIB=OFF -Dld-version-script=OFF) ;;
    tiff)
      options=(-Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF
        -Dtiff-deprecated=OFF -Dcxx=OFF -Dsphinx=OFF -Dtiff-opengl=OFF -Dld-version-script=OFF
        -Dzlib=ON -Dlibdeflate=OFF -Djpeg=ON -Dold-jpeg=OFF -Djpeg12=OFF -Dpixarlog=OFF
        -Djbig=OFF -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF) ;;
    googletest)
      options=(-DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_build_tests=OFF
        -Dgtest_build_samples=OFF -Dgmock_build_tests=OFF) ;;
    benchmark)
      # Debian's sources do not ask git for the version; 0.0.0 means the project's own.
      options=(-DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF
        -DBENCHMARK_ENABLE_WERROR=OFF -DBENCHMARK_ENABLE_LTO=OFF -DBENCHMARK_ENABLE_INSTALL=ON
        -DBENCHMARK_INSTALL_DOCS=OFF -DGIT_VERSION=0.0.0) ;;
  esac
}

toolchains="$(cd "$(dirname "$0")/../cmake" && pwd)"

# Builds one package for one target in a temporary folder under the cache and
# moves the installed result into place with its stamp, so an interrupted
# build leaves no stamped prefix behind and is redone on the next run.
build_package() { # <name> <source folder> <target> <prefix> <stamp text> <earlier prefixes...>
  local name=$1 source=$2 target=$3 prefix=$4 stamp=$5
  shift 5
  local options
  options_for "$name"
  # The DLL links these in, and a 32-bit caller aligns the stack to 4 bytes
  # only: functions that need 16 realign their own frame.
  if [ "$target" = i686-w64-mingw32 ]; then
    options+=(-DCMAKE_C_FLAGS=-mincoming-stack-boundary=2 -DCMAKE_CXX_FLAGS=-mincoming-stack-boundary=2)
  fi
  mkdir -p "$cache/$target"
  rm -rf "$cache/$target/.build-$name".*
  local work
  work=$(mktemp -d "$cache/$target/.build-$name.XXXXXX")
  # The libraries built so far are all that this one may find.
  write_deps_file "$work/cache/$target/deps.cmake" "$target" "$@"
  KELVO_DEPS_CACHE="$work/cache" quietly cmake -S "$source" -B "$work/build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchains/toolchain-$target.cmake" \
    -DKELVO_DEPS_CACHE="$work/cache" -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_TESTING=OFF "${options[@]}"
  quietly cmake --build "$work/build" -j 2
  DESTDIR="$work/stage" quietly cmake --install "$work/build"
  local staged="$work/stage$prefix"
  # Tools, manuals and docs are of no use to the SDK's builds.
  rm -rf "${staged:?}/bin" "${staged:?}/share"
  echo "$stamp" >"$staged/.stamp"
  rm -rf "$prefix"
  mv "$staged" "$prefix"
  rm -rf "$work"
}

# libjpeg-turbo drops its SIMD code when nasm fails for the target; say which.
simd_note() { # <target> <prefix>
  if "$1-nm" -g --defined-only "$2/lib/libjpeg.a" | grep -c 'jsimd_.*_sse2' >/dev/null; then
    echo "SIMD on"
  else
    echo "SIMD off: nasm could not build it for $1"
  fi
}

started=$SECONDS
did=0
apt_install --no-install-recommends "${build_packages[@]}"
apt_install "" "${wine_packages[@]}"
apt_install --no-install-recommends "${emulator_packages[@]}"
install_wine32
build_qemu_i386
register_i386_emulator "$qemu_i386"
apt_install --no-install-recommends "${japanese_packages[@]}"
if [ -z "$(locale -a 2>/dev/null | grep -i '^ja_JP\.utf-\?8$')" ]; then
  echo "deps: generating the ja_JP.UTF-8 locale"
  quietly localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

# Each library, the Debian source package it is built from, and the host -dev
# package whose version it follows.
names=(libjpeg-turbo libpng tiff googletest benchmark)
declare -A source_of=([libjpeg-turbo]=libjpeg-turbo [libpng]=libpng1.6 [tiff]=tiff [googletest]=googletest
  [benchmark]=benchmark)
declare -A binary_of=([libjpeg-turbo]=libjpeg62-turbo-dev [libpng]=libpng-dev [tiff]=libtiff-dev [googletest]=googletest
  [benchmark]=libbenchmark-dev)

stamped() { # <name> <version> <target>
  [ "$(cat "$cache/$3/$1-${2//:/_}/.stamp" 2>/dev/null)" = "recipe ${recipe[$3]}; $1 $2 for $3" ]
}

declare -A version_of
for name in "${names[@]}"; do
  resolve_version "$name" 0
  for target in "${targets[@]}"; do
    stamped "$name" "$version" "$target" || { resolve_version "$name" 1; break; }
  done
  version_of[$name]=$version
done

for target in "${targets[@]}"; do
  prefixes=()
  for name in "${names[@]}"; do
    version=${version_of[$name]}
    prefix="$cache/$target/$name-${version//:/_}"
    if ! stamped "$name" "$version" "$target"; then
      echo "deps: building $name $version for $target"
      fetch_source "${source_of[$name]}" "$version" || { tail -n 20 "$log" >&2; exit 1; }
      build_package "$name" "$(source_folder "${source_of[$name]}" "$version")" "$target" "$prefix" \
        "recipe ${recipe[$target]}; $name $version for $target" "${prefixes[@]}"
      [ "$name" != libjpeg-turbo ] || echo "deps: libjpeg-turbo for $target: $(simd_note "$target" "$prefix")"
      did=1
    fi
    prefixes+=("$prefix")
  done
  write_deps_file "$cache/$target/deps.cmake" "$target" "${prefixes[@]}"
done

rm -f "$log"
if [ "$did" -eq 1 ]; then
  echo "deps: done in $((SECONDS - started)) s; toolchains read $cache/<target>/deps.cmake"
else
  echo "deps: up to date ($cache)"
fi
