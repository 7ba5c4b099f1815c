# The shipped 32-bit DLL. No test runs here: Wine is 64-bit only on this machine.
set(KELVO_MINGW_TARGET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
