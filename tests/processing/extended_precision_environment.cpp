// Every processing test starts with the x87 unit at extended precision, as a
// MinGW or Linux program leaves it, so that a build doing doubles on the x87
// unit shows any result that depends on it.
#include <gtest/gtest.h>

#include "x87_control.h"

namespace {

class ExtendedPrecision : public ::testing::Environment {
 public:
  void SetUp() override {
    kelvo::testing_support::SetX87ControlWord(kelvo::testing_support::kX87Extended);
  }
};

[[maybe_unused]] ::testing::Environment* const kExtendedPrecision =
    ::testing::AddGlobalTestEnvironment(new ExtendedPrecision);

}  // namespace
