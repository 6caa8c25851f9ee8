#include "player/terminal/CellGrid.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

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

void CellMap::Refresh(const TFrame& frame, std::span<const TRect> areas, CellGrid& grid,
                      std::vector<std::size_t>& changed) const {
  CheckSize(frame);
  if (grid.Columns != FLayout.Columns || grid.Rows != FLayout.Rows) {
    throw std::invalid_argument("the grid was made for a terminal of another size");
  }
  // Areas may overlap: each cell is worked out once.
  std::vector<std::uint8_t> seen(grid.Cells.size());
  const std::size_t before = changed.size();
  for (const TRect& area : areas) {
    if (area.IsEmpty()) continue;
    const TSpan columns = ColumnsMeeting(area.Left, area.Right);
    const TSpan rows = RowsMeeting(area.Top, area.Bottom);
    for (auto row = static_cast<std::size_t>(rows.First);
         row < static_cast<std::size_t>(rows.End); ++row) {
      const TSpan upper = FPixelRows[2 * row];
      const TSpan lower = FPixelRows[2 * row + 1];
      const std::size_t first = row * static_cast<std::size_t>(grid.Columns);
      for (auto column = static_cast<std::size_t>(columns.First);
           column < static_cast<std::size_t>(columns.End); ++column) {
        if (std::exchange(seen[first + column], 1) != 0) continue;
        const TerminalCell now{Average(frame, FColumns[column], upper),
                               Average(frame, FColumns[column], lower)};
        TerminalCell& shown = grid.Cells[first + column];
        if (shown == now) continue;
        shown = now;
        changed.push_back(first + column);
      }
    }
  }
  std::sort(changed.begin() + static_cast<std::ptrdiff_t>(before), changed.end());
}

namespace {

bool Meets(std::int32_t first, std::int32_t end, std::int32_t from, std::int32_t to) {
  return first < end && first < to && from < end;
}

}  // namespace

CellMap::TSpan CellMap::ColumnsMeeting(std::int32_t from, std::int32_t to) const {
  TSpan columns{FLayout.Columns, 0};
  for (std::int32_t column = 0; column < FLayout.Columns; ++column) {
    const TSpan box = FColumns[static_cast<std::size_t>(column)];
    if (!Meets(box.First, box.End, from, to)) continue;
    columns.First = std::min(columns.First, column);
    columns.End = column + 1;
  }
  return columns;
}

CellMap::TSpan CellMap::RowsMeeting(std::int32_t from, std::int32_t to) const {
  TSpan rows{FLayout.Rows, 0};
  for (std::int32_t row = 0; row < FLayout.Rows; ++row) {
    const TSpan upper = FPixelRows[2 * static_cast<std::size_t>(row)];
    const TSpan lower = FPixelRows[2 * static_cast<std::size_t>(row) + 1];
    if (!Meets(upper.First, upper.End, from, to) && !Meets(lower.First, lower.End, from, to))
      continue;
    rows.First = std::min(rows.First, row);
    rows.End = row + 1;
  }
  return rows;
}

CellGrid BuildCellGrid(const TFrame& frame, const ViewLayout& layout) {
  CellGrid grid;
  CellMap(layout).Build(frame, grid);
  return grid;
}

}  // namespace kivo
