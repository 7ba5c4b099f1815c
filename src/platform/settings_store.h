// Keys and 32-bit values kept for the current user: the Windows registry under
// HKEY_CURRENT_USER, or an in-memory store where there is no registry (Linux),
// which tests preload and inspect through the same interface.
#pragma once

#include <cstdint>

namespace kelvo::platform {

// An open key (an HKEY on Windows); kNoKey when nothing opened.
using SettingsKey = std::intptr_t;
inline constexpr SettingsKey kNoKey = 0;

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The current user's root key; never closed.
  virtual SettingsKey CurrentUser() = 0;
  // Opens an existing key for reading; kNoKey when it does not exist.
  virtual SettingsKey Open(SettingsKey parent, const char* path) = 0;
  // Opens a key for every access, creating it (and the keys above it) when missing.
  virtual SettingsKey Create(SettingsKey parent, const char* path) = 0;
  // Reads a 4-byte value; false, with value untouched, when there is none.
  virtual bool Read(SettingsKey key, const char* name, std::int32_t* value) = 0;
  // Writes a 32-bit (REG_DWORD) value.
  virtual bool Write(SettingsKey key, const char* name, std::int32_t value) = 0;
  virtual void Close(SettingsKey key) = 0;
};

// The process's store of the current user's settings.
SettingsStore& UserSettingsStore();

// Tests: removes the key at path below the current user's root, with everything in it.
void DeleteUserSettingsForTesting(const char* path);

}  // namespace kelvo::platform
