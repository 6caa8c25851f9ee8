#include "player/window/MenuPicture.h"

#include <algorithm>
#include <string>

#include "player/window/MenuFont.h"

namespace kivo {

namespace {

// A character cell: the glyph with a pixel beside it, and three rows
// above and below it (in font pixels).
constexpr std::int32_t kCellWidth = kGlyphCellWidth;
constexpr std::int32_t kLinePadding = 3;
constexpr std::int32_t kCellHeight = kGlyphHeight + 2 * kLinePadding;

struct TColours {
  Uint32 Text;
  Uint32 Back;
};

TColours ColoursOf(const SDL_PixelFormat& format, const TMenuEntry& entry, bool chosen) {
  const Uint32 face = SDL_MapRGB(&format, 0xD4, 0xD0, 0xC8);
  if (!entry.Enabled) return {SDL_MapRGB(&format, 0x80, 0x80, 0x80), face};
  if (chosen) return {SDL_MapRGB(&format, 0xFF, 0xFF, 0xFF), SDL_MapRGB(&format, 0x0A, 0x24, 0x6A)};
  return {SDL_MapRGB(&format, 0, 0, 0), face};
}

bool Meet(const SDL_Rect& a, const SDL_Rect& b) { return SDL_HasIntersection(&a, &b) == SDL_TRUE; }

}  // namespace

void TMenuOverPicture::AnchorAt(std::int32_t x, std::int32_t y) {
  FAnchorX = x;
  FAnchorY = y;
}

bool TMenuOverPicture::Show(const TShownMenu& menu) {
  if (menu == FMenu) return false;
  FMenu = menu;
  if (FMenu.empty()) {
    FBoxes.clear();
    AnchorAt(0, 0);
  }
  return true;
}

SDL_Rect TMenuOverPicture::RectOf(const MenuBox& box) const {
  const std::int32_t width = kCellWidth * FTextScale;
  const std::int32_t height = kCellHeight * FTextScale;
  return {box.Column * width, box.Row * height, box.Width * width, box.Count * height};
}

// Twice the font's size in a window scaled up, when that leaves room for a
// dozen lines; else the font as it is, so that a short window shows more.
void TMenuOverPicture::Draw(SDL_Surface& surface, std::int32_t pictureScale) {
  constexpr std::int32_t kRoomyLines = 12;
  FTextScale = pictureScale >= 2 && surface.h >= 2 * kCellHeight * kRoomyLines ? 2 : 1;
  const std::int32_t width = kCellWidth * FTextScale;
  const std::int32_t height = kCellHeight * FTextScale;
  FBoxes = LayOutMenuText(FMenu, surface.w / width, surface.h / height, FAnchorX / width,
                          FAnchorY / height);
  for (std::size_t level = 0; level < FBoxes.size(); ++level) DrawList(surface, level);
}

void TMenuOverPicture::DrawOver(SDL_Surface& surface, std::vector<SDL_Rect>& drawn) {
  const std::size_t picture = drawn.size();
  for (std::size_t level = 0; level < FBoxes.size(); ++level) {
    const SDL_Rect box = RectOf(FBoxes[level]);
    const bool covered = std::any_of(drawn.begin(), drawn.begin() + static_cast<long>(picture),
                                     [&box](const SDL_Rect& area) { return Meet(area, box); });
    // A later list lies over an earlier one: once one is drawn again, the
    // ones after it are too.
    if (!covered && drawn.size() == picture) continue;
    DrawList(surface, level);
    drawn.push_back(box);
  }
}

void TMenuOverPicture::DrawList(SDL_Surface& surface, std::size_t level) const {
  const MenuBox& box = FBoxes[level];
  const TMenuList& list = FMenu[level];
  const std::int32_t lineHeight = kCellHeight * FTextScale;
  for (std::int32_t line = 0; line < box.Count; ++line) {
    const std::int32_t index = box.First + line;
    const TMenuEntry& entry = list.Entries[static_cast<std::size_t>(index)];
    const TColours colours = ColoursOf(*surface.format, entry, index == list.Selected);
    SDL_Rect back = RectOf(box);
    back.y += line * lineHeight;
    back.h = lineHeight;
    SDL_FillRect(&surface, &back, colours.Back);
    const std::string text = MenuLine(entry, box.Width);
    DrawGlyphs(surface, CodePoints(text), back.x, back.y + kLinePadding * FTextScale, FTextScale,
               colours.Text);
  }
  // A line of the shadow colour along the list's bottom and right side.
  const SDL_Rect all = RectOf(box);
  const Uint32 shadow = SDL_MapRGB(surface.format, 0x80, 0x80, 0x80);
  const SDL_Rect bottom{all.x, all.y + all.h - 1, all.w, 1};
  const SDL_Rect right{all.x + all.w - 1, all.y, 1, all.h};
  SDL_FillRect(&surface, &bottom, shadow);
  SDL_FillRect(&surface, &right, shadow);
}

std::optional<TMenuSpot> TMenuOverPicture::SpotAt(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0) return std::nullopt;
  return MenuSpotAt(FBoxes, x / (kCellWidth * FTextScale), y / (kCellHeight * FTextScale));
}

}  // namespace kivo
