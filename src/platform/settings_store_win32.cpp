#include "platform/settings_store.h"
#include "platform/win32.h"

namespace kelvo::platform {
namespace {

HKEY AsKey(SettingsKey key) { return reinterpret_cast<HKEY>(key); }

class RegistryStore final : public SettingsStore {
 public:
  SettingsKey CurrentUser() override { return reinterpret_cast<SettingsKey>(HKEY_CURRENT_USER); }

  SettingsKey Open(SettingsKey parent, const char* path) override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(AsKey(parent), path, 0, KEY_READ, &key) != ERROR_SUCCESS) return kNoKey;
    return reinterpret_cast<SettingsKey>(key);
  }

  SettingsKey Create(SettingsKey parent, const char* path) override {
    HKEY key = nullptr;
    char noClass[] = "";
    if (RegCreateKeyExA(AsKey(parent), path, 0, noClass, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      return kNoKey;
    }
    return reinterpret_cast<SettingsKey>(key);
  }

  bool Read(SettingsKey key, const char* name, std::int32_t* value) override {
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(AsKey(key), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data),
                         &size) != ERROR_SUCCESS) {
      return false;
    }
    *value = static_cast<std::int32_t>(data);
    return true;
  }

  bool Write(SettingsKey key, const char* name, std::int32_t value) override {
    auto data = static_cast<DWORD>(value);
    return RegSetValueExA(AsKey(key), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
  }

  void Close(SettingsKey key) override { RegCloseKey(AsKey(key)); }
};

}  // namespace

SettingsStore& UserSettingsStore() {
  static RegistryStore store;
  return store;
}

}  // namespace kelvo::platform
