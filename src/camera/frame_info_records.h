// The FrameInfo records that frame notices point at. A notice may still be
// queued when its camera is released, so the records outlive every camera:
// each camera borrows one for its life and gives it back, to be lent again.
#pragma once

#include "KelvoSdk_Q12.h"

namespace kelvo {

// A record nobody else holds, reset to {24, 0, 0, 0, 0, 0}.
FrameInfo& BorrowFrameInfo();
// The record stays readable; a later camera may borrow it.
void ReturnFrameInfo(FrameInfo& record);

}  // namespace kelvo
