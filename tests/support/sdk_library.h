// Loads the built SDK the way a customer's program does at run time:
// LoadLibrary/GetProcAddress on Windows, dlopen/dlsym elsewhere.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace kelvo::testing {

class SdkLibrary {
 public:
  explicit SdkLibrary(const char* path) {
#ifdef _WIN32
    module_ = LoadLibraryA(path);
#else
    module_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
  }
  ~SdkLibrary() {
#ifdef _WIN32
    if (module_ != nullptr) FreeLibrary(module_);
#else
    if (module_ != nullptr) dlclose(module_);
#endif
  }
  SdkLibrary(const SdkLibrary&) = delete;
  SdkLibrary& operator=(const SdkLibrary&) = delete;

  bool loaded() const { return module_ != nullptr; }

  template <typename Function>
  Function* Get(const std::string& name) const {
#ifdef _WIN32
    return reinterpret_cast<Function*>(
        reinterpret_cast<void*>(GetProcAddress(module_, name.c_str())));
#else
    return reinterpret_cast<Function*>(dlsym(module_, name.c_str()));
#endif
  }

 private:
#ifdef _WIN32
  HMODULE module_ = nullptr;
#else
  void* module_ = nullptr;
#endif
};

}  // namespace kelvo::testing
