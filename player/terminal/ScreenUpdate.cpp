#include "player/terminal/ScreenUpdate.h"

#include <charconv>
#include <iterator>
#include <optional>

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
      out += foreground == kDefaultColor ? std::string("39")
                                         : ForegroundParameters(PixelRgb(foreground), FMode);
    }
    if (newBackground) {
      if (newForeground) out += ';';
      out += background == kDefaultColor ? std::string("49")
                                         : BackgroundParameters(PixelRgb(background), FMode);
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

}  // namespace

std::string EncodeChangedCells(const CellGrid* previous, const CellGrid& next, ColorMode mode,
                               std::int32_t firstScreenRow) {
  const bool everything = previous == nullptr || !SameShape(*previous, next);
  std::string out;
  Pen pen(mode);
  std::optional<std::int32_t> cursorRow;
  std::int32_t cursorColumn = 0;
  for (std::int32_t row = 0; row < next.Rows; ++row) {
    for (std::int32_t column = 0; column < next.Columns; ++column) {
      const TerminalCell& cell = next.At(column, row);
      if (!everything && previous->At(column, row) == cell) continue;
      const std::int32_t screenRow = firstScreenRow + row;
      if (cursorRow != screenRow || cursorColumn != column) {
        AppendCursorMove(out, screenRow, column + 1);
      }
      const CellLook look = LookOf(cell);
      pen.Select(look.Foreground, look.Background, out);
      out += look.Glyph;
      // In the last column the cursor waits to wrap: place it anew.
      cursorRow = column + 1 < next.Columns ? std::optional(screenRow) : std::nullopt;
      cursorColumn = column + 1;
    }
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
