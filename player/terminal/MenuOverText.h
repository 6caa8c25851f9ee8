// The open menu over the terminal view's picture: where its boxes lie,
// when they have to be drawn again (the frame's cells were written over
// them, or the menu changed), and when the picture under them has to be
// drawn again (the menu closed or shrank).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "player/menu/MenuNavigation.h"
#include "player/terminal/MenuText.h"

namespace kivo {

class TMenuOverText {
 public:
  bool IsOpen() const { return !FMenu.empty(); }

  // The cell of a right click: the menu opened next starts there.
  void AnchorAt(std::int32_t column, std::int32_t row);
  // Takes the menu to show (empty: none); true when cells it covered are
  // uncovered, so that the picture must be drawn again there.
  bool Show(const TShownMenu& menu);
  // A new screen size: the boxes are laid out again and drawn.
  void Resize(std::int32_t columns, std::int32_t rows);

  // What to write after a frame's output: the boxes, when they changed or
  // the frame wrote anything (which may have covered them); else nothing.
  std::string Over(bool frameWritten);

  std::optional<TMenuSpot> SpotAt(std::int32_t column, std::int32_t row) const {
    return MenuSpotAt(FBoxes, column, row);
  }

 private:
  TShownMenu FMenu;
  std::vector<MenuBox> FBoxes;
  std::int32_t FColumns = 0;
  std::int32_t FRows = 0;
  // Where the first box starts; a right click moves it, a close puts it back.
  std::int32_t FAnchorColumn = 1;
  std::int32_t FAnchorRow = 0;
  bool FDrawn = false;
};

}  // namespace kivo
