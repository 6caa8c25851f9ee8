#include "player/terminal/CellGrid.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace kivo {

namespace {

bool Shown(std::uint32_t pixel) { return (pixel & 0xFF000000u) != 0; }

}  // namespace

CellMap::CellMap(const ViewLayout& layout) : FLayout(layout) {
  FColumns.resize(static_cast<std::size_t>(layout.Columns));
  for (std::int32_t column = 0; column < layout.Columns; ++column) {
    const std::int32_t x = column - layout.Left;
    if (x < 0 || x >= layout.PictureWidth) continue;
    const WindowBox box = layout.SourceBox(x, 0);
    FColumns[static_cast<std::size_t>(column)] = {box.Left, box.Right};
  }
  FPixelRows.resize(2 * static_cast<std::size_t>(layout.Rows));
  for (std::int32_t pixelRow = 0; pixelRow < 2 * layout.Rows; ++pixelRow) {
    const std::int32_t y = pixelRow - layout.Top;
    if (y < 0 || y >= layout.PictureHeight) continue;
    const WindowBox box = layout.SourceBox(0, y);
    FPixelRows[static_cast<std::size_t>(pixelRow)] = {box.Top, box.Bottom};
  }
}

// The average colour of the box's shown pixels, rounded; transparent when
// most of the box is, so that the picture's edges stay where they were.
std::uint32_t CellMap::Average(const TFrame& frame, TSpan columns, TSpan rows) const {
  if (columns.First == columns.End || rows.First == rows.End) return 0;
  if (columns.End - columns.First == 1 && rows.End - rows.First == 1)
    return frame.At(columns.First, rows.First);
  std::uint64_t sums[3] = {};
  std::uint64_t shown = 0;
  for (std::int32_t y = rows.First; y < rows.End; ++y) {
    const std::uint32_t* row =
        &frame.Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.Width)];
    for (std::int32_t x = columns.First; x < columns.End; ++x) {
      const std::uint32_t pixel = row[x];
      if (!Shown(pixel)) continue;
      sums[0] += pixel & 0xFF;
      sums[1] += (pixel >> 8) & 0xFF;
      sums[2] += (pixel >> 16) & 0xFF;
      ++shown;
    }
  }
  const auto area = static_cast<std::uint64_t>(columns.End - columns.First) *
                    static_cast<std::uint64_t>(rows.End - rows.First);
  if (2 * shown < area) return 0;
  std::uint32_t average = TFrame::Opaque;
  for (int channel = 0; channel < 3; ++channel) {
    average |= static_cast<std::uint32_t>((sums[channel] + shown / 2) / shown) << (8 * channel);
  }
  return average;
}

void CellMap::CheckSize(const TFrame& frame) const {
  if (frame.Width != FLayout.WindowWidth || frame.Height != FLayout.WindowHeight) {
    throw std::invalid_argument("the layout was made for a window of another size");
  }
}

void CellMap::Build(const TFrame& frame, CellGrid& grid) const {
  CheckSize(frame);
  grid.Columns = FLayout.Columns;
  grid.Rows = FLayout.Rows;
  grid.Cells.resize(static_cast<std::size_t>(grid.Columns) * static_cast<std::size_t>(grid.Rows));
  TerminalCell* cell = grid.Cells.data();
  for (std::size_t row = 0; row < static_cast<std::size_t>(grid.Rows); ++row) {
    const TSpan upper = FPixelRows[2 * row];
    const TSpan lower = FPixelRows[2 * row + 1];
    for (const TSpan columns : FColumns) {
      *cell++ = {Average(frame, columns, upper), Average(frame, columns, lower)};
    }
  }
}

bool CellMap::Update(const TFrame& frame, std::span<std::uint32_t> previous, CellGrid& grid) const {
  CheckSize(frame);
  if (previous.size() != frame.Pixels.size() || grid.Columns != FLayout.Columns ||
      grid.Rows != FLayout.Rows) {
    throw std::invalid_argument("the grid was made for a window or terminal of another size");
  }
  const auto width = static_cast<std::size_t>(frame.Width);
  bool changed = false;
  for (std::size_t pixelRow = 0; pixelRow < FPixelRows.size(); ++pixelRow) {
    const TSpan rows = FPixelRows[pixelRow];
    // The window columns first..last in which this pixel row's rows changed.
    std::size_t first = width;
    std::size_t last = 0;
    for (std::int32_t y = rows.First; y < rows.End; ++y) {
      const std::uint32_t* now = frame.Pixels.data() + static_cast<std::size_t>(y) * width;
      std::uint32_t* was = previous.data() + static_cast<std::size_t>(y) * width;
      // Most rows are unchanged: a whole-row comparison says so fastest.
      if (std::memcmp(now, was, width * sizeof(std::uint32_t)) == 0) continue;
      const auto from = static_cast<std::size_t>(std::mismatch(now, now + width, was).first - now);
      std::size_t to = width - 1;
      while (now[to] == was[to]) --to;
      std::copy(now + from, now + to + 1, was + from);
      first = std::min(first, from);
      last = std::max(last, to);
    }
    if (first == width) continue;
    changed = true;
    TerminalCell* row = &grid.Cells[pixelRow / 2 * static_cast<std::size_t>(grid.Columns)];
    for (std::size_t column = 0; column < FColumns.size(); ++column) {
      const TSpan columns = FColumns[column];
      if (columns.First == columns.End || static_cast<std::size_t>(columns.End) <= first ||
          static_cast<std::size_t>(columns.First) > last)
        continue;
      (pixelRow % 2 == 0 ? row[column].Upper : row[column].Lower) = Average(frame, columns, rows);
    }
  }
  return changed;
}

CellGrid BuildCellGrid(const TFrame& frame, const ViewLayout& layout) {
  CellGrid grid;
  CellMap(layout).Build(frame, grid);
  return grid;
}

}  // namespace kivo
