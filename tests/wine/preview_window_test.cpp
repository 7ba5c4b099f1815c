// The preview window as the user sees it: its class, its place and looks,
// and the picture read back from the screen after a frame is drawn.
#include "camera/preview_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "files/png_writer.h"
#include "image/frame_image.h"
#include "support/test_window.h"

namespace kelvo {
namespace {

// Lets the windows paint themselves before their pixels are read.
void DispatchPending() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

bool ClassIsRegistered(const char* name) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  return GetClassInfoExA(GetModuleHandleA(nullptr), name, &windowClass) != 0;
}

// A preview window of its own camera, released as the camera's close does.
class Preview {
 public:
  Preview(HWND parent, int x, int y, int width, int height) {
    window_ = static_cast<HWND>(CreatePreviewWindow(camera, parent, x, y, width, height));
  }
  ~Preview() {
    DestroyPreviewWindow(window_);
    UnregisterPreviewClass(camera.windowClassName);
  }
  HWND get() const { return window_; }

  Camera camera;

 private:
  HWND window_;
};

// Child previews share one parent: under Wine without a window manager every
// top-level window takes seconds to go away.
class PreviewWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    parent_ = std::make_unique<testing::TestWindow>(
        WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 600, 450);
  }
  static void TearDownTestSuite() { parent_.reset(); }
  static HWND Parent() { return parent_->get(); }

 private:
  static inline std::unique_ptr<testing::TestWindow> parent_;
};

struct Bgr {
  std::uint8_t blue, green, red;
  bool operator==(const Bgr&) const = default;
};

std::string Describe(const Bgr& c) {
  char text[32];
  std::snprintf(text, sizeof text, "(b %u g %u r %u)", c.blue, c.green, c.red);
  return text;
}

// 24-bit pixels, rows from the top, copied out of a device context.
class Pixels {
 public:
  Pixels(HDC dc, int width, int height)
      : width_(width), height_(height), stride_((width * 3 + 3) / 4 * 4) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    auto* first = static_cast<std::uint8_t*>(bits);
    bytes_.assign(first, first + stride_ * height);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(section);
  }

  static Pixels OfWindow(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    Pixels pixels(dc, client.right, client.bottom);
    ReleaseDC(window, dc);
    return pixels;
  }

  Bgr At(int x, int y) const {
    const std::uint8_t* p = bytes_.data() + y * stride_ + x * 3;
    return {p[0], p[1], p[2]};
  }
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool WritePng(const std::string& fileName) const {
    return files::WritePng(fileName.c_str(), bytes_.data(), width_, height_, 24) == 1;
  }

 private:
  int width_, height_, stride_;
  std::vector<std::uint8_t> bytes_;
};

// The picture every colour mode must show: colour in modes 2..5, grey in 0
// and 1. Every row and every column differs from its neighbours, so a flip or
// a shift by one row or column shows.
Bgr ColourAt(int x, int y) {
  return {static_cast<std::uint8_t>(4 * x + 1), static_cast<std::uint8_t>(5 * y + 2),
          static_cast<std::uint8_t>((7 * x + 11 * y) & 0xFF)};
}
std::uint8_t GreyAt(int x, int y) { return static_cast<std::uint8_t>((3 * x + 5 * y + 7) & 0xFF); }

bool IsGreyMode(int colorMode) { return colorMode <= 1; }

Bgr ShownAt(int colorMode, int x, int y) {
  if (!IsGreyMode(colorMode)) return ColourAt(x, y);
  std::uint8_t v = GreyAt(x, y);
  return {v, v, v};
}

// Stores the picture in colour mode m's image the way conversion leaves it:
// 10-bit samples in the wide formats with noise in the bits the display
// drops, and a fourth byte or sample that must not show.
void StorePicture(FrameImage& image, int colorMode) {
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = image.Row(y);
    for (int x = 0; x < image.width; ++x) {
      const Bgr c = ColourAt(x, y);
      const std::uint8_t samples[4] = {c.blue, c.green, c.red, 0x5A};
      std::uint8_t* pixel = row + x * image.BytesPerPixel();
      switch (colorMode) {
        case 0:
          pixel[0] = GreyAt(x, y);
          break;
        case 1: {
          const int sample = GreyAt(x, y) << 2 | (x & 3);
          pixel[0] = static_cast<std::uint8_t>(sample);
          pixel[1] = static_cast<std::uint8_t>(sample >> 8);
          break;
        }
        case 2:
        case 3:
          for (int k = 0; k < image.BytesPerPixel(); ++k) pixel[k] = samples[k];
          break;
        default:
          for (int k = 0; k < image.BytesPerPixel() / 2; ++k) {
            const int sample = samples[k] << 2 | 3;
            pixel[2 * k] = static_cast<std::uint8_t>(sample);
            pixel[2 * k + 1] = static_cast<std::uint8_t>(sample >> 8);
          }
      }
    }
  }
}

