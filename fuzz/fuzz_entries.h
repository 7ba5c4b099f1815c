// The fuzz targets' entry functions: libFuzzer calls them through
// libfuzzer_main.cpp, the host suite replays the corpora and the kept crash
// inputs through them. Each returns 0 and must neither crash nor hang.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvo::fuzz {

int FuzzDriverRequests(const std::uint8_t* data, std::size_t size);
int FuzzFaultScript(const std::uint8_t* data, std::size_t size);
int FuzzPictureScene(const std::uint8_t* data, std::size_t size);
int FuzzTransfer(const std::uint8_t* data, std::size_t size);
int FuzzSaveImage(const std::uint8_t* data, std::size_t size);
int FuzzExports(const std::uint8_t* data, std::size_t size);

}  // namespace kelvo::fuzz
