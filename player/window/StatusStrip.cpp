#include "player/window/StatusStrip.h"

#include <algorithm>
#include <limits>

#include "player/terminal/TextWidth.h"
#include "player/terminal/TransportBar.h"

namespace kivo {

namespace {

// The menu's colours: a face as the desktop's classic controls have it, a
// button held down as a chosen menu line.
struct TRgb {
  Uint8 Red, Green, Blue;
};
constexpr TRgb kFace{0xD4, 0xD0, 0xC8};
constexpr TRgb kButtonFace{0xFF, 0xFF, 0xFF};
constexpr TRgb kShadow{0x80, 0x80, 0x80};
constexpr TRgb kText{0x00, 0x00, 0x00};
constexpr TRgb kHeldFace{0x0A, 0x24, 0x6A};
constexpr TRgb kHeldText{0xFF, 0xFF, 0xFF};

Uint32 Mapped(const SDL_Surface& surface, TRgb colour) {
  return SDL_MapRGB(surface.format, colour.Red, colour.Green, colour.Blue);
}

// The strip's grid of character cells at a placement.
struct TCells {
  std::int32_t Pixel;  // a font pixel's side
  std::int32_t Left;   // the first cell's left edge
  std::int32_t Width;  // a cell's width
  std::int32_t Count;  // whole cells in the window's width

  TCells(const PicturePlacement& placement, std::int32_t windowWidth)
      : Pixel(placement.Scale),
        Left(kStatusStripPadding * Pixel),
        Width(kGlyphCellWidth * Pixel),
        Count(std::max(0, (windowWidth - Left) / Width)) {}
};

// The cells of one button: [First, Last].
struct TButtonCells {
  TTransportButton Button;
  std::int32_t First;
  std::int32_t Last;
};

template <typename TVisit>
void ForEachButton(std::int32_t columns, TVisit visit) {
  std::optional<TButtonCells> run;
  const auto barColumns = static_cast<std::int32_t>(TransportBarText().size());
  for (std::int32_t column = 0; column <= barColumns; ++column) {
    const std::optional<TTransportButton> button = TransportButtonAt(column);
    if (run && button == run->Button) {
      run->Last = column;
      continue;
    }
    if (run && run->Last < columns) visit(*run);
    run.reset();
    if (button) run = TButtonCells{*button, column, column};
  }
}

std::int32_t TextTop(const PicturePlacement& placement) {
  return placement.StripTop + kStatusStripPadding * placement.Scale;
}

// A button's box: a font pixel beyond its glyphs on each side.
SDL_Rect BoxOf(const TButtonCells& button, const TCells& cells, const PicturePlacement& placement) {
  const std::int32_t pixel = cells.Pixel;
  return {cells.Left + button.First * cells.Width - pixel, TextTop(placement) - pixel,
          (button.Last - button.First + 1) * cells.Width + pixel, (kGlyphHeight + 2) * pixel};
}

}  // namespace

std::optional<TTransportButton> HeldButton(const PlayerStatus& status) {
  if (status.Stopped) return tbStop;
  if (status.Paused) return tbPlayPause;
  return std::nullopt;
}

bool TStatusStrip::Show(const std::string& text, std::optional<TTransportButton> held) {
  if (FShown && text == FText && held == FHeld) return false;
  FShown = true;
  FText = text;
  FHeld = held;
  FLine =
      CodePoints(TransportBarText() + ClipToColumns(text, std::numeric_limits<std::int32_t>::max()));
  return true;
}

SDL_Rect TStatusStrip::Draw(SDL_Surface& surface, const PicturePlacement& placement) const {
  const SDL_Rect strip{0, placement.StripTop, surface.w, placement.StripHeight};
  if (strip.w <= 0 || strip.h <= 0) return {0, 0, 0, 0};
  SDL_FillRect(&surface, &strip, Mapped(surface, kFace));
  const TCells cells(placement, surface.w);
  const std::int32_t pixel = cells.Pixel;
  const std::int32_t textTop = TextTop(placement);
  ForEachButton(cells.Count, [&](const TButtonCells& button) {
    const bool held = button.Button == FHeld;
    const SDL_Rect box = BoxOf(button, cells, placement);
    SDL_FillRect(&surface, &box, Mapped(surface, held ? kHeldFace : kButtonFace));
    if (!held) {
      const SDL_Rect bottom{box.x, box.y + box.h - pixel, box.w, pixel};
      const SDL_Rect right{box.x + box.w - pixel, box.y, pixel, box.h};
      SDL_FillRect(&surface, &bottom, Mapped(surface, kShadow));
      SDL_FillRect(&surface, &right, Mapped(surface, kShadow));
    }
    DrawGlyphs(surface,
               std::u32string_view(FLine).substr(static_cast<std::size_t>(button.First),
                                                 static_cast<std::size_t>(button.Last - button.First + 1)),
               cells.Left + button.First * cells.Width, textTop, pixel,
               Mapped(surface, held ? kHeldText : kText));
  });
  const auto barColumns = static_cast<std::int32_t>(TransportBarText().size());
  if (cells.Count > barColumns) {
    const std::u32string_view text = std::u32string_view(FLine).substr(
        static_cast<std::size_t>(barColumns),
        static_cast<std::size_t>(cells.Count - barColumns));
    DrawGlyphs(surface, text, cells.Left + barColumns * cells.Width, textTop, pixel,
               Mapped(surface, kText));
  }
  return strip;
}

std::optional<TTransportButton> TStatusStrip::ButtonAt(const PicturePlacement& placement,
                                                       std::int32_t width, std::int32_t x,
                                                       std::int32_t y) {
  if (placement.StripHeight <= 0) return std::nullopt;
  const TCells cells(placement, width);
  const SDL_Point point{x, y};
  std::optional<TTransportButton> hit;
  ForEachButton(cells.Count, [&](const TButtonCells& button) {
    const SDL_Rect box = BoxOf(button, cells, placement);
    if (SDL_PointInRect(&point, &box) == SDL_TRUE) hit = button.Button;
  });
  return hit;
}

}  // namespace kivo
