// Where the visualisation window's picture lies in a desktop window: every
// pixel an N x N square, N a whole number, centred on black.
#pragma once

#include <cstdint>
#include <optional>

#include "player/terminal/ViewLayout.h"

namespace kivo {

struct PixelSize {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool operator==(const PixelSize&) const = default;
};

struct PicturePlacement {
  std::int32_t Scale = 1;
  // The picture's top-left corner in the desktop window; negative when the
  // window is smaller than the picture at scale 1.
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  PixelSize Picture;
  bool operator==(const PicturePlacement&) const = default;
};

// The largest scale at which the picture takes at most three quarters of
// the screen's width and height, so that it fits comfortably; at least 1.
std::int32_t ComfortableScale(PixelSize picture, PixelSize screen);

// The size of a desktop window for the picture: at `scale` when one was
// asked for, else at the comfortable scale, and then no larger than the
// screen (a picture larger than the screen at scale 1 is shown cut, at
// scale 1). An unknown screen (0 x 0) bounds nothing.
struct WindowFit {
  PixelSize Size;
  // The picture does not fit the screen even at scale 1.
  bool Cut = false;
};
WindowFit FitWindow(PixelSize picture, std::optional<std::int32_t> scale, PixelSize screen);

// The picture in a window of the given size: the largest scale at which
// it fits whole (at least 1), centred.
PicturePlacement PlacePicture(PixelSize picture, PixelSize window);

// The picture pixel under a point of the desktop window; nothing on the
// black border.
std::optional<WindowPoint> PicturePointAt(const PicturePlacement& placement, std::int32_t x,
                                          std::int32_t y);

}  // namespace kivo
