#include "player/terminal/CellGrid.h"

#include <stdexcept>

namespace kivo {

namespace {

bool Shown(std::uint32_t pixel) { return (pixel & 0xFF000000u) != 0; }

// The average colour of the box's shown pixels, rounded; transparent when
// most of the box is, so that the picture's edges stay where they were.
std::uint32_t Average(const TFrame& frame, const WindowBox& box) {
  if (box.Right - box.Left == 1 && box.Bottom - box.Top == 1) return frame.At(box.Left, box.Top);
  std::uint64_t sums[3] = {};
  std::uint64_t shown = 0;
  for (std::int32_t y = box.Top; y < box.Bottom; ++y) {
    for (std::int32_t x = box.Left; x < box.Right; ++x) {
      const std::uint32_t pixel = frame.At(x, y);
      if (!Shown(pixel)) continue;
      for (int channel = 0; channel < 3; ++channel)
        sums[channel] += (pixel >> (8 * channel)) & 0xFF;
      ++shown;
    }
  }
  const auto area = static_cast<std::uint64_t>(box.Right - box.Left) *
                    static_cast<std::uint64_t>(box.Bottom - box.Top);
  if (2 * shown < area) return 0;
  std::uint32_t average = TFrame::Opaque;
  for (int channel = 0; channel < 3; ++channel) {
    average |= static_cast<std::uint32_t>((sums[channel] + shown / 2) / shown) << (8 * channel);
  }
  return average;
}

std::uint32_t PictureAt(const TFrame& frame, const ViewLayout& layout, std::int32_t column,
                        std::int32_t pixelRow) {
  const std::int32_t x = column - layout.Left;
  const std::int32_t y = pixelRow - layout.Top;
  if (x < 0 || y < 0 || x >= layout.PictureWidth || y >= layout.PictureHeight) return 0;
  return Average(frame, layout.SourceBox(x, y));
}

}  // namespace

CellGrid BuildCellGrid(const TFrame& frame, const ViewLayout& layout) {
  if (frame.Width != layout.WindowWidth || frame.Height != layout.WindowHeight) {
    throw std::invalid_argument("the layout was made for a window of another size");
  }
  CellGrid grid;
  grid.Columns = layout.Columns;
  grid.Rows = layout.Rows;
  grid.Cells.reserve(static_cast<std::size_t>(grid.Columns) * static_cast<std::size_t>(grid.Rows));
  for (std::int32_t row = 0; row < grid.Rows; ++row) {
    for (std::int32_t column = 0; column < grid.Columns; ++column) {
      grid.Cells.push_back({PictureAt(frame, layout, column, 2 * row),
                            PictureAt(frame, layout, column, 2 * row + 1)});
    }
  }
  return grid;
}

}  // namespace kivo
