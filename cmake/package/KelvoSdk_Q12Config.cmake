# find_package(KelvoSdk_Q12) for the unpacked SDK: the imported target
# KelvoSdk::KelvoSdk_Q12 with the header, the DLL and the import library that
# suits the compiler (lib/KelvoSdk_Q12.lib for MSVC and clang-cl,
# lib/libKelvoSdk_Q12.dll.a for MinGW).
get_filename_component(_kelvo_root "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET KelvoSdk::KelvoSdk_Q12)
  if(MSVC)
    set(_kelvo_implib "${_kelvo_root}/lib/KelvoSdk_Q12.lib")
  else()
    set(_kelvo_implib "${_kelvo_root}/lib/libKelvoSdk_Q12.dll.a")
  endif()
  add_library(KelvoSdk::KelvoSdk_Q12 SHARED IMPORTED)
  set_target_properties(KelvoSdk::KelvoSdk_Q12 PROPERTIES
    IMPORTED_LOCATION "${_kelvo_root}/bin/KelvoSdk_Q12.dll"
    IMPORTED_IMPLIB "${_kelvo_implib}"
    INTERFACE_INCLUDE_DIRECTORIES "${_kelvo_root}/include")
  unset(_kelvo_implib)
endif()
unset(_kelvo_root)
