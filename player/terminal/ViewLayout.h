// Where the visualisation window lands on the terminal: each character cell
// shows two pixels, one above the other, so the picture area is Columns
// pixels wide and 2 * Rows pixels high. A window larger than that is scaled
// down to fit, keeping its aspect; a smaller one is shown unscaled, centred.
#pragma once

#include <cstdint>
#include <optional>

namespace kivo {

struct WindowPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  bool operator==(const WindowPoint&) const = default;
};

// A rectangle of window pixels, right and bottom edges excluded.
struct WindowBox {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
  bool operator==(const WindowBox&) const = default;
};

struct ViewLayout {
  std::int32_t WindowWidth = 0;  // the window, in its own pixels
  std::int32_t WindowHeight = 0;
  std::int32_t Columns = 0;  // the cell grid of the picture area
  std::int32_t Rows = 0;
  std::int32_t PictureWidth = 0;  // the window as shown, in half-cell pixels
  std::int32_t PictureHeight = 0;
  std::int32_t Left = 0;  // where the picture starts in the area, in half-cell pixels
  std::int32_t Top = 0;

  bool operator==(const ViewLayout&) const = default;

  // The window pixels that the picture pixel (x, y) shows, averaged; one
  // pixel when the window is not scaled. (x, y) must lie inside the picture.
  WindowBox SourceBox(std::int32_t x, std::int32_t y) const;
  // The window pixel at the centre of that box, where a click on it lands.
  WindowPoint SourcePixel(std::int32_t x, std::int32_t y) const;

  // The window pixel under the cell (column, row), counted from 0 at the
  // area's top-left: its upper pixel, or its lower one when only that lies
  // on the picture. Nothing when the cell lies beside the picture.
  std::optional<WindowPoint> WindowPointAt(std::int32_t column, std::int32_t row) const;
};

// The layout of a window of the given size in an area of columns x rows cells.
ViewLayout FitWindow(std::int32_t windowWidth, std::int32_t windowHeight, std::int32_t columns,
                     std::int32_t rows);

}  // namespace kivo
