#include "platform/render/PngWriter.h"

#include <png.h>

#include <bit>
#include <cstring>
#include <utility>

EPngWriteError::EPngWriteError(std::string message) : Exception(std::move(message)) {}
EPngWriteError::~EPngWriteError() = default;

namespace {

// The frame's pixels as bytes R, G, B, A: on a little-endian machine the
// pixels themselves, else a copy in `copy`.
const void* RgbaBytes(const TFrame& frame, std::vector<std::uint8_t>& copy) {
  if constexpr (std::endian::native == std::endian::little) {
    return frame.Pixels.data();
  } else {
    copy.clear();
    copy.reserve(frame.Pixels.size() * 4);
    for (const std::uint32_t pixel : frame.Pixels) {
      copy.push_back(static_cast<std::uint8_t>(pixel));
      copy.push_back(static_cast<std::uint8_t>(pixel >> 8));
      copy.push_back(static_cast<std::uint8_t>(pixel >> 16));
      copy.push_back(static_cast<std::uint8_t>(pixel >> 24));
    }
    return copy.data();
  }
}

png_image ImageOf(const TFrame& frame, TPngCompression compression, const std::string& name) {
  if (frame.Width <= 0 || frame.Height <= 0)
    throw EPngWriteError("Cannot write an empty frame: " + name);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(frame.Width);
  image.height = static_cast<png_uint_32>(frame.Height);
  image.format = PNG_FORMAT_RGBA;
  // No row filters and a quick deflate level.
  if (compression == TPngCompression::Fast) image.flags = PNG_IMAGE_FLAG_FAST;
  return image;
}

}  // namespace

void WritePng(const TFrame& frame, const std::string& path, TPngCompression compression) {
  png_image image = ImageOf(frame, compression, path);
  std::vector<std::uint8_t> copy;
  const int written =
      png_image_write_to_file(&image, path.c_str(), 0, RgbaBytes(frame, copy), 0, nullptr);
  const std::string reason = image.message;
  png_image_free(&image);
  if (written == 0) throw EPngWriteError("Cannot write " + path + ": " + reason);
}

void EncodePng(const TFrame& frame, TPngCompression compression, std::vector<std::uint8_t>& bytes) {
  png_image image = ImageOf(frame, compression, "in memory");
  std::vector<std::uint8_t> copy;
  // Large enough for any compression of the pixels, so one pass does.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
  bytes.resize(size);
  const int written =
      png_image_write_to_memory(&image, bytes.data(), &size, 0, RgbaBytes(frame, copy), 0, nullptr);
  const std::string reason = image.message;
  png_image_free(&image);
  if (written == 0) throw EPngWriteError("Cannot encode a frame as PNG: " + reason);
  bytes.resize(size);
}
