/*
 * KelvoSdk_Q12.hpp - a C++17 interface over the C interface of
 * KelvoSdk_Q12.dll (Windows only, header-only, no export of its own).
 *
 *   kelvo::camera camera;                          // releases itself
 *   camera.set_color_mode(24);
 *   kelvo::image picture;
 *   if (std::error_code e = camera.snapshot(picture)) std::puts(e.message().c_str());
 *
 *   camera.start_live([](const kelvo::frame& f) { ... });  // on this thread
 *   while (!camera.wait_for_frame(std::chrono::seconds(1))) { ... }
 *
 * Errors are std::error_code values of kelvo::sdk_category(), one per
 * KELVO_ERR_* code, plus kelvo::errc::refused for a call refused in the
 * wrong state without an error. Only the constructor throws
 * (std::system_error), since it has no value to return.
 *
 * Threads: a camera belongs to the thread that made it. Frames of
 * start_live() are handed to the handler by that thread, from its message
 * loop or from wait_for_frame(); the handler may destroy the camera.
 */
#ifndef KELVOSDK_Q12_HPP
#define KELVOSDK_Q12_HPP

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "KelvoSdk_Q12.h"

namespace kelvo {

/* The SDK's error codes (Kelvo_GetLastError), and refused. */
enum class errc : int {
  no_device = KELVO_ERR_NO_DEVICE,
  device_absent = KELVO_ERR_DEVICE_ABSENT,
  thread = KELVO_ERR_THREAD,
  window = KELVO_ERR_WINDOW,
  buffer = KELVO_ERR_BUFFER,
  device_io = KELVO_ERR_DEVICE_IO,
  geometry = KELVO_ERR_GEOMETRY,
  frame = KELVO_ERR_FRAME,
  argument = KELVO_ERR_ARGUMENT,
  not_supported = KELVO_ERR_NOT_SUPPORTED,
  transfer_stopped = KELVO_ERR_TRANSFER_STOPPED,
  refused = 1000 /* the call failed and recorded no error: wrong state */
};

namespace detail {

class sdk_category_impl : public std::error_category {
 public:
  const char* name() const noexcept override { return "kelvo"; }
  std::string message(int code) const override {
    static const struct {
      errc code;
      const char* text;
    } messages[] = {
        {errc::no_device, "camera not initialised, SROM failure, or no image"},
        {errc::device_absent, "the device is not attached"},
        {errc::thread, "a worker thread or its event could not be created"},
        {errc::window, "the preview window or its device context failed"},
        {errc::buffer, "an image buffer failed, or the buffer is too small"},
        {errc::device_io, "a register access or the transfer failed"},
        {errc::geometry, "the capture size preset is invalid"},
        {errc::frame, "a received frame could not be extracted"},
        {errc::argument, "an argument is out of range"},
        {errc::not_supported, "not supported by the Q12"},
        {errc::transfer_stopped, "the continuous transfer stopped"},
        {errc::refused, "refused in this state"},
    };
    for (const auto& entry : messages) {
      if (static_cast<int>(entry.code) == code) return entry.text;
    }
    return "error " + std::to_string(code);
  }
};

}  // namespace detail

inline const std::error_category& sdk_category() {
  static const detail::sdk_category_impl category;
  return category;
}

inline std::error_code make_error_code(errc code) {
  return {static_cast<int>(code), sdk_category()};
}

}  // namespace kelvo

template <>
struct std::is_error_code_enum<kelvo::errc> : std::true_type {};

namespace kelvo {

/* Row order of copied pixels: as stored (top row first) or reversed. */
enum class row_order { bottom_up = 0, top_down = 1 };

/* A picture in the SDK's layout: rows of stride bytes (padded to 4), pixels
   as the colour mode stores them (see docs/formats.md). */
struct image {
  int width = 0;
  int height = 0;
  int bits_per_pixel = 0;
  std::size_t stride = 0;
  row_order order = row_order::top_down;
  std::vector<std::uint8_t> pixels;

  static std::size_t stride_of(int width, int bits_per_pixel) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits_per_pixel / 8) + 3) /
           4 * 4;
  }
  const std::uint8_t* row(int y) const {
    return pixels.data() + stride * static_cast<std::size_t>(y);
  }
};

/* One live frame, valid until the handler returns or destroys its camera. */
struct frame {
  const image& picture;
  int rate_tenths; /* tenths of frames per second */
};

class camera {
 public:
  using frame_handler = std::function<void(const frame&)>;

  /* The first camera; errors and frames are posted to a message-only window
     the camera owns, on this thread. */
  camera() : state_(std::make_unique<state>()) {
    state_->window = make_window(state_.get());
    state_->handle = Kelvo_Initialize(state_->window);
    if (state_->handle == 0) {
      DestroyWindow(state_->window);
      throw std::system_error(make_error_code(errc::no_device), "Kelvo_Initialize");
    }
  }
  camera(camera&&) noexcept = default;
  camera& operator=(camera&& other) noexcept {
    if (this != &other) {
      close();
      state_ = std::move(other.state_);
    }
    return *this;
  }
  camera(const camera&) = delete;
  camera& operator=(const camera&) = delete;
  ~camera() { close(); }

  KelvoHandle native_handle() const { return state_ ? state_->handle : 0; }

  std::error_code select_device(int index) {
    return result(Kelvo_SetDeviceNumber(native_handle(), index));
  }
  std::error_code set_color_mode(int bits_per_pixel) {
    return result(Kelvo_SetColorMode(native_handle(), bits_per_pixel));
  }
  std::error_code set_filter(int filter_id, int value) {
    return result(Kelvo_SetFilterValue(native_handle(), filter_id, value));
  }

