// What happens to a frame between the device link and the application: the
// raw rows spread out to the image's stride, and the copy into the
// application's buffer in either row order.
#pragma once

#include <cstdint>

namespace kelvo {

class FrameImage;

// The link writes raw rows packed (width x bytes per sample); an 8- or 16-bit
// image whose rows are padded gets them moved to their strides, in place.
void Respread(FrameImage& raw);

// Bytes the copy of image needs: whole strides, padding included.
std::int64_t CopyOutBytes(const FrameImage& image);

// Copies the image's stored rows into buffer: memoryOrder 0 puts the last
// stored row first, anything else keeps the stored order. False, with
// nothing written, when size is less than CopyOutBytes.
bool CopyOut(const FrameImage& image, int memoryOrder, void* buffer, std::int32_t size);

}  // namespace kelvo
