// The SDK's exports over emulated cameras and a clean settings store: each
// test starts as on a machine where the SDK never ran.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KelvoSdk_Q12.h"
#include "api/handle_ring.h"
#include "camera/camera.h"
#include "camera/object_allocation.h"
#include "emulator/camera_emulator.h"
#include "emulator/driver_port_selection.h"
#include "platform/settings_store.h"
#include "settings/registry_settings.h"

namespace kelvo::testing {

using emulator::CameraEmulator;
using emulator::EmulatorOptions;

// The stored settings as a test reads and writes them: a subkey below the
// SDK's key ("" for the key itself) and a value name.
class StoredSettings {
 public:
  static void Erase() { platform::DeleteUserSettingsForTesting(settings::kSettingsKeyPath); }

  static std::optional<std::int32_t> Read(const std::string& subkey, const char* name) {
    platform::SettingsStore& store = platform::UserSettingsStore();
    platform::SettingsKey key = store.Open(store.CurrentUser(), Path(subkey).c_str());
    if (key == platform::kNoKey) return std::nullopt;
    std::int32_t value = 0;
    bool found = store.Read(key, name, &value);
    store.Close(key);
    return found ? std::optional<std::int32_t>(value) : std::nullopt;
  }

  static bool Exists(const std::string& subkey) {
    platform::SettingsStore& store = platform::UserSettingsStore();
    platform::SettingsKey key = store.Open(store.CurrentUser(), Path(subkey).c_str());
    if (key == platform::kNoKey) return false;
    store.Close(key);
    return true;
  }

  static void Write(const std::string& subkey, const char* name, std::int32_t value) {
    platform::SettingsStore& store = platform::UserSettingsStore();
    platform::SettingsKey key = store.Create(store.CurrentUser(), Path(subkey).c_str());
    ASSERT_NE(key, platform::kNoKey);
    EXPECT_TRUE(store.Write(key, name, value));
    store.Close(key);
  }

 private:
  static std::string Path(const std::string& subkey) {
    std::string path = settings::kSettingsKeyPath;
    return subkey.empty() ? path : path + "\\" + subkey;
  }
};

// A window handle that is stored and posted to, never drawn into.
inline KelvoWindow SomeWindow() { return reinterpret_cast<KelvoWindow>(std::uintptr_t{0x5150}); }

class EmulatedSdkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StoredSettings::Erase();
    UseEmulator(2);
  }
  void TearDown() override {
    for (KelvoHandle handle : handles_) Kelvo_Release(handle);
    FailCameraAllocationForTesting(-1);
    emulator::UseDriverPortForTesting(nullptr);
    StoredSettings::Erase();
  }

  // Device links made from now on see `cameras` emulated cameras, triggered
  // every triggerPeriodMs in trigger mode (0: only when a test triggers).
  void UseEmulator(int cameras, std::uint32_t triggerPeriodMs = 0) {
    EmulatorOptions options = EmulatorOptions::Still();
    options.cameras = cameras;
    options.triggerPeriodMs = triggerPeriodMs;
    emulator = std::make_shared<CameraEmulator>(options);
    emulator::UseDriverPortForTesting(emulator);
  }

  KelvoHandle Open(KelvoWindow appWindow = nullptr) {
    KelvoHandle handle = Kelvo_Initialize(appWindow);
    handles_.push_back(handle);
    return handle;
  }
  void Release(KelvoHandle handle) {
    EXPECT_EQ(Kelvo_Release(handle), 1);
    std::erase(handles_, handle);
  }
  // A handle the test has released itself.
  void Forget(KelvoHandle handle) { std::erase(handles_, handle); }
  static std::shared_ptr<Camera> CameraOf(KelvoHandle handle) {
    return TheHandleRing().Find(handle);
  }
  static std::vector<int> Errors(KelvoHandle handle) {
    std::vector<int> codes;
    for (int code; (code = Kelvo_GetLastError(handle)) != 0;) codes.push_back(code);
    return codes;
  }

  std::shared_ptr<CameraEmulator> emulator;

 private:
  std::vector<KelvoHandle> handles_;
};

}  // namespace kelvo::testing
