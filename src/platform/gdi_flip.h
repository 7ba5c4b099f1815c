// Copying a whole picture upside down from one memory DC into another with
// GDI, which also converts between bit depths (32 to 24 bits drops the
// fourth byte). Where there is no GDI the callers use a pixel kernel instead.
#pragma once

#include <cstdint>

namespace kelvo::platform {

// False when GDI is absent, a DC is null or the blit fails.
bool FlipBlit(void* destinationDC, void* sourceDC, std::int32_t width, std::int32_t height);

}  // namespace kelvo::platform
