#include "device/driver_protocol.h"

namespace kelvo {
namespace {

void PutLittleEndian(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

Packet CommandPacket(Command command, std::initializer_list<std::uint8_t> fields) {
  Packet packet{};
  packet[0] = command;
  std::size_t at = 1;
  for (std::uint8_t field : fields) {
    if (at == packet.size()) break;
    packet[at++] = field;
  }
  return packet;
}

Packet RegisterWritePacket(std::uint16_t address, std::uint32_t value) {
  Packet packet =
      CommandPacket(kCommandWriteRegister, {kRegisterWriteTag[0], kRegisterWriteTag[1]});
  PutLittleEndian(&packet[3], address, 2);
  PutLittleEndian(&packet[5], value, 3);
  return packet;
}

Packet TransferSizePacket(std::uint32_t samples) {
  Packet packet = CommandPacket(kCommandTransferSize);
  PutLittleEndian(&packet[1], samples, 4);
  return packet;
}

std::array<std::uint8_t, kTimeLimitInputBytes> TimeLimitInput(std::uint32_t milliseconds) {
  std::array<std::uint8_t, kTimeLimitInputBytes> input{};
  PutLittleEndian(&input[0], 1, 4);
  PutLittleEndian(&input[4], milliseconds, 4);
  return input;
}

DriverSession::DriverSession(platform::DriverPort& port, const char* path)
    : port_(port), handle_(port.Open(path)) {}

void DriverSession::Close() {
  if (!IsOpen()) return;
  port_.Close(handle_);
  handle_ = platform::kNoDevice;
}

bool DriverSession::Transfer(std::uint32_t code, Pipe pipe, void* data, std::uint32_t bytes) {
  if (!IsOpen()) return false;
  std::uint8_t pipeWord[4];
  PutLittleEndian(pipeWord, pipe, 4);
  std::uint32_t moved = 0;
  bool accepted = port_.Request(handle_, code, pipeWord, sizeof pipeWord, data, bytes, &moved);
  return accepted && moved == bytes;
}

bool DriverSession::SendCommand(const Packet& packet) {
  Packet copy = packet;  // the driver takes the packet through its output buffer
  return Transfer(kRequestSend, kCommandPipe, copy.data(), kPacketBytes);
}

bool DriverSession::ReadReply(Packet& reply) {
  return Transfer(kRequestReceive, kReplyPipe, reply.data(), kPacketBytes);
}

bool DriverSession::RequestFrame() {
  Packet packet = CommandPacket(kCommandFrameRequest);
  return Transfer(kRequestReceive, kCommandPipe, packet.data(), kPacketBytes);
}

bool DriverSession::ReceiveFrame(void* buffer, std::uint32_t bytes) {
  return Transfer(kRequestSend, kFramePipe, buffer, bytes);
}

void DriverSession::SendTimeLimit(std::uint32_t milliseconds) {
  if (!IsOpen()) return;
  auto input = TimeLimitInput(milliseconds);
  std::uint32_t moved = 0;
  port_.Request(handle_, kRequestTimeLimit, input.data(), kTimeLimitInputBytes, nullptr, 0, &moved);
}

}  // namespace kelvo
