// The 32-bit DLL called as a 32-bit Windows program may call it: with the
// stack aligned to 4 bytes only. Every export here is entered through a thunk
// that places esp at 0, 4, 8 or 12 modulo 16 at the call, and the window
// procedures run from a DispatchMessageA entered the same way. Snapshots,
// files and a callback preview must work at every offset, and give the bytes
// they give on a 16-byte-aligned stack.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "KelvoSdk_Q12.h"
#include "settings/registry_settings.h"
#include "support/test_window.h"

static_assert(sizeof(void*) == 4, "the stack offsets are those of 32-bit x86");

// Calls function(arguments[0..count-1]) with esp % 16 == offset at the call
// instruction, and returns its eax. Works for cdecl and stdcall callees alike:
// esp is restored from the frame pointer.
extern "C" std::uint32_t CallWithStackOffset(const void* function, const std::uint32_t* arguments,
                                             int count, int offset);
asm(R"(
    .text
    .globl _CallWithStackOffset
_CallWithStackOffset:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    leal 32(,%ecx,4), %eax
    movl %esp, %edi
    subl %eax, %edi
    andl $-16, %edi
    addl 20(%ebp), %edi
    movl %edi, %esp
    cld
    rep movsl
    call *8(%ebp)
    leal -8(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");

namespace {

const int kOffsets[] = {0, 4, 8, 12};

// Packs each argument into one stack word, as the 32-bit calling conventions do.
template <typename Word>
std::uint32_t StackWord(Word value) {
  static_assert(sizeof(Word) == 4, "every argument here fills one stack word");
  std::uint32_t word;
  std::memcpy(&word, &value, sizeof word);
  return word;
}

template <typename Result, typename... Parameters, typename... Arguments>
Result CallAt(int offset, Result (*function)(Parameters...), Arguments... arguments) {
  const std::uint32_t words[] = {StackWord<Parameters>(arguments)..., 0};
  const std::uint32_t result = CallWithStackOffset(reinterpret_cast<const void*>(function), words,
                                                   sizeof...(Parameters), offset);
  Result typed;
  std::memcpy(&typed, &result, sizeof typed);
  return typed;
}

// DispatchMessageA is WINAPI: the callee pops its argument, which the thunk allows.
void DispatchAt(int offset, const MSG& message) {
  const std::uint32_t words[] = {StackWord(&message)};
  CallWithStackOffset(reinterpret_cast<const void*>(&DispatchMessageA), words, 1, offset);
}

std::uint32_t Checksum(const std::vector<unsigned char>& bytes) {
  std::uint32_t sum = 2166136261u;  // FNV-1a
  for (unsigned char b : bytes) sum = (sum ^ b) * 16777619u;
  return sum;
}

int ImageBytes(int bitsPerPixel) { return 1280 * 960 * (bitsPerPixel / 8); }

const int kColourModes[] = {8, 16, 24, 32, 48, 64};
const int kFormats[] = {KELVO_SAVE_BMP,         KELVO_SAVE_RAW,      KELVO_SAVE_JPEG_HIGH,
                        KELVO_SAVE_JPEG_MEDIUM, KELVO_SAVE_JPEG_LOW, KELVO_SAVE_PNG,
                        KELVO_SAVE_TIFF};

class MisalignedStackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(window_.get(), nullptr);
    camera_ = CallAt(4, Kelvo_Initialize, static_cast<KelvoWindow>(window_.get()));
    ASSERT_NE(camera_, 0u);
    // Every stage with a kernel of its own: gray gains (mono 8, gray mode 1),
    // then hue, saturation, sharpness and brightness on colour frames.
    const int filters[][2] = {{KELVO_FILTER_GRAY_MODE, 1},      {KELVO_FILTER_GRAY_GAIN_R, 150},
                              {KELVO_FILTER_GRAY_GAIN_G1, 140}, {KELVO_FILTER_GRAY_GAIN_G2, 120},
                              {KELVO_FILTER_GRAY_GAIN_B, 170},  {KELVO_FILTER_HUE, 40},
                              {KELVO_FILTER_SATURATION, 60},    {KELVO_FILTER_SHARPNESS, 12},
                              {KELVO_FILTER_BRIGHTNESS, 20},    {KELVO_FILTER_EXPOSURE_TIME, 600},
                              {KELVO_FILTER_GLOBAL_GAIN, 200}};
    for (const auto& filter : filters) {
      ASSERT_EQ(CallAt(12, Kelvo_SetFilterValue, camera_, filter[0], filter[1]), 1) << filter[0];
    }
  }
  void TearDown() override {
    if (camera_ != 0) {
      EXPECT_EQ(CallAt(8, Kelvo_Release, camera_), 1);
    }
    // The settings stored on release would follow the next program of the prefix.
    RegDeleteTreeA(HKEY_CURRENT_USER, kelvo::settings::kSettingsKeyPath);
  }

  // One snapshot in the current mode, taken with the stack at offset.
  std::vector<unsigned char> SnapAt(int offset, int bitsPerPixel) {
    std::vector<unsigned char> frame(ImageBytes(bitsPerPixel));
    EXPECT_EQ(CallAt(offset, Kelvo_SnapShot, camera_, static_cast<void*>(frame.data()),
                     static_cast<int>(frame.size()), 1),
              1)
        << "error " << Kelvo_GetLastError(camera_);
    return frame;
  }

  kelvo::testing::TestWindow window_;
  KelvoHandle camera_ = 0;
};

TEST_F(MisalignedStackTest, SnapshotsInEveryColourModeGiveTheAlignedBytes) {
  for (int bits : kColourModes) {
    SCOPED_TRACE("colour mode " + std::to_string(bits));
    // In the idle state every snapshot prepares its buffers in the new mode.
    ASSERT_EQ(CallAt(0, Kelvo_SetColorMode, camera_, bits), 1);
    const std::uint32_t aligned = Checksum(SnapAt(0, bits));
    for (int offset : kOffsets) {
      SCOPED_TRACE("esp % 16 = " + std::to_string(offset));
      EXPECT_EQ(CallAt(offset, Kelvo_SetColorMode, camera_, bits), 1);
      EXPECT_EQ(Checksum(SnapAt(offset, bits)), aligned);
    }
  }
}

TEST_F(MisalignedStackTest, EveryFileFormatIsSavedAtEveryOffset) {
  char folder[MAX_PATH];
  ASSERT_NE(GetTempPathA(sizeof folder, folder), 0u);
  for (int bits : {8, 24, 48}) {
    ASSERT_EQ(CallAt(0, Kelvo_SetColorMode, camera_, bits), 1);
    SnapAt(0, bits);
    for (int offset : kOffsets) {
      for (int format : kFormats) {
        SCOPED_TRACE("colour mode " + std::to_string(bits) + ", format " + std::to_string(format) +
                     ", esp % 16 = " + std::to_string(offset));
        const std::string path = std::string(folder) + "kelvo-misaligned.picture";
        EXPECT_EQ(CallAt(offset, Kelvo_SaveImage, camera_, path.c_str(), format), 1)
            << "error " << Kelvo_GetLastError(camera_);
        WIN32_FILE_ATTRIBUTE_DATA file;
        ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &file));
        EXPECT_GT(file.nFileSizeLow, 1000u);
        DeleteFileA(path.c_str());
      }
    }
  }
}

