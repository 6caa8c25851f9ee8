// Turns cell grids into the escape sequences that bring a terminal from one
// to the other: cursor moves only where the next changed cell is not where
// the cursor already stands, colour codes only where the colours change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "player/terminal/CellGrid.h"
#include "player/terminal/Palette.h"

namespace kivo {

// The output that redraws the cells of `next` that differ from `previous`,
// or all of them when `previous` is null or of another size. The grid's top
// row is drawn on screen row `firstScreenRow` (1 is the top). Empty when
// nothing changed; otherwise it ends with the attributes reset.
std::string EncodeChangedCells(const CellGrid* previous, const CellGrid& next, ColorMode mode,
                               std::int32_t firstScreenRow = 1);
// The output that draws the cells of `grid` at the indices `cells`, which
// are in increasing order; empty for none.
std::string EncodeCells(const CellGrid& grid, std::span<const std::size_t> cells, ColorMode mode,
                        std::int32_t firstScreenRow = 1);

// Writes UTF-8 `text` on screen row `row` from its first column, clipped
// to `columns` columns (see ClipToColumns), the rest of the row blank.
std::string EncodeTextRow(const std::string& text, std::int32_t row, std::int32_t columns);

// Marks a frame's output as one update, so that terminals that know the
// synchronized-output mode show it at once; others ignore the marks.
std::string WrapAsOneUpdate(const std::string& body);

}  // namespace kivo
