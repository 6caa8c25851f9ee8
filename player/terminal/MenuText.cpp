#include "player/terminal/MenuText.h"

#include <algorithm>

#include "player/terminal/TextWidth.h"

namespace kivo {

namespace {

// A space on each side, the check, the caption, the submenu mark.
constexpr std::int32_t kCheckColumns = 4;
constexpr std::int32_t kMarkColumns = 2;
constexpr std::int32_t kFrameColumns = 2 + kCheckColumns + kMarkColumns;

constexpr const char* kPlainColours = "\x1b[0;30;47m";
constexpr const char* kChosenColours = "\x1b[0;97;44m";
constexpr const char* kDisabledColours = "\x1b[0;90;47m";

// The columns of text that ClipToColumns made safe: valid UTF-8 only.
std::int32_t ColumnsOfText(const std::string& text) {
  std::int32_t columns = 0;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t character = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length && at + i < text.size(); ++i)
      character = (character << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    columns += ColumnsOf(character);
    at += length;
  }
  return columns;
}

std::int32_t WidestCaption(const TMenuList& list) {
  std::int32_t widest = 0;
  for (const TMenuEntry& entry : list.Entries)
    widest = std::max(widest, ColumnsOfText(ClipToColumns(entry.Caption, 1 << 16)));
  return widest;
}

MenuBox BoxOf(const TMenuList& list, std::int32_t columns, std::int32_t rows) {
  MenuBox box;
  box.Width = std::min(WidestCaption(list) + kFrameColumns, std::max(columns, 0));
  box.Count = std::min(static_cast<std::int32_t>(list.Entries.size()), std::max(rows, 0));
  if (list.Selected >= box.Count) box.First = list.Selected - box.Count + 1;
  return box;
}

// A box beside its parent, on the right where it fits, else on the left.
void PlaceBeside(MenuBox& box, const MenuBox& parent, std::int32_t parentLine,
                 std::int32_t columns) {
  box.Column = parent.Column + parent.Width;
  if (box.Column + box.Width > columns) box.Column = parent.Column - box.Width;
  box.Row = parent.Row + parentLine;
}

void KeepOnScreen(MenuBox& box, std::int32_t columns, std::int32_t rows) {
  box.Column = std::clamp(box.Column, 0, std::max(columns - box.Width, 0));
  box.Row = std::clamp(box.Row, 0, std::max(rows - box.Count, 0));
}

std::string CursorTo(std::int32_t row, std::int32_t column) {
  return "\x1b[" + std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H";
}

}  // namespace

std::string MenuLine(const TMenuEntry& entry, std::int32_t width) {
  const std::string check = !entry.Checkable ? "    " : entry.Checked ? " [x]" : " [ ]";
  const std::string mark = entry.IsSubmenu() ? " >" : "  ";
  const std::int32_t captionColumns = std::max(width - kFrameColumns, 0);
  const std::string caption = ClipToColumns(entry.Caption, captionColumns);
  std::string line = check + " " + caption;
  line.append(static_cast<std::size_t>(captionColumns - ColumnsOfText(caption)), ' ');
  return ClipToColumns(line + mark + " ", width);
}

std::vector<MenuBox> LayOutMenuText(const TShownMenu& menu, std::int32_t columns,
                                    std::int32_t rows, std::int32_t column, std::int32_t row) {
  std::vector<MenuBox> boxes;
  for (const TMenuList& list : menu) {
    MenuBox box = BoxOf(list, columns, rows);
    if (boxes.empty()) {
      box.Column = column;
      box.Row = row;
    } else {
      const MenuBox& parent = boxes.back();
      const TMenuList& parentList = menu[boxes.size() - 1];
      PlaceBeside(box, parent, parentList.Selected - parent.First, columns);
    }
    KeepOnScreen(box, columns, rows);
    boxes.push_back(box);
  }
  return boxes;
}

std::string EncodeMenuText(const TShownMenu& menu, const std::vector<MenuBox>& boxes) {
  std::string out;
  for (std::size_t level = 0; level < boxes.size() && level < menu.size(); ++level) {
    const MenuBox& box = boxes[level];
    const TMenuList& list = menu[level];
    for (std::int32_t line = 0; line < box.Count; ++line) {
      const std::int32_t index = box.First + line;
      const TMenuEntry& entry = list.Entries[static_cast<std::size_t>(index)];
      const char* colours = !entry.Enabled            ? kDisabledColours
                            : index == list.Selected ? kChosenColours
                                                     : kPlainColours;
      out += CursorTo(box.Row + line, box.Column) + colours + MenuLine(entry, box.Width);
    }
  }
  return out.empty() ? out : out + "\x1b[0m";
}

std::optional<TMenuSpot> MenuSpotAt(const std::vector<MenuBox>& boxes, std::int32_t column,
                                    std::int32_t row) {
  for (std::size_t level = boxes.size(); level-- > 0;) {
    const MenuBox& box = boxes[level];
    if (column >= box.Column && column < box.Column + box.Width && row >= box.Row &&
        row < box.Row + box.Count)
      return TMenuSpot{static_cast<std::int32_t>(level), box.First + row - box.Row};
  }
  return std::nullopt;
}

}  // namespace kivo
