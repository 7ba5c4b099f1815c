// The live sample: the C++ interface (KelvoSdk_Q12.hpp) on the first camera.
// A snapshot saved as live.png, then live frames handed to a lambda on this
// thread until the count is reached, without a message loop of its own:
//   live [frames]   (30 by default)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "KelvoSdk_Q12.hpp"

int main(int argc, char** argv) {
  const int wanted = argc > 1 ? std::atoi(argv[1]) : 30;
  try {
    kelvo::camera camera;
    camera.set_color_mode(KELVO_COLOR_RGB24);

    kelvo::image picture;
    if (std::error_code error = camera.snapshot(picture)) {
      std::printf("snapshot: %s\n", error.message().c_str());
      return 1;
    }
    std::printf("snapshot: %d x %d, %d bits per pixel, %zu bytes a row\n", picture.width,
                picture.height, picture.bits_per_pixel, picture.stride);
    if (std::error_code error = camera.save("live.png", KELVO_SAVE_PNG)) {
      std::printf("live.png: %s\n", error.message().c_str());
    }

    int frames = 0, rate = 0;
    std::error_code error = camera.start_live([&](const kelvo::frame& frame) {
      ++frames;
      rate = frame.rate_tenths;
    });
    while (!error && frames < wanted) error = camera.wait_for_frame(std::chrono::seconds(5));
    camera.stop_live();
    std::printf("live: %d frames, %d.%d frames/s%s%s\n", frames, rate / 10, rate % 10,
                error ? ", stopped: " : "", error ? error.message().c_str() : "");
    return error ? 1 : 0;
  } catch (const std::system_error& failure) {
    std::printf("%s\n", failure.what());
    return 1;
  }
}
