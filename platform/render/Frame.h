// A picture in memory into which a control tree is painted.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/vcl/Graphics.h"

// Each pixel is 0xAABBGGRR: a plain TColor with the alpha in the high byte.
// Rows are stored top row first.
struct TFrame {
  static constexpr std::uint32_t Opaque = 0xFF000000;

  TFrame() = default;
  TFrame(std::int32_t width, std::int32_t height, std::uint32_t fill = 0);

  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::vector<std::uint32_t> Pixels;

  // The pixel at (x, y), which must lie inside the frame.
  std::uint32_t At(std::int32_t x, std::int32_t y) const {
    return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                  static_cast<std::size_t>(x)];
  }
};

// The opaque frame pixel of a colour, system colours resolved.
std::uint32_t FramePixel(TColor color);
