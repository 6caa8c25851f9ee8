// The picture area of the terminal as character cells, each showing two
// frame pixels: the upper one and the lower one.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/render/Frame.h"
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

// The cells that show `frame` as the layout places it, each pixel of a
// scaled picture the average of the window pixels it covers (so that thin
// lines such as peak markers stay visible). The layout must have been made
// for a window of the frame's size.
CellGrid BuildCellGrid(const TFrame& frame, const ViewLayout& layout);

}  // namespace kivo
