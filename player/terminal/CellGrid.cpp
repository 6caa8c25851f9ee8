#include "player/terminal/CellGrid.h"

#include <stdexcept>

namespace kivo {

namespace {

std::uint32_t PictureAt(const TFrame& frame, const ViewLayout& layout, std::int32_t column,
                        std::int32_t pixelRow) {
  const std::int32_t x = column - layout.Left;
  const std::int32_t y = pixelRow - layout.Top;
  if (x < 0 || y < 0 || x >= layout.PictureWidth || y >= layout.PictureHeight) return 0;
  const WindowPoint source = layout.SourcePixel(x, y);
  return frame.At(source.X, source.Y);
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