  /* The layout the next snapshot or live frame has. */
  image layout() const {
    image shape;
    shape.width = Kelvo_Width(native_handle());
    shape.height = Kelvo_Height(native_handle());
    shape.bits_per_pixel = Kelvo_GetColorMode(native_handle());
    if (shape.bits_per_pixel < 0) shape.bits_per_pixel = 0;
    shape.stride = image::stride_of(shape.width, shape.bits_per_pixel);
    return shape;
  }

  /* One frame into the caller's memory. */
  std::error_code snapshot(void* buffer, std::size_t size, row_order order = row_order::top_down) {
    const int bytes = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
    return result(Kelvo_SnapShot(native_handle(), buffer, bytes, static_cast<int>(order)));
  }
  /* One frame into picture, sized for it. */
  std::error_code snapshot(image& picture, row_order order = row_order::top_down) {
    picture = layout();
    picture.order = order;
    picture.pixels.resize(picture.stride * static_cast<std::size_t>(picture.height));
    return snapshot(picture.pixels.data(), picture.pixels.size(), order);
  }

  std::error_code save(const std::string& path, int format) {
    return result(Kelvo_SaveImage(native_handle(), path.c_str(), format));
  }

  /* Live frames to handler, on this thread, while the library's preview
     window shows them. A stream that stops by a fault ends live mode; its
     error is what wait_for_frame() returns. */
  std::error_code start_live(frame_handler handler, row_order order = row_order::top_down) {
    if (!state_) return make_error_code(errc::no_device);
    state_->frames = layout();
    state_->frames.order = order;
    state_->frames.pixels.resize(state_->frames.stride *
                                 static_cast<std::size_t>(state_->frames.height));
    state_->handler = std::move(handler);
    state_->seen->error = {};
    return result(Kelvo_CallBackPreview(native_handle(), state_->window, nullptr, 0,
                                        static_cast<int>(order)));
  }
  std::error_code stop_live() {
    if (state_) state_->handler = nullptr;
    return result(Kelvo_StopPreview(native_handle()));
  }

  /* For programs without a message loop: dispatches this camera's notices
     until one frame has been handed to the handler ({}), an error notice
     arrives (its code) or timeout passes (std::errc::timed_out). */
  std::error_code wait_for_frame(std::chrono::milliseconds timeout) {
    if (!state_) return make_error_code(errc::no_device);
    // The handler may destroy this camera: after a dispatch only what is
    // shared with the window is looked at, never this object.
    const std::shared_ptr<status> seen = state_->seen;
    const HWND window = state_->window;
    const long before = seen->delivered;
    const DWORD start = GetTickCount();
    const DWORD limit = static_cast<DWORD>(timeout.count());
    for (;;) {
      MSG message;
      while (seen->alive && PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
        if (seen->delivered != before) return {};
        if (seen->error) return std::exchange(seen->error, {});
      }
      if (!seen->alive) return make_error_code(errc::no_device);
      const DWORD passed = GetTickCount() - start;
      if (passed >= limit) return std::make_error_code(std::errc::timed_out);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, limit - passed, QS_POSTMESSAGE);
    }
  }

  /* The newest recorded error, taken off the camera's history. */
  std::error_code last_error() {
    const int code = Kelvo_GetLastError(native_handle());
    return code == 0 ? std::error_code() : std::error_code(code, sdk_category());
  }

 private:
  // What a wait shares with the window procedure; it outlives the camera.
  struct status {
    long delivered = 0;
    bool alive = true;
    std::error_code error;  // of the last error notice of the stream
  };
  struct state {
    KelvoHandle handle = 0;
    HWND window = nullptr;
    frame_handler handler;
    image frames;
    std::shared_ptr<status> seen = std::make_shared<status>();
  };

  std::error_code result(int ok) {
    if (ok) return {};
    const std::error_code recorded = last_error();
    return recorded ? recorded : make_error_code(errc::refused);
  }

  void close() {
    if (!state_) return;
    state_->seen->alive = false;
    Kelvo_Release(state_->handle);
    DestroyWindow(state_->window);
    state_.reset();
  }

  static HWND make_window(state* owner) {
    static const char* const name = "KelvoSdkCppFrames";
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &camera::procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);  // fails harmlessly once registered
    HWND window = CreateWindowExA(0, name, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    if (window != nullptr)
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
  }

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* owner = reinterpret_cast<state*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    // KELVO_MSG_ERROR repeats what the error history holds; only a frame
    // notice's error ends a wait.
    if (owner == nullptr || message != KELVO_MSG_FRAME)
      return DefWindowProcA(window, message, wParam, lParam);
    if (wParam == 0) {
      owner->seen->error = std::error_code(static_cast<int>(lParam), sdk_category());
      return 0;
    }
    if (!owner->handler) return 0;
    // A copy under the library's frame lock: the worker may already fill the next one.
    image& picture = owner->frames;
    if (!Kelvo_GetImage(owner->handle, picture.pixels.data(),
                        static_cast<int>(picture.pixels.size()), static_cast<int>(picture.order))) {
      return 0;
    }
    const auto* info = reinterpret_cast<const FrameInfo*>(wParam);
    ++owner->seen->delivered;
    // A copy, as the handler may destroy the camera and with it owner.
    const frame_handler handler = owner->handler;
    handler(frame{picture, info->frameRate});
    return 0;
  }

  std::unique_ptr<state> state_;
};

}  // namespace kelvo

#endif /* KELVOSDK_Q12_HPP */
