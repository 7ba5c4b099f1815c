// One settings dialog of each kind in the process: while camera A's dialog is
// open, camera B's of the same kind, asked for from another thread, is
// refused with Err 4 and touches nothing; A's dialog still answers its
// buttons and ends.
#include <gtest/gtest.h>

#include "support/emulated_sdk.h"
#include "support/test_window.h"
#include "wine/dialog_driver.h"

namespace kelvo::testing {
namespace {

using DialogExport = int(KELVO_CALL*)(KelvoHandle, KelvoWindow);

struct KindCase {
  const char* name;
  DialogExport open;
};

class OneDialogPerKindTest : public EmulatedSdkTest {
 protected:
  TestWindow owner;
};

TEST_F(OneDialogPerKindTest, ASecondDialogOfAnOpenKindIsRefusedAndTheFirstStillEnds) {
  const KindCase kinds[] = {
      {"Kelvo_SetCameraDlg", Kelvo_SetCameraDlg},
      {"Kelvo_SetImageDlg", Kelvo_SetImageDlg},
      {"Kelvo_SetAnalogDlg", Kelvo_SetAnalogDlg},
  };
  KelvoHandle a = Open();
  KelvoHandle b = Open();
  for (const KindCase& kind : kinds) {
    SCOPED_TRACE(kind.name);
    ASSERT_EQ(Kelvo_SetFilterValue(b, KELVO_FILTER_BRIGHTNESS, 20), 1);
    ASSERT_EQ(Kelvo_SetGlobalGain(b, 700), 1);
    Errors(b);
    int refused = -1;
    EXPECT_EQ(DriveDialog([&] { return kind.open(a, owner.get()); },
                          [&](HWND dialog) {
                            refused = kind.open(b, nullptr);
                            // Default, where the dialog has one, must reach A alone.
                            if (Item(dialog, 3) != nullptr) Click(dialog, 3);
                            Click(dialog, IDOK);
                            EXPECT_TRUE(Eventually([&] { return !IsWindow(dialog); }));
                          }),
              1);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(Errors(b), std::vector<int>{KELVO_ERR_WINDOW});
    EXPECT_EQ(Kelvo_GetFilterValue(b, KELVO_FILTER_BRIGHTNESS, nullptr), 20);
    EXPECT_EQ(Kelvo_GetGlobalGain(b, nullptr), 700);
    // Once A's has ended, B's opens.
    EXPECT_EQ(DriveDialog([&] { return kind.open(b, owner.get()); },
                          [&](HWND dialog) { Click(dialog, IDCANCEL); }),
              1);
    Errors(a);
  }
}

}  // namespace
}  // namespace kelvo::testing
