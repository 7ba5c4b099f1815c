#include "emulator/fault_script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "emulator/driver_port_selection.h"

namespace kelvo::emulator {
namespace {

TEST(FaultScript, ReadsEveryKindOfLine) {
  std::string error;
  auto faults = ParseFaultScript(
      "# a camera having a bad day\n"
      "frame 120 drop\n"
      "frame 300 stall 2000   # a long one\n"
      "\n"
      "frame 500 unplug 3000\r\n"
      "frame 7 short\n"
      "open fail 2\n"
      "srom fail\n"
      "srom fail 3",
      &error);
  ASSERT_TRUE(faults) << error;
  EXPECT_EQ(*faults, (std::vector<Fault>{{FaultKind::kDrop, 120, 0},
                                         {FaultKind::kStall, 300, 2000},
                                         {FaultKind::kUnplug, 500, 3000},
                                         {FaultKind::kShort, 7, 0},
                                         {FaultKind::kOpenFail, 0, 2},
                                         {FaultKind::kSromFail, 0, 1},
                                         {FaultKind::kSromFail, 0, 3}}));
}

TEST(FaultScript, RejectsMalformedLinesNamingTheLine) {
  struct Case {
    const char* script;
    const char* message;
  };
  for (Case c :
       {Case{"frame 0 drop", "line 1: frame number"},
        Case{"frame 10 stall", "line 1: expected one number after \"stall\""},
        Case{"\nframe 10 drop now", "line 2: unexpected words after \"drop\""},
        Case{"frame x drop", "line 1: frame number"},
        Case{"open fail -2", "line 1: not a whole number from 1: \"-2\""},
        Case{"frame 5 explode", "line 1: unknown fault"}, Case{"unplug 5", "line 1: unknown fault"},
        Case{"frame 99999999999 drop", "line 1: frame number"}}) {
    std::string error;
    EXPECT_FALSE(ParseFaultScript(c.script, &error)) << c.script;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.script << " -> " << error;
  }
}

TEST(EmulatorEnvironment, ChoosesTheEmulatorOnlyWhenAskedForOneToEight) {
  std::string complaints;
  EXPECT_EQ(EmulatorOptionsFrom({}, &complaints), nullptr);
  EXPECT_EQ(complaints, "");
  for (const char* bad : {"0", "9", "two", "-1"}) {
    complaints.clear();
    EXPECT_EQ(EmulatorOptionsFrom({bad}, &complaints), nullptr) << bad;
    EXPECT_NE(complaints.find("KELVO_Q12_EMULATOR must be 1 to 8"), std::string::npos);
  }
  auto options = EmulatorOptionsFrom({"3"}, &complaints);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->cameras, 3);
  EXPECT_TRUE(options->synthesis.noise);
  EXPECT_TRUE(options->synthesis.movingElement);
}

TEST(EmulatorEnvironment, SceneTriggerAndFaultsFallBackWithAComplaint) {
  std::string complaints;
  auto still = EmulatorOptionsFrom({"1", "still", "40"}, &complaints);
  ASSERT_NE(still, nullptr);
  EXPECT_FALSE(still->synthesis.noise);
  EXPECT_FALSE(still->synthesis.movingElement);
  EXPECT_EQ(still->triggerPeriodMs, 40u);
  EXPECT_EQ(complaints, "");

  std::string script = ::testing::TempDir() + "kelvo_faults.txt";
  std::ofstream(script) << "frame 3 drop\nframe 4 boom\n";
  auto fallback =
      EmulatorOptionsFrom({"2", "/no/such/picture.png", "0", script.c_str()}, &complaints);
  ASSERT_NE(fallback, nullptr);
  EXPECT_TRUE(fallback->synthesis.movingElement);  // the chart
  EXPECT_EQ(fallback->triggerPeriodMs, 0u);
  EXPECT_TRUE(fallback->faults.empty());
  EXPECT_NE(complaints.find("KELVO_Q12_EMULATOR_SCENE"), std::string::npos);
  EXPECT_NE(complaints.find("KELVO_Q12_EMULATOR_TRIGGER_MS"), std::string::npos);
  EXPECT_NE(complaints.find("line 2: unknown fault"), std::string::npos);

  std::ofstream(script) << "frame 3 drop\n";
  complaints.clear();
  auto faulty = EmulatorOptionsFrom({"1", nullptr, nullptr, script.c_str()}, &complaints);
  ASSERT_NE(faulty, nullptr);
  EXPECT_EQ(faulty->faults, (std::vector<Fault>{{FaultKind::kDrop, 3, 0}}));
  std::remove(script.c_str());
}

}  // namespace
}  // namespace kelvo::emulator
