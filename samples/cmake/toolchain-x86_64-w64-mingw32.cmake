# Cross-building the samples with MinGW-w64 from Linux:
#   cmake -S samples -B build --toolchain samples/cmake/toolchain-x86_64-w64-mingw32.cmake
#         -DCMAKE_PREFIX_PATH=<the unpacked SDK>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# The SDK is found through CMAKE_PREFIX_PATH, outside the MinGW root.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
