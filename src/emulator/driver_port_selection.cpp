#include "emulator/driver_port_selection.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

namespace kelvo::emulator {
namespace {

bool WholeNumber(const char* text, long low, long high, long* value) {
  if (text == nullptr || *text == '\0') return false;
  const char* end = text + std::strlen(text);
  long parsed = 0;
  auto [stop, failure] = std::from_chars(text, end, parsed);
  if (failure != std::errc() || stop != end || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

void Complain(std::string* complaints, const std::string& message) {
  if (complaints != nullptr) *complaints += "KelvoSdk_Q12: " + message + "\n";
}

}  // namespace

EmulatorEnvironment EmulatorEnvironment::FromProcess() {
  return {std::getenv("KELVO_Q12_EMULATOR"), std::getenv("KELVO_Q12_EMULATOR_SCENE"),
          std::getenv("KELVO_Q12_EMULATOR_TRIGGER_MS"), std::getenv("KELVO_Q12_EMULATOR_FAULTS")};
}

std::unique_ptr<EmulatorOptions> EmulatorOptionsFrom(const EmulatorEnvironment& environment,
                                                     std::string* complaints) {
  if (environment.cameras == nullptr || *environment.cameras == '\0') return nullptr;
  long cameras = 0;
  if (!WholeNumber(environment.cameras, 1, kMostCameras, &cameras)) {
    Complain(complaints, std::string("KELVO_Q12_EMULATOR must be 1 to 8, not \"") +
                             environment.cameras + "\"; using the camera driver");
    return nullptr;
  }

  auto options = std::make_unique<EmulatorOptions>(EmulatorOptions::Chart());
  std::string scene = environment.scene != nullptr ? environment.scene : "";
  if (scene == "still") {
    *options = EmulatorOptions::Still();
  } else if (!scene.empty() && scene != "chart") {
    std::string why;
    if (auto picture = PictureScene::Load(scene, &why)) {
      *options = EmulatorOptions::Still();
      options->scene = SceneMosaic::From(*picture);
    } else {
      Complain(complaints, "KELVO_Q12_EMULATOR_SCENE: " + why + "; showing the chart");
    }
  }
  options->cameras = static_cast<int>(cameras);

  long period = 0;
  if (environment.triggerMs != nullptr && *environment.triggerMs != '\0') {
    if (WholeNumber(environment.triggerMs, 1, 3'600'000, &period)) {
      options->triggerPeriodMs = static_cast<std::uint32_t>(period);
    } else {
      Complain(complaints,
               std::string("KELVO_Q12_EMULATOR_TRIGGER_MS must be 1 to 3600000, not \"") +
                   environment.triggerMs + "\"; no periodic trigger");
    }
  }

  if (environment.faults != nullptr && *environment.faults != '\0') {
    std::ifstream file(environment.faults, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::string why = "cannot read the file";
    auto faults = file ? ParseFaultScript(text.str(), &why) : std::nullopt;
    if (faults) {
      options->faults = std::move(*faults);
    } else {
      Complain(complaints, std::string("KELVO_Q12_EMULATOR_FAULTS ") + environment.faults + ": " +
                               why + "; running without faults");
    }
  }
  return options;
}

namespace {

std::mutex testPortLock;
std::shared_ptr<platform::DriverPort>& TestPort() {
  static std::shared_ptr<platform::DriverPort> port;
  return port;
}

}  // namespace

void UseDriverPortForTesting(std::shared_ptr<platform::DriverPort> port) {
  std::lock_guard<std::mutex> hold(testPortLock);
  TestPort() = std::move(port);
}

std::shared_ptr<platform::DriverPort> ProcessDriverPort() {
  {
    std::lock_guard<std::mutex> hold(testPortLock);
    if (TestPort()) return TestPort();
  }
  static const std::shared_ptr<platform::DriverPort> port = [] {
    std::string complaints;
    auto options = EmulatorOptionsFrom(EmulatorEnvironment::FromProcess(), &complaints);
    if (!complaints.empty()) std::fputs(complaints.c_str(), stderr);
    if (options)
      return std::shared_ptr<platform::DriverPort>(std::make_shared<CameraEmulator>(*options));
    return platform::KernelDriverPort();
  }();
  return port;
}

}  // namespace kelvo::emulator
