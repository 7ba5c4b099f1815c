/* Registering a window class of the samples' own windows (Windows only). */
#ifndef KELVO_SAMPLES_WINDOW_CLASS_H
#define KELVO_SAMPLES_WINDOW_CLASS_H

#include <windows.h>

/* A class with the arrow cursor and the given background (null: none). */
void KelvoRegisterWindowClass(const char* name, WNDPROC procedure, HINSTANCE instance,
                              HBRUSH background);

#endif
