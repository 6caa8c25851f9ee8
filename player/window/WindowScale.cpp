#include "player/window/WindowScale.h"

#include <algorithm>

namespace kivo {

namespace {

std::int32_t LargestScale(PixelSize picture, std::int32_t width, std::int32_t height) {
  if (picture.Width <= 0 || picture.Height <= 0) return 1;
  return std::max(1, std::min(width / picture.Width, height / picture.Height));
}

// Rounds toward minus infinity, so that a point left of the picture never
// lands on its first column.
std::int32_t FloorDivide(std::int32_t value, std::int32_t divisor) {
  const std::int32_t quotient = value / divisor;
  return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

// The picture with the strip's rows below it.
PixelSize WithStrip(PixelSize picture, std::int32_t stripRows) {
  return {picture.Width, picture.Height + stripRows};
}

}  // namespace

std::int32_t ComfortableScale(PixelSize picture, PixelSize screen, std::int32_t stripRows) {
  return LargestScale(WithStrip(picture, stripRows), screen.Width * 3 / 4, screen.Height * 3 / 4);
}

WindowFit FitWindow(PixelSize picture, std::optional<std::int32_t> scale, PixelSize screen,
                    std::int32_t stripRows) {
  const std::int32_t chosen = scale.value_or(ComfortableScale(picture, screen, stripRows));
  const PixelSize whole = WithStrip(picture, stripRows);
  WindowFit fit{{whole.Width * chosen, whole.Height * chosen}, false};
  if (scale || screen.Width <= 0 || screen.Height <= 0) return fit;
  fit.Cut = fit.Size.Width > screen.Width || fit.Size.Height > screen.Height;
  fit.Size = {std::min(fit.Size.Width, screen.Width), std::min(fit.Size.Height, screen.Height)};
  return fit;
}

PicturePlacement PlacePicture(PixelSize picture, PixelSize window, std::int32_t stripRows) {
  PicturePlacement placement;
  placement.Picture = picture;
  const PixelSize whole = WithStrip(picture, stripRows);
  placement.Scale = LargestScale(whole, window.Width, window.Height);
  placement.StripHeight = std::clamp(stripRows * placement.Scale, 0, std::max(window.Height, 0));
  placement.StripTop = window.Height - placement.StripHeight;
  placement.Left = (window.Width - picture.Width * placement.Scale) / 2;
  placement.Top = (placement.StripTop - picture.Height * placement.Scale) / 2;
  return placement;
}

std::optional<WindowPoint> PicturePointAt(const PicturePlacement& placement, std::int32_t x,
                                          std::int32_t y) {
  const std::int32_t column = FloorDivide(x - placement.Left, placement.Scale);
  const std::int32_t row = FloorDivide(y - placement.Top, placement.Scale);
  if (y >= placement.StripTop || column < 0 || row < 0 || column >= placement.Picture.Width || row >= placement.Picture.Height)
    return std::nullopt;
  return WindowPoint{column, row};
}

}  // namespace kivo
