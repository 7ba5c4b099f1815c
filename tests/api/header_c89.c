/* The public header must stay usable from a strict C89 compiler. */
#include "KelvoSdk_Q12.h"

int KelvoHeaderCompilesAsC89(void) {
  CameraInfo info;
  FrameInfo frame;
  info.size = sizeof info;
  frame.size = sizeof frame;
  return (int)info.size + frame.size + KELVO_MSG_ERROR;
}
