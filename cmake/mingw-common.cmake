# Shared part of the MinGW-w64 cross toolchains (posix thread model).
# toolchain-<target>.cmake sets KELVO_MINGW_TARGET and CMAKE_SYSTEM_PROCESSOR
# and then includes this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KELVO_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVO_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${KELVO_MINGW_TARGET}-windres)

# Where scripts/deps.sh keeps the static libjpeg, libpng, libtiff and
# GoogleTest it built for this target.
if(NOT KELVO_DEPS_CACHE)
  if(DEFINED ENV{KELVO_DEPS_CACHE} AND NOT "$ENV{KELVO_DEPS_CACHE}" STREQUAL "")
    set(KELVO_DEPS_CACHE "$ENV{KELVO_DEPS_CACHE}")
  else()
    set(KELVO_DEPS_CACHE /var/cache/kelvo-q12-deps)
  endif()
endif()
set(KELVO_DEPS_CACHE "${KELVO_DEPS_CACHE}" CACHE PATH "Static dependencies built by scripts/deps.sh")
# try_compile projects read this file too and must see the same cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KELVO_DEPS_CACHE)
list(REMOVE_DUPLICATES CMAKE_TRY_COMPILE_PLATFORM_VARIABLES)

set(CMAKE_FIND_ROOT_PATH /usr/${KELVO_MINGW_TARGET})
# Puts the dependency prefixes in front and pins zlib to its static archive.
include("${KELVO_DEPS_CACHE}/${KELVO_MINGW_TARGET}/deps.cmake" OPTIONAL)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The shipped DLL and the test programs need no MinGW runtime DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
