#include "app/jpeg_decode.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace {

// Anything larger than this is not one of our logos but a damaged header.
constexpr long kMaxPixels = 16L * 1024 * 1024;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void SilentMessage(j_common_ptr) {}

// Kept free of objects with destructors between setjmp and every call that
// may jump back, so the jump skips nothing that needs cleaning up.
bool Decode(std::span<const std::uint8_t> data, jpeg_decompress_struct& info, ErrorManager& errors,
            RgbPicture& out) {
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = ErrorExit;
  errors.base.output_message = SilentMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const long pixels = static_cast<long>(info.output_width) * static_cast<long>(info.output_height);
  if (info.output_components != 3 || pixels <= 0 || pixels > kMaxPixels) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  out.Width = static_cast<int>(info.output_width);
  out.Height = static_cast<int>(info.output_height);
  out.Rgb.resize(static_cast<std::size_t>(pixels) * 3);
  const std::size_t stride = static_cast<std::size_t>(out.Width) * 3;
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.Rgb.data() + info.output_scanline * stride;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

RgbPicture DecodeJpeg(std::span<const std::uint8_t> data) {
  RgbPicture picture;
  if (data.empty()) return picture;
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  if (!Decode(data, info, errors, picture)) return RgbPicture{};
  return picture;
}
