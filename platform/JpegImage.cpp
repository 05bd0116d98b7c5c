#include "platform/JpegImage.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace solvara {

namespace {

// Larger than any picture of ours by far; keeps a forged header from asking for
// gigabytes.
constexpr unsigned long kMaxPixels = 16UL * 1024 * 1024;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

// libjpeg's own handler ends the process; come back to DecodeInto instead.
[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void Quiet(j_common_ptr) {}

// Only trivially destructible objects live in this frame, so leaving it by
// longjmp skips no destructor. The image is written through a pointer to the
// caller's object, which outlives the jump.
bool DecodeInto(const unsigned char* data, unsigned long size, QImage* out) {
  jpeg_decompress_struct cinfo{};
  ErrorManager errors{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = ErrorExit;
  errors.pub.output_message = Quiet;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const unsigned long width = cinfo.output_width;
  const unsigned long height = cinfo.output_height;
  if (cinfo.output_components != 3 || width == 0 || height == 0 || width > kMaxPixels / height) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  *out = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB888);
  if (out->isNull()) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->scanLine(static_cast<int>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  // libjpeg only warns about damaged data and fills the gap with grey; a damaged
  // picture is not shown at all.
  const bool sound = errors.pub.num_warnings == 0;
  jpeg_destroy_decompress(&cinfo);
  return sound;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes) {
  if (bytes.isEmpty()) {
    return QImage();
  }
  QImage image;
  if (!DecodeInto(reinterpret_cast<const unsigned char*>(bytes.constData()),
                  static_cast<unsigned long>(bytes.size()), &image)) {
    return QImage();
  }
  return image;
}

}  // namespace solvara
