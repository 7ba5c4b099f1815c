#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <thread>
#include <vector>

#include "emulator/camera_emulator.h"

namespace kelvo::emulator {
namespace {

constexpr std::uint32_t kSend = 0x222051;
constexpr std::uint32_t kReceive = 0x22204E;

// Speaks the driver protocol by hand, independent of the device link.
class Wire {
 public:
  explicit Wire(CameraEmulator& emulator, int device = 0) : emulator_(emulator) {
    std::string path = "\\\\.\\ZentQ12-" + std::to_string(device);
    handle_ = emulator_.Open(path.c_str());
  }
  ~Wire() {
    if (handle_ != platform::kNoDevice) emulator_.Close(handle_);
  }
  bool Open() const { return handle_ != platform::kNoDevice; }

  bool Request(std::uint32_t code, std::uint32_t pipe, void* data, std::uint32_t bytes,
               std::uint32_t* moved = nullptr) {
    std::uint32_t returned = 0;
    bool ok = emulator_.Request(handle_, code, &pipe, 4, data, bytes, &returned);
    if (moved != nullptr) *moved = returned;
    return ok;
  }
  bool Command(std::vector<std::uint8_t> fields) {
    fields.resize(64, 0);
    return Request(kSend, 0, fields.data(), 64);
  }
  bool SetTransfer(std::uint32_t samples, bool sixteenBit) {
    return Command({0x09, static_cast<std::uint8_t>(samples),
                    static_cast<std::uint8_t>(samples >> 8),
                    static_cast<std::uint8_t>(samples >> 16),
                    static_cast<std::uint8_t>(samples >> 24)}) &&
           Command({0x0A, sixteenBit});
  }
  bool WriteRegister(std::uint16_t address, std::uint32_t value) {
    return Command({0x04, 0x30, 0xFE, static_cast<std::uint8_t>(address),
                    static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(value),
                    static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16)});
  }
  bool TimeLimit(std::uint32_t milliseconds) {
    std::uint8_t input[44] = {1};
    std::memcpy(input + 4, &milliseconds, 4);
    std::uint32_t returned = 0;
    return emulator_.Request(handle_, 0x2220A0, input, 44, nullptr, 0, &returned);
  }
  // A full 16-bit frame as 10-bit values.
  std::vector<std::uint16_t> Frame16(std::uint32_t samples = 1538048) {
    std::vector<std::uint16_t> frame(samples);
    std::uint32_t moved = 0;
    EXPECT_TRUE(Request(kSend, 2, frame.data(), samples * 2, &moved));
    EXPECT_EQ(moved, samples * 2);
    return frame;
  }

