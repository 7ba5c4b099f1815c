#include <new>

#include "device/device_link.h"
#include "device/driver_protocol.h"

namespace kelvo {
namespace {

std::int32_t Wrapped(std::int32_t index, std::int32_t count) {
  if (index < 0) return count - 1;
  if (index >= count) return index - count;
  return index;
}

void RunSingleFrame(platform::DriverPort& port, SingleFrameBlock& block) {
  {
    DriverSession session(port, block.path.c_str());
    if (!session.IsOpen()) {
      block.status.store(kLinkNoDevice);
    } else {
      bool received = session.ReceiveFrame(block.buffer, block.length);
      block.status.store(received ? kLinkOk : kLinkFrameFailed);
    }
  }
  // Done comes last: a caller that sees it may take the block (and the event) back.
  block.event->Set();
  if (block.endingForTesting) block.endingForTesting();
  block.done.store(1);
}

// One device handle for the stream's whole life; a stop takes effect once the
// transfer in flight has returned.
void RunStream(platform::DriverPort& port, StreamBlock& block) {
  DriverSession session(port, block.path.c_str());
  if (!session.IsOpen()) {
    block.status.store(kLinkNoDevice);
  } else {
    block.status.store(kLinkOk);
    while (block.stopped.load() == 0) {
      session.RequestFrame();
      std::int32_t write = block.writeIndex.load();
      if (!session.ReceiveFrame(block.ring[static_cast<std::size_t>(write)], block.length)) {
        // Failed before anything else, and the write index stays on the broken
        // entry, so no poll can ever take it for a new frame.
        block.status.store(kLinkFrameFailed);
        block.failed.store(1);
        break;
      }
      block.writeIndex.store(NextWriteIndex(write, block.readIndex.load(), block.count));
    }
    session.Close();
  }
  block.stopped.store(1);
  block.event->Set();
  block.running.store(0);
}

}  // namespace

PollDecision DecidePoll(std::int32_t writeIndex, std::int32_t readIndex, std::int32_t count) {
  std::int32_t write = writeIndex;
  if (write < readIndex) write += count;
  if (write - readIndex < 1) return {kStreamNoFrame, readIndex};
  return {kStreamFrameReady, Wrapped(write - 1, count)};
}

std::int32_t NextWriteIndex(std::int32_t writeIndex, std::int32_t readIndex, std::int32_t count) {
  std::int32_t next = writeIndex + 1 == count ? 0 : writeIndex + 1;
  if (next == readIndex) next = next + 1 == count ? 0 : next + 1;
  return next;
}

std::uint32_t DeviceLink::FrameBytes() const {
  auto samples = static_cast<std::uint32_t>(layout_.transferSize);
  return sampleWidth_ != 0 ? samples * 2 : samples;
}

bool DeviceLink::SetTriggerMode(int on) {
  {
    DriverSession session(*port_, DevicePath());
    if (!session.SendCommand(CommandPacket(kCommandTriggerMode, {static_cast<std::uint8_t>(on)}))) {
      return false;
    }
  }
  std::int32_t control = 0;
  std::int32_t mode = 0;
  ReadRegister(32, &control);
  ReadRegister(33, &mode);
  if (on == 1) {
    control &= ~0x10;
    mode = (mode & ~0xF) | 0xE;
    WriteRegister(1, 4);
    WriteRegister(0x81, 0x0D);
  } else {
    control |= 0x10;
    mode = (mode & ~0xF) | 0x1;
    WriteRegister(1, 6);
    WriteRegister(0x81, 0);
  }
  WriteRegister(32, static_cast<std::uint32_t>(control));
  WriteRegister(33, static_cast<std::uint32_t>(mode));
  return true;
}

void DeviceLink::SetTimeLimit(int milliseconds) {
  timeLimit_ = milliseconds;
  DriverSession session(*port_, DevicePath());
  session.SendTimeLimit(static_cast<std::uint32_t>(milliseconds));
}

int DeviceLink::SnapFrame() {
  std::int32_t idle = 1;
  if (!singleFrame_.done.compare_exchange_strong(idle, 0)) return kLinkBusy;
  if (!rawFrame_) return EndSnapEarly(kLinkNoDestination);
  std::unique_ptr<platform::Thread> thread;
  try {
    singleFrame_.buffer = reinterpret_cast<unsigned char*>(rawFrame_.get());
    singleFrame_.length = FrameBytes();
    singleFrame_.path = DevicePath();
    singleFrame_.event = platform::ManualResetEvent::Create();
    if (singleFrame_.event) {
      thread = platform::Thread::StartHighestPriority(
          [port = port_.get(), block = &singleFrame_] { RunSingleFrame(*port, *block); });
    }
  } catch (const std::bad_alloc&) {
    // Nothing runs yet; a link left claimed here would be busy for good.
    return EndSnapEarly(kLinkOutOfMemory);
  }
  // Without a thread nobody would ever set the event: report it instead of waiting.
  if (!thread) return EndSnapEarly(kLinkOutOfMemory);
  singleFrame_.event->Wait();
  thread.reset();
  singleFrame_.event.reset();
  return singleFrame_.status.load();
}

// The failure becomes the block's status, so that a CollectFrame that follows
// reports it rather than the frame before.
int DeviceLink::EndSnapEarly(int result) {
  singleFrame_.event.reset();
  singleFrame_.status.store(result);
  singleFrame_.done.store(1);
  return result;
}

// The event belongs to the SnapFrame that made it, which closes it after
// the thread has gone; a collect from another thread must never free it.
int DeviceLink::CollectFrame() {
  if (singleFrame_.done.load() == 0) return kLinkBusy;
  return singleFrame_.status.load();
}

int DeviceLink::StartStream() {
  if (stream_.stopped.load() == 0 || stream_.running.load() == 1) return kLinkBusy;
  if (ring_.empty()) return kLinkNoDestination;
  // A stream that ended by itself has left its thread and event behind.
  stream_.thread.reset();
  try {
    stream_.event = platform::ManualResetEvent::Create();
    if (!stream_.event) return kLinkOutOfMemory;
    stream_.length = FrameBytes();
    stream_.path = DevicePath();
    stream_.count = static_cast<std::int32_t>(ring_.size());
    stream_.ring.clear();
    for (const auto& block : ring_) stream_.ring.push_back(block->Data());
    stream_.writeIndex.store(0);
    stream_.readIndex.store(0);
    stream_.status.store(kLinkOk);
    stream_.failed.store(0);
    stream_.stopped.store(0);
    stream_.running.store(1);
    stream_.thread = platform::Thread::StartHighestPriority(
        [port = port_.get(), block = &stream_] { RunStream(*port, *block); });
  } catch (const std::bad_alloc&) {
    // As when no thread starts: a stream left claimed would refuse every start.
  }
  if (!stream_.thread) {
    stream_.running.store(0);
    stream_.stopped.store(1);
    stream_.event.reset();
    return kLinkOutOfMemory;
  }
  return kLinkOk;
}

int DeviceLink::PollStream() {
  if (stream_.failed.load() == 1) return kStreamFailed;
  if (stream_.stopped.load() == 1)
    return stream_.failed.load() == 1 ? kStreamFailed : kStreamStopped;
  PollDecision decision =
      DecidePoll(stream_.writeIndex.load(), stream_.readIndex.load(), stream_.count);
  stream_.readIndex.store(decision.readIndex);
  return decision.result;
}

int DeviceLink::StopStream() {
  if (stream_.stopped.load() == 1 && stream_.failed.load() == 0) {
    // A stream whose device never opened ended by itself: its handles go too.
    stream_.thread.reset();
    stream_.event.reset();
    return kLinkOk;
  }
  if (stream_.stopped.load() == 0) {
    stream_.stopped.store(1);
    stream_.event->Wait();
  }
  stream_.thread.reset();
  stream_.event.reset();
  stream_.stopped.store(1);
  stream_.failed.store(0);
  return stream_.status.load();
}

}  // namespace kelvo
