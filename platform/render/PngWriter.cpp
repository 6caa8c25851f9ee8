#include "platform/render/PngWriter.h"

#include <png.h>

#include <cstring>
#include <utility>
#include <vector>

EPngWriteError::EPngWriteError(std::string message) : Exception(std::move(message)) {}
EPngWriteError::~EPngWriteError() = default;

namespace {

// The frame's pixels as bytes R, G, B, A, whatever the machine's byte order.
std::vector<std::uint8_t> RgbaBytes(const TFrame& frame) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(frame.Pixels.size() * 4);
  for (const std::uint32_t pixel : frame.Pixels) {
    bytes.push_back(static_cast<std::uint8_t>(pixel));
    bytes.push_back(static_cast<std::uint8_t>(pixel >> 8));
    bytes.push_back(static_cast<std::uint8_t>(pixel >> 16));
    bytes.push_back(static_cast<std::uint8_t>(pixel >> 24));
  }
  return bytes;
}

}  // namespace

void WritePng(const TFrame& frame, const std::string& path) {
  if (frame.Width <= 0 || frame.Height <= 0)
    throw EPngWriteError("Cannot write an empty frame: " + path);
  const std::vector<std::uint8_t> bytes = RgbaBytes(frame);

  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(frame.Width);
  image.height = static_cast<png_uint_32>(frame.Height);
  image.format = PNG_FORMAT_RGBA;
  const int written = png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr);
  const std::string reason = image.message;
  png_image_free(&image);
  if (written == 0) throw EPngWriteError("Cannot write " + path + ": " + reason);
}
