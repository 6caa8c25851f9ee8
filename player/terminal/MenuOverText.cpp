#include "player/terminal/MenuOverText.h"

#include <algorithm>

namespace kivo {

namespace {

constexpr std::int32_t kDefaultColumn = 1;
constexpr std::int32_t kDefaultRow = 0;

// The new boxes lie over every old one where it was: nothing is uncovered.
bool StillCovered(const std::vector<MenuBox>& before, const std::vector<MenuBox>& after) {
  return before.size() <= after.size() && std::equal(before.begin(), before.end(), after.begin());
}

}  // namespace

void TMenuOverText::AnchorAt(std::int32_t column, std::int32_t row) {
  FAnchorColumn = column;
  FAnchorRow = row;
}

bool TMenuOverText::Show(const TShownMenu& menu) {
  if (menu == FMenu) return false;
  FMenu = menu;
  std::vector<MenuBox> boxes = LayOutMenuText(FMenu, FColumns, FRows, FAnchorColumn, FAnchorRow);
  const bool uncovered = !StillCovered(FBoxes, boxes);
  FBoxes = std::move(boxes);
  FDrawn = false;
  if (FMenu.empty()) AnchorAt(kDefaultColumn, kDefaultRow);
  return uncovered;
}

void TMenuOverText::Resize(std::int32_t columns, std::int32_t rows) {
  FColumns = columns;
  FRows = rows;
  FBoxes = LayOutMenuText(FMenu, FColumns, FRows, FAnchorColumn, FAnchorRow);
  FDrawn = false;
}

std::string TMenuOverText::Over(bool frameWritten) {
  if (FMenu.empty() || (FDrawn && !frameWritten)) return {};
  FDrawn = true;
  return EncodeMenuText(FMenu, FBoxes);
}

}  // namespace kivo
