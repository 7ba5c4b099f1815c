#include "files/jpeg_writer.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

static_assert(JPEG_LIB_VERSION == 62, "files are written through the version 62 interface");

namespace kelvo::files {
namespace {

// The library's error manager first, so the manager it calls back with leads
// to the recovery point.
struct RecoveringErrors {
  jpeg_error_mgr library{};
  std::jmp_buf recovery;
};

struct JpegJob {
  std::FILE* file = nullptr;
  jpeg_compress_struct info{};
  RecoveringErrors errors;
};

// The library's own error exit would end the process: go back to the
// writer, whose result reports the failure.
[[noreturn]] void JumpBackToWriter(j_common_ptr info) {
  std::longjmp(reinterpret_cast<RecoveringErrors*>(info->err)->recovery, 1);
}

// Its messages would go to the host's standard error.
void KeepMessage(j_common_ptr) {}

bool Compress(JpegJob& job, const FrameImage& image, int quality, bool progressive) {
  if (setjmp(job.errors.recovery) != 0) return false;
  job.info.err = jpeg_std_error(&job.errors.library);
  job.errors.library.error_exit = JumpBackToWriter;
  job.errors.library.output_message = KeepMessage;
  jpeg_CreateCompress(&job.info, JPEG_LIB_VERSION, sizeof job.info);
  jpeg_stdio_dest(&job.info, job.file);

  const int components = image.bitCount == 24 ? 3 : 1;
  job.info.image_width = static_cast<JDIMENSION>(image.width);
  job.info.image_height = static_cast<JDIMENSION>(image.height);
  job.info.input_components = components;
  job.info.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&job.info);
  jpeg_set_quality(&job.info, quality, TRUE);
  if (progressive) jpeg_simple_progression(&job.info);
  jpeg_start_compress(&job.info, TRUE);

  // From the library's pool: freed with the compressor whatever happens.
  JSAMPARRAY row =
      (*job.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&job.info), JPOOL_IMAGE,
                                    static_cast<JDIMENSION>(image.width * components), 1);
  while (job.info.next_scanline < job.info.image_height) {
    const std::uint8_t* in =
        image.Row(image.height - 1 - static_cast<std::int32_t>(job.info.next_scanline));
    JSAMPLE* out = row[0];
    if (components == 3) {
      for (std::int32_t j = 0; j < image.width; ++j, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    } else {
      for (std::int32_t j = 0; j < image.width; ++j) out[j] = in[j];
    }
    jpeg_write_scanlines(&job.info, row, 1);
  }
  jpeg_finish_compress(&job.info);
  return true;
}

}  // namespace

int WriteJpeg(const char* fileName, const FrameImage& image, int quality, bool progressive) {
  if (fileName == nullptr || image.pixels == nullptr || image.width <= 0 || image.height <= 0 ||
      (image.bitCount != 8 && image.bitCount != 24)) {
    return 0;
  }
  JpegJob job;
  job.file = std::fopen(fileName, "wb");
  if (job.file == nullptr) return 0;

  const bool compressed = Compress(job, image, quality, progressive);
  jpeg_destroy_compress(&job.info);  // safe on a half-created compressor too
  const bool closed = std::fclose(job.file) == 0;
  return compressed && closed ? 1 : 0;
}

}  // namespace kelvo::files
