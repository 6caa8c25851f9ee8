#include "player/terminal/ViewLayout.h"

#include <algorithm>

namespace kivo {

namespace {

bool InsidePicture(const ViewLayout& layout, std::int32_t x, std::int32_t y) {
  return x >= 0 && y >= 0 && x < layout.PictureWidth && y < layout.PictureHeight;
}

// The source coordinate whose pixel covers the centre of picture pixel `at`.
std::int32_t ScaleBack(std::int32_t at, std::int32_t shown, std::int32_t source) {
  const std::int64_t centre = 2 * static_cast<std::int64_t>(at) + 1;
  return static_cast<std::int32_t>(centre * source / (2 * static_cast<std::int64_t>(shown)));
}

// Where picture pixel `at` starts in the source, as the scale falls.
std::int32_t BoxEdge(std::int32_t at, std::int32_t shown, std::int32_t source) {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(at) * source / shown);
}

}  // namespace

WindowBox ViewLayout::SourceBox(std::int32_t x, std::int32_t y) const {
  return {BoxEdge(x, PictureWidth, WindowWidth), BoxEdge(y, PictureHeight, WindowHeight),
          BoxEdge(x + 1, PictureWidth, WindowWidth), BoxEdge(y + 1, PictureHeight, WindowHeight)};
}

WindowPoint ViewLayout::SourcePixel(std::int32_t x, std::int32_t y) const {
  return {ScaleBack(x, PictureWidth, WindowWidth), ScaleBack(y, PictureHeight, WindowHeight)};
}

std::optional<WindowPoint> ViewLayout::WindowPointAt(std::int32_t column, std::int32_t row) const {
  const std::int32_t x = column - Left;
  for (const std::int32_t y : {2 * row - Top, 2 * row + 1 - Top}) {
    if (InsidePicture(*this, x, y)) return SourcePixel(x, y);
  }
  return std::nullopt;
}

ViewLayout FitWindow(std::int32_t windowWidth, std::int32_t windowHeight, std::int32_t columns,
                     std::int32_t rows) {
  ViewLayout layout;
  layout.WindowWidth = std::max(windowWidth, 0);
  layout.WindowHeight = std::max(windowHeight, 0);
  layout.Columns = std::max(columns, 0);
  layout.Rows = std::max(rows, 0);
  const std::int64_t areaWidth = layout.Columns;
  const std::int64_t areaHeight = 2 * static_cast<std::int64_t>(layout.Rows);
  const std::int64_t width = layout.WindowWidth;
  const std::int64_t height = layout.WindowHeight;
  if (width == 0 || height == 0 || areaWidth == 0 || areaHeight == 0) return layout;

  std::int64_t shownWidth = width;
  std::int64_t shownHeight = height;
  if (width > areaWidth || height > areaHeight) {
    // Scale by the smaller of the two ratios, compared without rounding.
    if (areaWidth * height <= areaHeight * width) {
      shownWidth = areaWidth;
      shownHeight = std::max<std::int64_t>(1, height * areaWidth / width);
    } else {
      shownHeight = areaHeight;
      shownWidth = std::max<std::int64_t>(1, width * areaHeight / height);
    }
  }
  layout.PictureWidth = static_cast<std::int32_t>(shownWidth);
  layout.PictureHeight = static_cast<std::int32_t>(shownHeight);
  layout.Left = static_cast<std::int32_t>((areaWidth - shownWidth) / 2);
  layout.Top = static_cast<std::int32_t>((areaHeight - shownHeight) / 2);
  return layout;
}

}  // namespace kivo
