// The one way into <windows.h> for the library's Windows-only sources.
#pragma once

#ifndef _WIN32
#error "win32.h is for Windows builds only"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