TEST_F(MisalignedStackTest, CallbackPreviewDeliversFramesAtEveryOffset) {
  ASSERT_EQ(CallAt(0, Kelvo_SetColorMode, camera_, 24), 1);
  std::vector<unsigned char> buffer(ImageBytes(24));
  for (int offset : kOffsets) {
    SCOPED_TRACE("esp % 16 = " + std::to_string(offset));
    ASSERT_EQ(
        CallAt(offset, Kelvo_CallBackPreview, camera_, static_cast<KelvoWindow>(window_.get()),
               static_cast<void*>(buffer.data()), static_cast<int>(buffer.size()), 1),
        1)
        << "error " << Kelvo_GetLastError(camera_);
    // The preview window's procedure runs inside this DispatchMessageA.
    int frames = 0;
    const DWORD deadline = GetTickCount() + 20000;
    while (frames < 3 && GetTickCount() < deadline) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == KELVO_MSG_FRAME && message.wParam != 0) ++frames;
        EXPECT_FALSE(message.message == KELVO_MSG_FRAME && message.wParam == 0)
            << "error notice " << message.lParam;
        DispatchAt(offset, message);
      }
      Sleep(5);
    }
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(CallAt(offset, Kelvo_StopPreview, camera_), 1);
  }
}

}  // namespace
