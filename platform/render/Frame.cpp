#include "platform/render/Frame.h"

TFrame::TFrame(std::int32_t width, std::int32_t height, std::uint32_t fill)
    : Width(width < 0 ? 0 : width),
      Height(height < 0 ? 0 : height),
      Pixels(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), fill) {}

std::uint32_t FramePixel(TColor color) {
  return TFrame::Opaque | (static_cast<std::uint32_t>(ColorToRGB(color)) & 0x00FFFFFF);
}
