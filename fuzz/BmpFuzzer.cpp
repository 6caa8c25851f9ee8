// Feeds arbitrary bytes to the BMP reader: it must decode them or raise
// EInvalidGraphic, and a decoded image must hold exactly its pixels.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/vcl/BmpReader.h"
#include "platform/vcl/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const TBmpImage image = DecodeBmp(std::span<const std::uint8_t>(data, size));
    const auto pixels =
        static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height);
    if (image.Width < 0 || image.Height < 0 || image.Pixels.size() != pixels) std::abort();
    for (const std::uint32_t colour : image.Pixels) {
      if (colour > 0xFFFFFF) std::abort();
    }
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