 private:
  CameraEmulator& emulator_;
  platform::DeviceHandle handle_;
};

EmulatorOptions Unpaced(EmulatorOptions options) {
  options.paced = false;
  return options;
}

// The value of active pixel (row, column) of a full 16-bit frame.
std::uint16_t Pixel(const std::vector<std::uint16_t>& frame, int row, int column) {
  return frame[static_cast<std::size_t>(row + 1) * 1600 + 221 + column];
}

double SiteMean(const std::vector<std::uint16_t>& frame, int top, int left, int size, int rowParity,
                int columnParity) {
  double sum = 0;
  int n = 0;
  for (int y = top; y < top + size; ++y) {
    for (int x = left; x < left + size; ++x) {
      if ((y & 1) == rowParity && (x & 1) == columnParity) {
        sum += Pixel(frame, y, x);
        ++n;
      }
    }
  }
  return sum / n;
}

struct RefusalCase {
  const char* name;
  bool (*act)(Wire&);
};

const RefusalCase kRefusals[] = {
    {"unknown_request_code",
     [](Wire& w) {
       std::uint8_t p[64] = {0x06};
       return w.Request(0x222000, 0, p, 64);
     }},
    {"command_on_reply_pipe",
     [](Wire& w) {
       std::uint8_t p[64] = {0x06};
       return w.Request(kSend, 1, p, 64);
     }},
    {"reply_from_frame_pipe",
     [](Wire& w) {
       std::uint8_t p[64] = {};
       return w.Request(kReceive, 2, p, 64);
     }},
    {"short_packet",
     [](Wire& w) {
       std::uint8_t p[64] = {0x06};
       return w.Request(kSend, 0, p, 63);
     }},
    {"unknown_command", [](Wire& w) { return w.Command({0x7F}); }},
    {"register_write_without_marker",
     [](Wire& w) {
       return w.Command({0x04, 0x31, 0xFE, 4, 0, 1, 0, 0});
     }},
    {"reply_with_nothing_asked",
     [](Wire& w) {
       std::uint8_t p[64] = {};
       return w.Request(kReceive, 1, p, 64);
     }},
    {"frame_of_wrong_length",
     [](Wire& w) {
       std::vector<std::uint8_t> frame(1538048 * 2);
       return w.SetTransfer(1538048, false) && w.Request(kSend, 2, frame.data(), 1538048 * 2);
     }},
    {"frame_request_not_0x02",
     [](Wire& w) {
       std::uint8_t p[64] = {0x03};
       return w.Request(kReceive, 0, p, 64);
     }},
    {"zero_transfer_size",
     [](Wire& w) {
       return w.Command({0x09, 0, 0, 0, 0});
     }},
    // The flag bytes are 0 or 1; the driver refuses anything else.
    {"sample_width_flag_2",
     [](Wire& w) {
       return w.Command({0x0A, 2});
     }},
    {"clock_flag_2",
     [](Wire& w) {
       return w.Command({0x23, 2});
     }},
    {"trigger_flag_0xFF",
     [](Wire& w) {
       return w.Command({0x28, 0xFF});
     }},
    // A limit of no time, or a negative one, is no limit the driver can keep.
    {"time_limit_0", [](Wire& w) { return w.TimeLimit(0); }},
    {"time_limit_negative", [](Wire& w) { return w.TimeLimit(0xFFFFFFFF); }},
};

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, FailLikeTheDriverAndChangeNothing) {
  CameraEmulator emulator(Unpaced(EmulatorOptions::Still()));
  Wire wire(emulator);
  ASSERT_TRUE(wire.Open());
  EXPECT_FALSE(GetParam().act(wire));
  VirtualCamera& camera = emulator.Camera(0);
  EXPECT_FALSE(camera.SixteenBit());
  EXPECT_EQ(camera.ClockMode(), 0);
  EXPECT_FALSE(camera.TriggerMode());
  EXPECT_EQ(camera.TimeLimit(), 3000u);
}

INSTANTIATE_TEST_SUITE_P(Requests, Refusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Emulator, RequestsOnAClosedOrUnknownHandleFail) {
  CameraEmulator emulator(EmulatorOptions::Still());
  std::uint32_t pipe = 0;
  std::uint8_t packet[64] = {0x06};
  std::uint32_t moved = 0;
  EXPECT_FALSE(emulator.Request(12345, kSend, &pipe, 4, packet, 64, &moved));
  auto handle = emulator.Open("\\\\.\\ZentQ12-0");
  ASSERT_NE(handle, platform::kNoDevice);
  EXPECT_TRUE(emulator.Request(handle, kSend, &pipe, 4, packet, 64, &moved));
  emulator.Close(handle);
  EXPECT_FALSE(emulator.Request(handle, kSend, &pipe, 4, packet, 64, &moved));
  for (const char* path :
       {"\\\\.\\ZentQ12-1", "\\\\.\\ZentQ12-", "\\\\.\\ZentQ12-0x", "ZentQ12-0"}) {
    EXPECT_EQ(emulator.Open(path), platform::kNoDevice) << path;
  }
}