// The six images of an acquisition, the display image and the target that
// draws them, with the picture stored in the colour mode's image.
struct Frame {
  Frame(int colorMode, int width, int height) {
    for (int mode = 0; mode < 6; ++mode) {
      images[mode] = std::make_unique<FrameImage>();
      images[mode]->Create(width, height, static_cast<std::uint16_t>(kColorModeBits[mode]));
      target.images[mode] = images[mode].get();
    }
    StorePicture(*images[colorMode], colorMode);
    target.colorMode = colorMode;
    target.display = &display;
  }

  std::array<std::unique_ptr<FrameImage>, 6> images;
  FrameImage display;
  PreviewTarget target;
};

constexpr int kWidth = 61;  // odd, so the rows of every depth are padded
constexpr int kHeight = 45;

// Which source pixel a scaled client pixel shows: nearest neighbour, stored
// row 0 at the top.
int SourceIndex(int clientIndex, int clientSize, int sourceSize) {
  return clientIndex * sourceSize / clientSize;
}
int SourceRow(int clientRow, int clientHeight, int sourceHeight) {
  const int bottomUpRow = clientHeight - 1 - clientRow;
  return sourceHeight - 1 - SourceIndex(bottomUpRow, clientHeight, sourceHeight);
}

TEST_F(PreviewWindowTest, WithAParentItIsChild6540AtThePreviewRectangle) {
  Preview preview(Parent(), 10, 20, 320, 240);
  ASSERT_NE(preview.get(), nullptr);
  HWND window = preview.get();

  EXPECT_EQ(GetParent(window), Parent());
  EXPECT_EQ(GetDlgCtrlID(window), 6540);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), 0x52000000u);
  EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE), 0);
  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, "ActiveMovie Window");

  RECT placed;
  GetWindowRect(window, &placed);
  MapWindowPoints(nullptr, Parent(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 10);
  EXPECT_EQ(placed.top, 20);
  EXPECT_EQ(placed.right, 330);
  EXPECT_EQ(placed.bottom, 260);
  int width = 0, height = 0;
  EXPECT_TRUE(PreviewClientSize(window, &width, &height));
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
}

struct TopLevelCase {
  int cameraWidth, cameraHeight, subSample;
  int clientWidth, clientHeight;
};

TEST_F(PreviewWindowTest, WithoutAParentItIsCentredAndSizedToTheSubSampledImage) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  for (const TopLevelCase& c : std::vector<TopLevelCase>{{800, 600, 0, 800, 600},
                                                         {1280, 960, 1, 640, 480},
                                                         {1278, 958, 2, 319, 239},
                                                         {1280, 960, 3, 160, 120}}) {
    SCOPED_TRACE(std::to_string(c.cameraWidth) + "x" + std::to_string(c.cameraHeight) +
                 " subSample " + std::to_string(c.subSample));
    Camera camera;
    camera.width = c.cameraWidth;
    camera.height = c.cameraHeight;
    camera.subSample = c.subSample;
    // The preview rectangle belongs to child windows only.
    HWND window = static_cast<HWND>(CreatePreviewWindow(camera, nullptr, 5, 5, 100, 100));
    ASSERT_NE(window, nullptr);

    RECT client, frame;
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    EXPECT_EQ(client.right, c.clientWidth);
    EXPECT_EQ(client.bottom, c.clientHeight);
    EXPECT_EQ(frame.left, (screenWidth - (frame.right - frame.left)) / 2);
    EXPECT_EQ(frame.top, (screenHeight - (frame.bottom - frame.top)) / 2);
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), 0x16CF0000u);
    // The system adds the raised edge to every window with a caption.
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetFocus(), window);
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Active Window");

    DestroyPreviewWindow(window);
    UnregisterPreviewClass(camera.windowClassName);
  }
}

TEST_F(PreviewWindowTest, TheClassPaintsNothingButBlackAndBelongsToTheExecutable) {
  Preview preview(Parent(), 0, 0, 10, 10);
  ASSERT_NE(preview.get(), nullptr);
  char className[256] = {};
  GetClassNameA(preview.get(), className, sizeof className);
  EXPECT_STREQ(className, preview.camera.windowClassName);

  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), className, &windowClass));
  EXPECT_EQ(windowClass.style, 0u);
  EXPECT_EQ(windowClass.lpfnWndProc, DefWindowProcA);
  EXPECT_EQ(windowClass.cbClsExtra, 0);
  EXPECT_EQ(windowClass.cbWndExtra, 0);
  EXPECT_EQ(windowClass.hIcon, nullptr);
  EXPECT_EQ(windowClass.hIconSm, nullptr);
  EXPECT_EQ(windowClass.lpszMenuName, nullptr);
  EXPECT_EQ(windowClass.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(windowClass.hbrBackground, GetStockObject(BLACK_BRUSH));
}

