#include "platform/clock.h"
#include "platform/win32.h"

#include <mmsystem.h>

namespace kelvo::platform {

std::uint32_t TickCount() { return GetTickCount(); }

std::uint32_t MultimediaTime() { return timeGetTime(); }

}  // namespace kelvo::platform
