#include "platform/gdi_flip.h"

namespace kelvo::platform {

bool FlipBlit(void*, void*, std::int32_t, std::int32_t) { return false; }

}  // namespace kelvo::platform
