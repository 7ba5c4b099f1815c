// The picture readers behind KELVO_Q12_EMULATOR_SCENE: the bytes go through a
// file, as a customer's picture does; the first byte picks the extension.
#include <algorithm>
#include <fstream>
#include <string>

#include "emulator/scene.h"
#include "fuzz_entries.h"
#include "fuzz_input.h"

namespace kelvo::fuzz {

int FuzzPictureScene(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const char* extensions[] = {".bmp", ".png", ".pic"};
  std::string path = (ScratchFolder() / "scene").string() + extensions[in.Byte() % 3];
  std::vector<std::uint8_t> bytes = in.Rest();
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  std::string error;
  auto scene = emulator::PictureScene::Load(path, &error);
  if (scene == nullptr) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  // Stretched over a sensor smaller and larger than the picture.
  for (auto [w, h] : {std::pair{7, 5}, std::pair{std::min(scene->Width() + 3, 300),
                                                 std::min(scene->Height() + 1, 200)}}) {
    std::vector<emulator::Rgb> painted = scene->Paint(w, h);
    if (painted.size() != static_cast<std::size_t>(w) * h) __builtin_trap();
  }
  return 0;
}

}  // namespace kelvo::fuzz
