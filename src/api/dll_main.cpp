// The DLL entry point has nothing to do: the handle ring builds itself on
// first use and is cleared with the other statics at unload.
#include "platform/win32.h"

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) { return TRUE; }
