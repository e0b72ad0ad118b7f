#include "platform/jpeg_decoder.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace qoru {
namespace {

// libjpeg reports a fatal error through error_exit, which must not return. It is C
// code: an exception may not pass through it, so the error jumps back to the decoder
// and the decoder throws.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
  auto* mgr = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, mgr->message);
  std::longjmp(mgr->jump, 1);
}

void OnMessage(j_common_ptr, int) {}

// Pictures larger than this are refused rather than allocated.
constexpr std::size_t kMaxPixels = 16u << 20;  // warnings and traces: the picture still decodes

// Decodes into `out`; on failure returns false with libjpeg's words in mgr.message.
// Only trivially destructible objects live here, so the long jump skips no destructor.
bool Decode(const unsigned char* data, std::size_t size, RgbImage* out, ErrorManager* mgr) {
  jpeg_decompress_struct cinfo;
  cinfo.err = jpeg_std_error(&mgr->base);
  mgr->base.error_exit = OnError;
  mgr->base.emit_message = OnMessage;
  mgr->message[0] = '\0';
  if (setjmp(mgr->jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3 ||
      static_cast<std::size_t>(cinfo.output_width) * cinfo.output_height > kMaxPixels) {
    std::snprintf(mgr->message, sizeof mgr->message, "%ux%u pixels, %d components not supported",
                  cinfo.output_width, cinfo.output_height, cinfo.output_components);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  out->width = static_cast<int>(cinfo.output_width);
  out->height = static_cast<int>(cinfo.output_height);
  // Sized before any row is read; a later jump leaves a half-filled picture that the
  // caller discards.
  out->pixels.resize(static_cast<std::size_t>(out->width) * out->height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out->At(0, static_cast<int>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

RgbImage DecodeJpeg(std::span<const unsigned char> bytes, const std::string& what) {
  if (bytes.empty()) throw ImageError("无法解码图片" + what + "：数据为空");
  RgbImage image;
  ErrorManager mgr;
  if (!Decode(bytes.data(), bytes.size(), &image, &mgr))
    throw ImageError("无法解码图片" + what + "（JPEG）：" + mgr.message);
  return image;
}

}  // namespace qoru