TEST(Emulator, RepliesCarryClockAndSromBytes) {
  CameraEmulator emulator(EmulatorOptions::Still());
  Wire wire(emulator);
  std::uint8_t reply[64] = {};
  ASSERT_TRUE(wire.Command({0x23, 1}));
  ASSERT_TRUE(wire.Command({0x24}));
  ASSERT_TRUE(wire.Request(kReceive, 1, reply, 64));
  ASSERT_TRUE(wire.Request(kReceive, 1, reply, 64));
  EXPECT_EQ(reply[0], 1);
  ASSERT_TRUE(wire.Command({0x20, 12, 0xC3}));
  ASSERT_TRUE(wire.Command({0x21, 12}));
  ASSERT_TRUE(wire.Request(kReceive, 1, reply, 64));
  ASSERT_TRUE(wire.Request(kReceive, 1, reply, 64));
  EXPECT_EQ(reply[0], 0xC3);
  EXPECT_FALSE(wire.Request(kReceive, 1, reply, 64));  // only two replies per question
}

TEST(Emulator, FrameTimeFollowsTheClock) {
  CameraEmulator emulator(EmulatorOptions::Still());
  Wire wire(emulator);
  ASSERT_TRUE(wire.SetTransfer(1538048, true));
  auto normal = std::chrono::duration<double, std::milli>(emulator.Camera(0).FrameTime()).count();
  EXPECT_NEAR(normal, 32.0, 1.0);  // about 31 frames per second
  ASSERT_TRUE(wire.Command({0x23, 1}));
  auto half = std::chrono::duration<double, std::milli>(emulator.Camera(0).FrameTime()).count();
  EXPECT_NEAR(half, 2 * normal, 0.1);
}

TEST(Emulator, ShortFaultReturnsHalfTheBytes) {
  EmulatorOptions options = Unpaced(EmulatorOptions::Still());
  options.faults = {{FaultKind::kShort, 2, 0}};
  CameraEmulator emulator(options);
  Wire wire(emulator);
  ASSERT_TRUE(wire.SetTransfer(7168, false));
  std::vector<std::uint8_t> frame(7168);
  std::uint32_t moved = 0;
  EXPECT_TRUE(wire.Request(kSend, 2, frame.data(), 7168, &moved));
  EXPECT_EQ(moved, 7168u);
  EXPECT_TRUE(wire.Request(kSend, 2, frame.data(), 7168, &moved));
  EXPECT_EQ(moved, 3584u);
}

TEST(Emulator, UnpluggedHandleStaysDeadAfterTheCameraReturns) {
  EmulatorOptions options = Unpaced(EmulatorOptions::Still());
  options.faults = {{FaultKind::kUnplug, 1, 100}};
  CameraEmulator emulator(options);
  Wire before(emulator);
  ASSERT_TRUE(before.SetTransfer(7168, false));
  std::vector<std::uint8_t> frame(7168);
  EXPECT_FALSE(before.Request(kSend, 2, frame.data(), 7168));
  EXPECT_FALSE(Wire(emulator).Open());
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  Wire after(emulator);
  EXPECT_TRUE(after.Open());
  EXPECT_FALSE(before.Command({0x06}));
  EXPECT_TRUE(after.Command({0x06}));
}

TEST(Emulator, PeriodicTriggerCompletesTriggeredTransfers) {
  EmulatorOptions options = EmulatorOptions::Still();
  options.triggerPeriodMs = 30;
  CameraEmulator emulator(options);
  Wire wire(emulator);
  ASSERT_TRUE(wire.SetTransfer(7168, false));
  ASSERT_TRUE(wire.Command({0x28, 1}));
  std::vector<std::uint8_t> frame(7168);
  EXPECT_TRUE(wire.Request(kSend, 2, frame.data(), 7168));
  EXPECT_TRUE(wire.Request(kSend, 2, frame.data(), 7168));
}

// Trigger mode with a short time limit, so that a transfer no trigger
// completes fails soon.
class TriggeredTransfers : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(wire.SetTransfer(7168, false));
    ASSERT_TRUE(wire.TimeLimit(60));
  }
  bool Transfer() { return wire.Request(kSend, 2, frame.data(), 7168); }

  CameraEmulator emulator{EmulatorOptions::Still()};
  Wire wire{emulator};
  std::vector<std::uint8_t> frame = std::vector<std::uint8_t>(7168);
};

