// The picture area of the terminal as character cells, each showing two
// frame pixels: the upper one and the lower one.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/render/Frame.h"
#include "platform/vcl/Types.h"
#include "player/terminal/ViewLayout.h"

namespace kivo {

// Pixels are frame pixels (0xAABBGGRR); a pixel with zero alpha is left to
// the terminal's own background, so are the cells beside the picture.
struct TerminalCell {
  std::uint32_t Upper = 0;
  std::uint32_t Lower = 0;
  bool operator==(const TerminalCell&) const = default;
};

struct CellGrid {
  std::int32_t Columns = 0;
  std::int32_t Rows = 0;
  std::vector<TerminalCell> Cells;  // row by row, top row first

  const TerminalCell& At(std::int32_t column, std::int32_t row) const {
    return Cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(Columns) +
                 static_cast<std::size_t>(column)];
  }
};

// Which window pixels each cell shows: for every picture column and every
// picture pixel row, the span of window pixels it averages (ViewLayout's
// SourceBox, which is the same along a column and along a row). Worked out
// once per window and terminal size, then used for every frame.
class CellMap {
 public:
  explicit CellMap(const ViewLayout& layout);

  const ViewLayout& Layout() const { return FLayout; }

  // Fills `grid` with the cells that show `frame`, each pixel of a scaled
  // picture the average of the window pixels it covers (so that thin lines
  // such as peak markers stay visible). The frame must be of the layout's
  // window size.
  void Build(const TFrame& frame, CellGrid& grid) const;
  // Brings `grid`, built from a frame of the same size that differed from
  // `frame` only inside `areas`, up to `frame`: only the cells whose boxes
  // meet the areas are worked out again. Appends the indices of the cells
  // that changed to `changed`, in increasing order.
  void Refresh(const TFrame& frame, std::span<const TRect> areas, CellGrid& grid,
               std::vector<std::size_t>& changed) const;

 private:
  // Window pixels [First, End) along one axis; empty beside the picture.
  struct TSpan {
    std::int32_t First = 0;
    std::int32_t End = 0;
  };
  std::uint32_t Average(const TFrame& frame, TSpan columns, TSpan rows) const;
  // The cell columns, and the cell rows, whose boxes meet window pixels
  // [from, to) along their axis.
  TSpan ColumnsMeeting(std::int32_t from, std::int32_t to) const;
  TSpan RowsMeeting(std::int32_t from, std::int32_t to) const;
  void CheckSize(const TFrame& frame) const;

  ViewLayout FLayout;
  std::vector<TSpan> FColumns;    // per cell column
  std::vector<TSpan> FPixelRows;  // per pixel row: two per cell row
};

// The cells that show `frame` as the layout places it (see CellMap). The
// layout must have been made for a window of the frame's size.
CellGrid BuildCellGrid(const TFrame& frame, const ViewLayout& layout);

}  // namespace kivo
