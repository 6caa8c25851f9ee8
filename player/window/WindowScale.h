// Where the visualisation window's picture lies in a desktop window: every
// pixel an N x N square, N a whole number, centred on black above a strip
// along the window's bottom. The strip is as wide as the window and as tall
// as a number of picture rows at the same scale, so that it grows with the
// picture.
#pragma once

#include <cstdint>
#include <limits>
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
  // The strip takes the window's rows from StripTop to its bottom; the
  // picture is cut there. By default there is none.
  std::int32_t StripTop = std::numeric_limits<std::int32_t>::max();
  std::int32_t StripHeight = 0;
  bool operator==(const PicturePlacement&) const = default;
};

// The largest scale at which the picture and a strip of `stripRows` below
// it take at most three quarters of the screen's width and height, so that
// they fit comfortably; at least 1.
std::int32_t ComfortableScale(PixelSize picture, PixelSize screen, std::int32_t stripRows);

// The size of a desktop window for the picture and its strip: at `scale` when one was
// asked for, else at the comfortable scale, and then no larger than the
// screen (a picture larger than the screen at scale 1 is shown cut, at
// scale 1). An unknown screen (0 x 0) bounds nothing.
struct WindowFit {
  PixelSize Size;
  // The picture does not fit the screen even at scale 1.
  bool Cut = false;
};
WindowFit FitWindow(PixelSize picture, std::optional<std::int32_t> scale, PixelSize screen,
                    std::int32_t stripRows);

// The picture in a window of the given size: the largest scale at which
// it fits whole with its strip (at least 1), centred in the window above
// the strip.
PicturePlacement PlacePicture(PixelSize picture, PixelSize window, std::int32_t stripRows);

// The picture pixel under a point of the desktop window; nothing on the
// black border or on the strip.
std::optional<WindowPoint> PicturePointAt(const PicturePlacement& placement, std::int32_t x,
                                          std::int32_t y);

}  // namespace kivo