TEST_F(PreviewWindowTest, TwoCamerasRegisterTwoClassesNamedAfterThemAndCloseRemovesThem) {
  auto first = std::make_unique<Preview>(Parent(), 0, 0, 10, 10);
  auto second = std::make_unique<Preview>(Parent(), 0, 0, 10, 10);
  ASSERT_NE(first->get(), nullptr);
  ASSERT_NE(second->get(), nullptr);
  const std::string names[2] = {first->camera.windowClassName, second->camera.windowClassName};
  EXPECT_NE(names[0], names[1]);

  const Camera* cameras[2] = {&first->camera, &second->camera};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(names[i]);
    unsigned address = 0, salt = 0;
    int length = 0;
    ASSERT_EQ(std::sscanf(names[i].c_str(), "VideoRenderer_%8x_%8x%n", &address, &salt, &length),
              2);
    EXPECT_EQ(length, 31);  // both numbers eight digits wide
    EXPECT_EQ(address, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(cameras[i])));
    EXPECT_TRUE(ClassIsRegistered(names[i].c_str()));
  }

  first.reset();
  EXPECT_FALSE(ClassIsRegistered(names[0].c_str()));
  EXPECT_TRUE(ClassIsRegistered(names[1].c_str()));
}

TEST_F(PreviewWindowTest, AWindowThatCannotBeMadeGivesNullAndLeavesTheClassToClose) {
  HWND gone = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, Parent(), nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(gone, nullptr);
  DestroyWindow(gone);
  Camera camera;
  EXPECT_EQ(CreatePreviewWindow(camera, gone, 10, 20, 320, 240), nullptr);
  EXPECT_TRUE(ClassIsRegistered(camera.windowClassName));
  UnregisterPreviewClass(camera.windowClassName);
  EXPECT_FALSE(ClassIsRegistered(camera.windowClassName));
}

struct DrawCase {
  int colorMode;
  int clientWidth, clientHeight;
  bool scaled;
};