TEST_F(TriggeredTransfers, TriggerFromFreeRunIsNotKept) {
  emulator.Trigger(0);  // free running: the edge means nothing
  ASSERT_TRUE(wire.Command({0x28, 1}));
  EXPECT_FALSE(Transfer());
  emulator.Trigger(0);  // in trigger mode the edge is latched for the next transfer
  EXPECT_TRUE(Transfer());
}

TEST_F(TriggeredTransfers, AnEdgeLatchedBeforeFreeRunningDoesNotCompleteTheNextTriggeredTransfer) {
  ASSERT_TRUE(wire.Command({0x28, 1}));
  emulator.Trigger(0);  // latched, no transfer takes it
  ASSERT_TRUE(wire.Command({0x28, 0}));
  ASSERT_TRUE(wire.Command({0x28, 1}));
  EXPECT_FALSE(Transfer());  // the time limit ends it: no edge came in this mode
  emulator.Trigger(0);
  EXPECT_TRUE(Transfer());
}

TEST_F(TriggeredTransfers, RefusedTimeLimitKeepsTheLastOneSoTheWaitEnds) {
  ASSERT_TRUE(wire.Command({0x28, 1}));
  EXPECT_FALSE(wire.TimeLimit(0));
  ASSERT_EQ(emulator.Camera(0).TimeLimit(), 60u);
  EXPECT_FALSE(Transfer());
}

