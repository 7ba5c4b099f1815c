#include <cctype>
#include <cstring>

#include "link_fixture.h"
#include "unreachable_device.h"

namespace kelvo {
namespace {

TEST(DeviceLinkWithoutCamera, ConstructsAndEveryRequestFailsCleanly) {
  auto emulator = MakeEmulator();
  emulator->SetPresent(0, false);
  DeviceLink link(emulator);
  EXPECT_TRUE(link.SetSampleWidth(1));  // stored even though nothing opened
  EXPECT_EQ(link.SampleWidth(), 1);
  ExpectEveryRequestFails(link);
  EXPECT_EQ(emulator->OpenHandles(), 0);
}

TEST(DeviceLinkEnumeration, FindsThePresentCamerasAndClosesEveryHandle) {
  EmulatorOptions options = EmulatorOptions::Still();
  options.cameras = 3;
  auto emulator = MakeEmulator(options);
  emulator->SetPresent(1, false);
  DeviceLink link(emulator);
  std::vector<int> present;
  for (int n = 0; n <= 8; ++n) present.push_back(link.IsPresent(n));
  EXPECT_EQ(present, (std::vector<int>{1, 0, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(link.IsPresent(-1), 0);
  EXPECT_EQ(link.DeviceCount(), 8);
  EXPECT_EQ(link.SelectedDevice(), 0);
  EXPECT_STREQ(link.DevicePath(), "\\\\.\\ZentQ12-0");
  EXPECT_EQ(emulator->OpenHandles(), 0);
}

struct PacketCase {
  const char* name;
  void (*act)(DeviceLink&);
  std::vector<std::uint8_t> firstPacket;  // leading bytes; the rest of the 64 must be zero
};

const PacketCase kPacketCases[] = {
    {"register write",
     [](DeviceLink& l) { l.WriteRegister(0x1234, 0xABCDEF); },
     {0x04, 0x30, 0xFE, 0x34, 0x12, 0xEF, 0xCD, 0xAB}},
    {"register value keeps 24 bits",
     [](DeviceLink& l) { l.WriteRegister(0x80, 0xFF7A889); },
     {0x04, 0x30, 0xFE, 0x80, 0x00, 0x89, 0xA8, 0xF7}},
    {"16-bit samples", [](DeviceLink& l) { l.SetSampleWidth(5); }, {0x0A, 0x01}},
    {"8-bit samples", [](DeviceLink& l) { l.SetSampleWidth(0); }, {0x0A, 0x00}},
    {"clock mode", [](DeviceLink& l) { l.SetClockMode(7); }, {0x23, 0x01}},
    {"clock query",
     [](DeviceLink& l) {
       int m;
       l.GetClockMode(&m);
     },
     {0x24}},
    {"trigger on", [](DeviceLink& l) { l.SetTriggerMode(1); }, {0x28, 0x01}},
    {"free run", [](DeviceLink& l) { l.SetTriggerMode(0); }, {0x28, 0x00}},
    {"SROM write", [](DeviceLink& l) { l.WriteSromId(3, 0x5A); }, {0x20, 0x0B, 0x5A}},
    {"SROM read",
     [](DeviceLink& l) {
       std::uint8_t v;
       l.ReadSromId(2, &v);
     },
     {0x21, 0x0A}},
    // 481 lines of 1600 samples, rounded up to 770048 = 0x0BC000.
    {"transfer size",
     [](DeviceLink& l) { l.SetCaptureWindow(0, 0, 640, 480, 0); },
     {0x09, 0x00, 0xC0, 0x0B, 0x00}},
    {"device selection", [](DeviceLink& l) { l.SelectDevice(0); }, {0x0A, 0x00}},
    {"sensor start-up", [](DeviceLink& l) { l.InitializeSensor(); }, {0x06}},
};

class PacketBytes : public LinkTest, public ::testing::WithParamInterface<PacketCase> {};

TEST_P(PacketBytes, FirstPacketIsLaidOutByteForByteOnPipeZero) {
  emulator->TakeTrace();
  GetParam().act(*link);
  auto trace = emulator->TakeTrace();
  auto packets = CommandPackets(trace);
  ASSERT_FALSE(packets.empty());
  std::vector<std::uint8_t> expected = GetParam().firstPacket;
  expected.resize(64, 0);
  EXPECT_EQ(packets.front(), expected);
  for (const TraceEntry& entry : trace) {
    if (entry.kind == TraceEntry::Kind::kRequest) {
      EXPECT_TRUE(entry.accepted);
    }
  }
  EXPECT_EQ(emulator->OpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(Commands, PacketBytes, ::testing::ValuesIn(kPacketCases),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST_F(LinkTest, DeviceSelectionSendsWidthResetAndTransferSizeInThatOrder) {
  link->SelectDevice(0);
  auto packets = CommandPackets(emulator->TakeTrace());
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(packets[0][0], 0x0A);
  EXPECT_EQ(packets[1][0], 0x06);
  EXPECT_EQ(packets[2][0], 0x09);
  EXPECT_EQ(emulator->Camera(0).TransferSize(), 1538048u);
}

TEST_F(LinkTest, TimeLimitRequestCarriesOneAndTheMilliseconds) {
  link->SetTimeLimit(1234);
  auto trace = emulator->TakeTrace();
  std::vector<std::uint8_t> expected(44, 0);
  expected[0] = 1;
  expected[4] = 0xD2;
  expected[5] = 0x04;
  bool found = false;
  for (const TraceEntry& entry : trace) {
    if (entry.kind == TraceEntry::Kind::kRequest && entry.code == 0x2220A0) {
      EXPECT_EQ(entry.bytes, expected);
      EXPECT_EQ(entry.length, 0u);
      found = true;
    }
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(link->TimeLimit(), 1234);
  EXPECT_EQ(emulator->Camera(0).TimeLimit(), 1234u);
}

TEST_F(LinkTest, StartupSequenceWritesTheTableInOrder) {
  link->SetSampleWidth(1);
  emulator->TakeTrace();
  EXPECT_EQ(link->InitializeSensor(), 1);
  auto trace = emulator->TakeTrace();
  auto writes = RegisterWrites(trace);
  ASSERT_EQ(writes.size(), 178u);
  EXPECT_EQ(writes.front(), (RegisterWrite{0x80, 0x7A809}));
  EXPECT_EQ(writes[36], (RegisterWrite{0x80, 0x7A809}));
  EXPECT_EQ(writes[65], (RegisterWrite{0xA5, 0}));
  EXPECT_EQ(writes[95], (RegisterWrite{0xC3, 0}));
  EXPECT_EQ(writes[96], (RegisterWrite{0x8000, 0x980001}));
  EXPECT_EQ(writes.back(), (RegisterWrite{0x80, 0x7A889}));
  EXPECT_EQ(emulator->Camera(0).Register(4), 0x102A8u);
  EXPECT_EQ(emulator->Camera(0).Register(0x9A), 0x80214Du);
  auto packets = CommandPackets(trace);
  EXPECT_EQ(packets.front()[0], 0x06);
  EXPECT_EQ(packets.back()[0], 0x0A);
  EXPECT_EQ(packets.back()[1], 0x00);
  EXPECT_EQ(link->SampleWidth(), 1);  // the sensor goes to 8 bits, the link's field stays
  // 180 separate open/close cycles: one per packet.
  int opens = 0;
  for (const TraceEntry& entry : trace) opens += entry.kind == TraceEntry::Kind::kOpen;
  EXPECT_EQ(opens, 180);
}

TEST_F(LinkTest, ClockChangeReselectsWithoutTouchingSensorRegisters) {
  link->InitializeSensor();
  EXPECT_TRUE(link->SetClockMode(1));
  EXPECT_EQ(emulator->Camera(0).ClockMode(), 1);
  EXPECT_EQ(emulator->Camera(0).Register(4), 0x102A8u);
  int mode = -1;
  EXPECT_TRUE(link->GetClockMode(&mode));
  EXPECT_EQ(mode, 1);
}

struct LimitCase {
  bool gain;
  int asked;
  std::uint16_t address;
  std::uint32_t written;
  int stored;
};

class GainAndExposureLimits : public LinkTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(GainAndExposureLimits, WriteTheRegisterAndKeepTheValue) {
  const LimitCase& c = GetParam();
  EXPECT_TRUE(c.gain ? link->SetGain(c.asked) : link->SetExposure(c.asked));
  EXPECT_EQ(emulator->Camera(0).Register(c.address), c.written);
  EXPECT_EQ(c.gain ? link->GetGain() : link->GetExposure(), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Values, GainAndExposureLimits,
                         ::testing::Values(LimitCase{false, 0, 0x9A, 0x802003, 3},
                                           LimitCase{false, 5000, 0x9A, 0x80281F, 2079},
                                           LimitCase{false, 700, 0x9A, 0x8022BC, 700},
                                           LimitCase{false, 65536 + 100, 0x9A, 0x802064, 100},
                                           LimitCase{true, 1023, 4, 0x83FF, 1023},
                                           LimitCase{true, 0x1400, 4, 0x9400, 0},
                                           LimitCase{true, 150, 4, 0x8096, 150}));

TEST_F(LinkTest, LimitsAreThePublishedOnes) {
  EXPECT_EQ(DeviceLink::GainMin(), 0);
  EXPECT_EQ(DeviceLink::GainMax(), 1023);
  EXPECT_EQ(DeviceLink::ExposureMin(), 2);
  EXPECT_EQ(DeviceLink::ExposureMax(), 2079);
}

TEST_F(LinkTest, FailedWriteKeepsGainExposureAndShadow) {
  ASSERT_TRUE(link->SetGain(200));
  ASSERT_TRUE(link->SetExposure(400));
  emulator->SetPresent(0, false);
  EXPECT_FALSE(link->SetGain(300));
  EXPECT_FALSE(link->SetExposure(500));
  EXPECT_EQ(link->GetGain(), 200);
  EXPECT_EQ(link->GetExposure(), 400);
  std::int32_t value = 0;
  ASSERT_TRUE(link->ReadRegister(4, &value));
  EXPECT_EQ(value, 0x80C8);
}

TEST_F(LinkTest, RegisterShadowAnswersOnlyTheReadableRange) {
  for (int address : {191, 256, 1023}) ASSERT_TRUE(link->WriteRegister(address, address * 3));
  struct Case {
    int address;
    bool readable;
  };
  for (Case c : {Case{191, true}, Case{256, true}, Case{1023, true}, Case{192, false},
                 Case{200, false}, Case{255, false}, Case{1024, false}, Case{-1, false}}) {
    std::int32_t value = -7;
    EXPECT_EQ(link->ReadRegister(c.address, &value), c.readable) << c.address;
    EXPECT_EQ(value, c.readable ? c.address * 3 : -7) << c.address;
  }
}

TEST_F(LinkTest, SelectDeviceAcceptsEightAndRefusesNine) {
  link->SetTimeLimit(50);
  EXPECT_EQ(link->SelectDevice(8), kLinkOk);
  EXPECT_EQ(link->SelectedDevice(), 8);
  EXPECT_STREQ(link->DevicePath(), "\\\\.\\ZentQ12-8");
  EXPECT_EQ(link->TimeLimit(), 3000);
  EXPECT_EQ(link->SelectDevice(9), kLinkBadDeviceNumber);
  EXPECT_EQ(link->SelectDevice(-1), kLinkBadDeviceNumber);
  EXPECT_EQ(link->SelectedDevice(), 8);
  EXPECT_STREQ(link->DevicePath(), "\\\\.\\ZentQ12-8");
  EXPECT_EQ(link->IsPresent(8), 0);
}

TEST_F(LinkTest, TriggerSwitchWritesModeRegistersBeforeTheShadowedOnes) {
  ASSERT_TRUE(link->WriteRegister(32, 0x5F));
  ASSERT_TRUE(link->WriteRegister(33, 0x123));
  emulator->TakeTrace();
  ASSERT_TRUE(link->SetTriggerMode(1));
  EXPECT_EQ(RegisterWrites(emulator->TakeTrace()),
            (std::vector<RegisterWrite>{{1, 4}, {0x81, 0x0D}, {32, 0x4F}, {33, 0x12E}}));
  ASSERT_TRUE(link->SetTriggerMode(0));
  EXPECT_EQ(RegisterWrites(emulator->TakeTrace()),
            (std::vector<RegisterWrite>{{1, 6}, {0x81, 0}, {32, 0x5F}, {33, 0x121}}));
  EXPECT_FALSE(emulator->Camera(0).TriggerMode());
}

TEST_F(LinkTest, SromIndexMapsToAddressesEightToFifteen) {
  emulator->Camera(0).SetSrom(8, 0x11);
  emulator->Camera(0).SetSrom(15, 0x77);
  std::uint8_t value = 0;
  EXPECT_TRUE(link->ReadSromId(256, &value));  // only the low 8 bits count
  EXPECT_EQ(value, 0x11);
  EXPECT_TRUE(link->ReadSromId(7, &value));
  EXPECT_EQ(value, 0x77);
  EXPECT_TRUE(link->WriteSromId(7 + 512, 0x42));
  EXPECT_EQ(emulator->Camera(0).Srom(15), 0x42);

  emulator->TakeTrace();
  value = 0x99;
  EXPECT_FALSE(link->ReadSromId(8, &value));
  EXPECT_FALSE(link->WriteSromId(8, 1));
  EXPECT_TRUE(emulator->TakeTrace().empty());  // refused without touching the device
  EXPECT_EQ(value, 0x99);
}

TEST_F(LinkTest, SromReadFailsWhenTheSecondReplyFails) {
  emulator->SetFaults(0, {{emulator::FaultKind::kSromFail, 0, 1}});
  std::uint8_t value = 0x99;
  EXPECT_FALSE(link->ReadSromId(0, &value));
  EXPECT_EQ(value, 0x99);
  auto trace = emulator->TakeTrace();
  int replies = 0, acceptedReplies = 0;
  for (const TraceEntry& entry : trace) {
    if (entry.code == 0x22204E && entry.pipe == 1) {
      ++replies;
      acceptedReplies += entry.accepted;
    }
  }
  EXPECT_EQ(replies, 2);
  EXPECT_EQ(acceptedReplies, 1);
  EXPECT_TRUE(link->ReadSromId(0, &value));  // the fault was for one read
}

}  // namespace
}  // namespace kelvo