TEST_F(PreviewWindowTest, EveryColourModeShowsTheFrameUprightDirectlyOrScaled) {
  const std::vector<DrawCase> cases = {
      {0, kWidth, kHeight, false},
      {2, kWidth, kHeight, false},
      {3, kWidth, kHeight, false},
      {4, kWidth, kHeight, false},
      {5, kWidth, kHeight, false},
      {1, kWidth, kHeight, true},  // 16 bits always go through the display image
      {2, kWidth + 1, kHeight, true},
      {2, kWidth, kHeight + 1, true},
      {0, kWidth + 1, kHeight + 1, true},
      {1, 2 * kWidth, 2 * kHeight, true},
      {5, kWidth / 2, kHeight / 2, true},
  };
  for (const DrawCase& c : cases) {
    SCOPED_TRACE("colour mode " + std::to_string(c.colorMode) + ", client " +
                 std::to_string(c.clientWidth) + "x" + std::to_string(c.clientHeight));
    Preview preview(Parent(), 0, 0, c.clientWidth, c.clientHeight);
    ASSERT_NE(preview.get(), nullptr);
    DispatchPending();
    Frame frame(c.colorMode, kWidth, kHeight);
    frame.target.window = preview.get();
    frame.target.dc = GetPreviewDC(preview.get());
    ASSERT_NE(frame.target.dc, nullptr);
    DrawFrame(frame.target);
    ReleasePreviewDC(preview.get(), frame.target.dc);

    if (c.scaled) {
      EXPECT_EQ(frame.display.width, c.clientWidth);
      EXPECT_EQ(frame.display.height, c.clientHeight);
      EXPECT_EQ(frame.display.bitCount, IsGreyMode(c.colorMode) ? 8 : 24);
    } else {
      EXPECT_EQ(frame.display.pixels, nullptr);
    }
    const Pixels shown = Pixels::OfWindow(preview.get());
    ASSERT_EQ(shown.Width(), c.clientWidth);
    int wrong = 0;
    for (int y = 0; y < c.clientHeight; ++y) {
      for (int x = 0; x < c.clientWidth; ++x) {
        const int sourceX = c.scaled ? SourceIndex(x, c.clientWidth, kWidth) : x;
        const int sourceY = c.scaled ? SourceRow(y, c.clientHeight, kHeight) : y;
        const Bgr expected = ShownAt(c.colorMode, sourceX, sourceY);
        if (shown.At(x, y) != expected && wrong++ < 3) {
          ADD_FAILURE() << "client pixel (" << x << ", " << y << ") is " << Describe(shown.At(x, y))
                        << ", source pixel (" << sourceX << ", " << sourceY << ") is "
                        << Describe(expected);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// A window that cannot show anything gets nothing: not the device context,
// which may still take drawing, and not the display image.
TEST_F(PreviewWindowTest, HiddenEmptyOrContextlessWindowsGetNothingDrawn) {
  Preview hidden(Parent(), 0, 0, kWidth, kHeight);
  ShowWindow(hidden.get(), SW_HIDE);
  Preview empty(Parent(), 0, 0, 0, kHeight);
  Preview visible(Parent(), 100, 0, kWidth, kHeight);
  ASSERT_NE(hidden.get(), nullptr);
  ASSERT_NE(empty.get(), nullptr);
  ASSERT_NE(visible.get(), nullptr);
  DispatchPending();

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  ReleaseDC(nullptr, screen);
  const RECT all = {0, 0, kWidth, kHeight};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

  struct Case {
    const char* what;
    HWND window;
    HDC dc;
  };
  for (const Case& c : {Case{"hidden", hidden.get(), memory}, Case{"empty", empty.get(), memory},
                        Case{"no device context", visible.get(), nullptr}}) {
    for (int colorMode : {1, 2}) {  // the scaled and the direct path
      SCOPED_TRACE(std::string(c.what) + ", colour mode " + std::to_string(colorMode));
      Frame frame(colorMode, kWidth, kHeight);
      frame.target.window = c.window;
      frame.target.dc = c.dc;
      DrawFrame(frame.target);
      EXPECT_EQ(frame.display.pixels, nullptr);
      const Pixels inMemory(memory, kWidth, kHeight);
      const Pixels onScreen = Pixels::OfWindow(visible.get());
      for (int y = 0; y < kHeight; y += 11) {  // neither surface changes
        for (int x = 0; x < kWidth; x += 15) {
          EXPECT_EQ(inMemory.At(x, y), (Bgr{255, 255, 255}));
          EXPECT_EQ(onScreen.At(x, y), (Bgr{0, 0, 0}));  // the class's background
        }
      }
    }
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

// Where the test programs are: build/win64/bin/ -> build/win64/preview-window.png.
std::string ScreenshotPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  folder.erase(folder.find_last_of('\\'));
  folder.erase(folder.find_last_of('\\') + 1);
  return folder + "preview-window.png";
}

// Colour bars in a 32-bit frame scaled into a window larger than the image,
// with a white mark at the top left: the screenshot shows the colours and
// which way up the frame is.
TEST_F(PreviewWindowTest, AScaledColourFrameShowsItsBarsInPlace) {
  constexpr int width = 320, height = 240;
  constexpr Bgr bars[4] = {
      {0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 255, 255}};  // r, g, b, yellow
  Camera camera;  // sized for a window larger than the frame
  camera.width = 400;
  camera.height = 300;
  HWND window = static_cast<HWND>(CreatePreviewWindow(camera, nullptr, 0, 0, 0, 0));
  ASSERT_NE(window, nullptr);
  DispatchPending();

  Frame frame(3, width, height);
  FrameImage& image = *frame.images[3];
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool mark = x < 40 && y < 30;
      const Bgr c = mark ? Bgr{255, 255, 255} : bars[y * 4 / height];
      std::uint8_t* pixel = image.Row(y) + x * 4;
      pixel[0] = c.blue;
      pixel[1] = c.green;
      pixel[2] = c.red;
      pixel[3] = 0;
    }
  }
  frame.target.window = window;
  frame.target.dc = GetPreviewDC(window);
  DrawFrame(frame.target);
  ReleasePreviewDC(window, frame.target.dc);

  const Pixels shown = Pixels::OfWindow(window);
  ASSERT_GT(shown.Width(), width);  // the scaled path
  EXPECT_EQ(shown.At(2, 2), (Bgr{255, 255, 255}));
  for (int bar = 0; bar < 4; ++bar) {
    SCOPED_TRACE("bar " + std::to_string(bar));
    EXPECT_EQ(shown.At(shown.Width() - 3, (2 * bar + 1) * shown.Height() / 8), bars[bar]);
  }
  EXPECT_TRUE(shown.WritePng(ScreenshotPath())) << ScreenshotPath();

  DestroyPreviewWindow(window);
  UnregisterPreviewClass(camera.windowClassName);
}

}  // namespace
}  // namespace kelvo