TEST_F(TriggeredTransfers, CameraUnpluggedWhileATransferWaitsFailsIt) {
  ASSERT_TRUE(wire.TimeLimit(60000));
  ASSERT_TRUE(wire.Command({0x28, 1}));
  bool delivered = true;
  std::thread transfer([&] { delivered = Transfer(); });
  for (int i = 0; i < 5000 && emulator.Camera(0).FramesAsked() == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  emulator.SetPresent(0, false);
  emulator.Trigger(0);
  transfer.join();
  EXPECT_FALSE(delivered);
  EXPECT_EQ(emulator.Camera(0).FramesDelivered(), 0u);
}

// ---- the picture

class SensorPicture : public ::testing::Test {
 protected:
  std::vector<std::uint16_t> Frame(int exposure, int gain) {
    Wire wire(emulator);
    EXPECT_TRUE(wire.SetTransfer(1538048, true));
    EXPECT_TRUE(wire.WriteRegister(0x9A, 0x802000 | exposure));
    EXPECT_TRUE(wire.WriteRegister(4, 0x8000 | gain));
    return wire.Frame16();
  }
  CameraEmulator emulator{Unpaced(EmulatorOptions::Still())};
};

TEST_F(SensorPicture, BrightnessRisesWithExposureAndGainAndClips) {
  auto mean = [](const std::vector<std::uint16_t>& f) {
    double sum = 0;
    for (int y = 0; y < 960; ++y) {
      for (int x = 0; x < 1280; ++x) sum += Pixel(f, y, x);
    }
    return sum / (1280.0 * 960.0);
  };
  double last = -1;
  for (int exposure : {3, 50, 200, 800, 2079}) {
    double m = mean(Frame(exposure, 150));
    EXPECT_GT(m, last) << exposure;
    last = m;
  }
  last = -1;
  for (int gain : {0, 100, 400, 1023}) {
    double m = mean(Frame(300, gain));
    EXPECT_GT(m, last) << gain;
    last = m;
  }
  auto dark = Frame(3, 150);
  auto bright = Frame(2079, 150);
  std::uint16_t darkest = 1023, brightest = 0;
  for (int y = 0; y < 960; ++y) {
    for (int x = 0; x < 1280; ++x) {
      brightest = std::max(brightest, Pixel(dark, y, x));
      darkest = std::min(darkest, Pixel(bright, y, x));
    }
  }
  EXPECT_LE(brightest, 16 + 12);  // black level and a white patch barely above it
  // The mid-grey patch (number 21) is clipped at the sample maximum.
  EXPECT_EQ(Pixel(bright, 24 + 3 * 104 + 40, 40 + 3 * 200 + 90), 1023);
  EXPECT_GE(darkest, 16);
}

TEST_F(SensorPicture, BayerModeZeroColoursAreWhereTheDemosaicLooksForThem) {
  auto frame = Frame(300, 150);
  // Third row of the chart: patch 12 is blue, 13 green, 14 red.
  auto sites = [&](int patch, int rowParity, int columnParity) {
    int left = 40 + (patch % 6) * 200 + 40, top = 24 + (patch / 6) * 104 + 20;
    return SiteMean(frame, top, left, 40, rowParity, columnParity);
  };
  // Mode 0: even rows G B G B, odd rows R G R G.
  const int red[2] = {1, 0}, blue[2] = {0, 1}, green[2] = {0, 0};
  EXPECT_GT(sites(14, red[0], red[1]), 2 * sites(14, blue[0], blue[1]));
  EXPECT_GT(sites(12, blue[0], blue[1]), 2 * sites(12, red[0], red[1]));
  EXPECT_GT(sites(13, green[0], green[1]), 1.5 * sites(13, red[0], red[1]));
}

TEST(SensorFrames, StillFramesAreIdenticalAndChartFramesMoveAndReproduce) {
  CameraEmulator still(Unpaced(EmulatorOptions::Still()));
  Wire s(still);
  ASSERT_TRUE(s.SetTransfer(1538048, true));
  EXPECT_EQ(s.Frame16(), s.Frame16());

  CameraEmulator first(Unpaced(EmulatorOptions::Chart()));
  CameraEmulator second(Unpaced(EmulatorOptions::Chart()));
  Wire a(first), b(second);
  ASSERT_TRUE(a.SetTransfer(1538048, true));
  ASSERT_TRUE(b.SetTransfer(1538048, true));
  auto a1 = a.Frame16(), a2 = a.Frame16();
  auto b1 = b.Frame16();
  EXPECT_EQ(a1, b1) << "the same seed gives the same noisy frame";
  EXPECT_NE(a1, a2);
  // The element has moved by its step between frames 1 and 2.
  int y = kElementTop + kElementSize / 2;
  int left1 = ElementLeft(1, 1280), left2 = ElementLeft(2, 1280);
  EXPECT_EQ(left2 - left1, kElementStep);
  EXPECT_GT(Pixel(a2, y, left2 + kElementSize - 2), Pixel(a1, y, left2 + kElementSize - 2) + 100);

  EmulatorOptions reseeded = Unpaced(EmulatorOptions::Chart());
  reseeded.synthesis.seed = 99;
  CameraEmulator other(reseeded);
  Wire c(other);
  ASSERT_TRUE(c.SetTransfer(1538048, true));
  EXPECT_NE(c.Frame16(), a1);
}

TEST(SensorFrames, EightBitSamplesAreTheTopBitsOfTheTenBitOnes) {
  CameraEmulator emulator(Unpaced(EmulatorOptions::Still()));
  Wire wire(emulator);
  ASSERT_TRUE(wire.SetTransfer(7168, true));
  std::vector<std::uint16_t> wide(7168);
  ASSERT_TRUE(wire.Request(kSend, 2, wide.data(), 7168 * 2));
  ASSERT_TRUE(wire.Command({0x0A, 0}));
  std::vector<std::uint8_t> narrow(7168);
  std::uint32_t moved = 0;
  ASSERT_TRUE(wire.Request(kSend, 2, narrow.data(), 7168, &moved));
  EXPECT_EQ(moved, 7168u);
  for (int i = 0; i < 7168; ++i) ASSERT_EQ(narrow[i], wide[i] >> 2) << i;
  // Blanking and the leading line carry no picture.
  EXPECT_EQ(narrow[0], 0);
  EXPECT_EQ(narrow[1600 + 220], 0);
  EXPECT_NE(narrow[1600 + 221 + 100], 0);
}

}  // namespace
}  // namespace kelvo::emulator
