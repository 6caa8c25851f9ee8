#include "player/terminal/ScreenUpdate.h"

#include <charconv>
#include <cstring>
#include <iterator>
#include <optional>
#include <type_traits>
#include <vector>

#include "player/terminal/TextWidth.h"

namespace kivo {

namespace {

constexpr std::string_view kUpperHalf = "\u2580";
constexpr std::string_view kLowerHalf = "\u2584";
constexpr std::uint32_t kDefaultColor = 0;  // the terminal's own colour

bool Shown(std::uint32_t pixel) { return (pixel & 0xFF000000u) != 0; }

// What a cell puts on screen: a glyph drawn in a foreground colour over a
// background colour, either of which may be the terminal's own.
struct CellLook {
  std::string_view Glyph;
  std::uint32_t Foreground;
  std::uint32_t Background;
};

CellLook LookOf(const TerminalCell& cell) {
  const std::uint32_t upper = Shown(cell.Upper) ? (cell.Upper | 0xFF000000u) : kDefaultColor;
  const std::uint32_t lower = Shown(cell.Lower) ? (cell.Lower | 0xFF000000u) : kDefaultColor;
  if (upper == kDefaultColor && lower == kDefaultColor) return {" ", kDefaultColor, kDefaultColor};
  if (upper == kDefaultColor) return {kLowerHalf, lower, kDefaultColor};
  return {kUpperHalf, upper, lower};
}

void AppendNumber(std::string& out, std::int32_t number) {
  char digits[12];
  const auto written = std::to_chars(std::begin(digits), std::end(digits), number);
  out.append(digits, written.ptr);
}

void AppendCursorMove(std::string& out, std::int32_t row, std::int32_t column) {
  out += "\x1b[";
  AppendNumber(out, row);
  out += ';';
  AppendNumber(out, column);
  out += 'H';
}

std::string CursorTo(std::int32_t row, std::int32_t column) {
  std::string out;
  AppendCursorMove(out, row, column);
  return out;
}

// Emits colour codes only where they differ from what the terminal has.
class Pen {
 public:
  explicit Pen(ColorMode mode) : FMode(mode) {}

  void Select(std::uint32_t foreground, std::uint32_t background, std::string& out) {
    const bool newForeground = !FKnown || FForeground != foreground;
    const bool newBackground = !FKnown || FBackground != background;
    FKnown = true;
    FForeground = foreground;
    FBackground = background;
    if (!newForeground && !newBackground) return;
    out += "\x1b[";
    if (newForeground) {
      if (foreground == kDefaultColor) {
        out += "39";
      } else {
        AppendForegroundParameters(out, PixelRgb(foreground), FMode);
      }
    }
    if (newBackground) {
      if (newForeground) out += ';';
      if (background == kDefaultColor) {
        out += "49";
      } else {
        AppendBackgroundParameters(out, PixelRgb(background), FMode);
      }
    }
    out += 'm';
  }

 private:
  ColorMode FMode;
  // Nothing is known of the terminal's colours until the first selection.
  bool FKnown = false;
  std::uint32_t FForeground = 0;
  std::uint32_t FBackground = 0;
};

bool SameShape(const CellGrid& a, const CellGrid& b) {
  return a.Columns == b.Columns && a.Rows == b.Rows;
}

// Most rows are unchanged from frame to frame: one comparison of the whole
// row says so.
bool SameRow(const CellGrid& a, const CellGrid& b, std::int32_t row) {
  static_assert(std::has_unique_object_representations_v<TerminalCell>,
                "cells that compare equal have equal bytes");
  const std::size_t first = static_cast<std::size_t>(row) * static_cast<std::size_t>(a.Columns);
  return std::memcmp(&a.Cells[first], &b.Cells[first],
                     static_cast<std::size_t>(a.Columns) * sizeof(TerminalCell)) == 0;
}

}  // namespace

std::string EncodeChangedCells(const CellGrid* previous, const CellGrid& next, ColorMode mode,
                               std::int32_t firstScreenRow) {
  const bool everything = previous == nullptr || !SameShape(*previous, next);
  std::vector<std::size_t> changed;
  for (std::int32_t row = 0; row < next.Rows; ++row) {
    if (!everything && SameRow(*previous, next, row)) continue;
    const std::size_t first = static_cast<std::size_t>(row) * static_cast<std::size_t>(next.Columns);
    for (std::size_t cell = first; cell < first + static_cast<std::size_t>(next.Columns); ++cell) {
      if (everything || previous->Cells[cell] != next.Cells[cell]) changed.push_back(cell);
    }
  }
  return EncodeCells(next, changed, mode, firstScreenRow);
}

std::string EncodeCells(const CellGrid& grid, std::span<const std::size_t> cells, ColorMode mode,
                        std::int32_t firstScreenRow) {
  std::string out;
  Pen pen(mode);
  std::optional<std::int32_t> cursorRow;
  std::int32_t cursorColumn = 0;
  for (const std::size_t index : cells) {
    const auto row = static_cast<std::int32_t>(index / static_cast<std::size_t>(grid.Columns));
    const auto column = static_cast<std::int32_t>(index % static_cast<std::size_t>(grid.Columns));
    const std::int32_t screenRow = firstScreenRow + row;
    if (cursorRow != screenRow || cursorColumn != column) {
      AppendCursorMove(out, screenRow, column + 1);
    }
    const CellLook look = LookOf(grid.Cells[index]);
    pen.Select(look.Foreground, look.Background, out);
    out += look.Glyph;
    // In the last column the cursor waits to wrap: place it anew.
    cursorRow = column + 1 < grid.Columns ? std::optional(screenRow) : std::nullopt;
    cursorColumn = column + 1;
  }
  if (!out.empty()) out += "\x1b[0m";
  return out;
}

std::string EncodeTextRow(const std::string& text, std::int32_t row, std::int32_t columns) {
  // Cleared before writing: a full row leaves the cursor on its last
  // character, which clearing afterwards would erase.
  return CursorTo(row, 1) + "\x1b[0m\x1b[K" + ClipToColumns(text, columns);
}

std::string WrapAsOneUpdate(const std::string& body) {
  return "\x1b[?2026h" + body + "\x1b[?2026l";
}

}  // namespace kivo
