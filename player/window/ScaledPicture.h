// The picture a desktop window shows, kept at scale 1, and drawn into the
// window's surface at a placement: every picture pixel an N x N square,
// exactly, in the surface's own pixel format. Only the areas asked for are
// drawn, so that only they need to leave the process.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <span>
#include <vector>

#include "platform/render/Frame.h"
#include "platform/vcl/Types.h"
#include "player/window/WindowScale.h"

namespace kivo {

class TScaledPicture {
 public:
  PixelSize Size() const { return FSize; }

  // Takes the frame's pixels in `areas`, which must lie inside it and
  // inside a picture of the frame's size already taken.
  void Take(const TFrame& frame, std::span<const TRect> areas);
  // Takes the whole frame, of whatever size.
  void TakeAll(const TFrame& frame);

  // Draws the picture's `area` into `surface` at `placement`; the window
  // rectangle it covers, cut to the surface (empty when it lies outside).
  SDL_Rect Draw(SDL_Surface& surface, const PicturePlacement& placement, const TRect& area);
  // Black all over, and the whole picture on it.
  void DrawAll(SDL_Surface& surface, const PicturePlacement& placement);

 private:
  PixelSize FSize;
  // 0xAABBGGRR words, as in the frame.
  std::vector<std::uint32_t> FPixels;
  // One picture row's part in the surface's format, before it is widened.
  std::vector<std::uint8_t> FRow;
};

}  // namespace kivo
