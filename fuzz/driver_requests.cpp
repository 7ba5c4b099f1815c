// The emulator's side of the driver port: opens, closes and requests with any
// code, pipe, lengths and packet bytes, as a broken or hostile driver client
// would send them. The emulator must refuse what it does not know and never
// write past the output length it was given.
#include <memory>
#include <string>
#include <vector>

#include "emulator/camera_emulator.h"
#include "fuzz_entries.h"
#include "fuzz_input.h"
#include "platform/driver_protocol_numbers.h"

namespace kelvo::fuzz {

namespace {

constexpr int kMostSteps = 64;
// Frames of the full sensor at 16 bits fit; larger lengths are cut to this.
constexpr std::uint32_t kLargestOutput = 4u << 20;

std::uint32_t RequestCode(FuzzInput& in) {
  switch (in.Byte() % 4) {
    case 0:
      return kRequestSend;
    case 1:
      return kRequestReceive;
    case 2:
      return kRequestTimeLimit;
    default:
      return in.U32();
  }
}

}  // namespace

int FuzzDriverRequests(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  emulator::EmulatorOptions options = emulator::EmulatorOptions::Still();
  options.cameras = 2;
  options.paced = false;
  emulator::CameraEmulator port(options);
  std::vector<platform::DeviceHandle> handles;
  for (int step = 0; step < kMostSteps && !in.Empty(); ++step) {
    std::uint8_t action = in.Byte() % 8;
    if (action == 0) {
      std::string path = "\\\\.\\ZentQ12-" + std::to_string(static_cast<int>(in.Byte()) - 2);
      platform::DeviceHandle handle = port.Open(path.c_str());
      if (handle != platform::kNoDevice) handles.push_back(handle);
      continue;
    }
    if (action == 1) {
      if (!handles.empty()) {
        std::size_t which = in.Byte() % handles.size();
        port.Close(handles[which]);
        handles.erase(handles.begin() + static_cast<std::ptrdiff_t>(which));
      }
      continue;
    }
    // An open handle, or now and then one the emulator never gave out.
    std::uint8_t pick = in.Byte();
    platform::DeviceHandle handle = handles.empty() || pick == 255
                                        ? static_cast<platform::DeviceHandle>(in.U16())
                                        : handles[pick % handles.size()];
    std::uint32_t code = RequestCode(in);
    std::vector<std::uint8_t> input = in.Bytes(in.Byte() % 64);
    if (input.size() >= 4 && in.Byte() % 2 == 0) {  // mostly a real pipe number
      input.resize(4);
      input[0] = in.Byte() % 4;
      input[1] = input[2] = input[3] = 0;
    }
    std::uint32_t outputBytes;
    switch (in.Byte() % 4) {
      case 0:
        outputBytes = kPacketBytes;
        break;
      case 1:
        outputBytes = in.U16();
        break;
      default:
        outputBytes = in.U32() % (kLargestOutput + 1);
        break;
    }
    // Guard bytes after the output catch writes past its length.
    constexpr std::size_t kGuard = 16;
    std::vector<std::uint8_t> output = in.Bytes(std::min<std::size_t>(outputBytes, 64));
    output.resize(outputBytes + kGuard, 0xA5);
    bool nullInput = in.Byte() % 16 == 0, nullOutput = in.Byte() % 16 == 0;
    std::uint32_t returned = 0xFFFFFFFF;
    bool accepted = port.Request(handle, code, nullInput ? nullptr : input.data(),
                                 static_cast<std::uint32_t>(input.size()),
                                 nullOutput ? nullptr : output.data(), outputBytes, &returned);
    for (std::size_t i = outputBytes; i < output.size(); ++i)
      if (output[i] != 0xA5) __builtin_trap();
    if (returned > outputBytes) __builtin_trap();
    (void)accepted;
  }
  for (platform::DeviceHandle handle : handles) port.Close(handle);
  return 0;
}

}  // namespace kelvo::fuzz
