// A small fixed-width font for what the desktop window writes over and
// below the picture (the menu, the status strip): the printable ASCII
// characters as 5 x 7 pixels; anything else is drawn as '?'.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kivo {

inline constexpr std::int32_t kGlyphWidth = 5;
inline constexpr std::int32_t kGlyphHeight = 7;
// A character's cell: the glyph and a column of space beside it.
inline constexpr std::int32_t kGlyphCellWidth = kGlyphWidth + 1;

// The glyph's rows from the top, bit 4 the leftmost pixel.
const std::array<std::uint8_t, kGlyphHeight>& GlyphOf(char32_t character);

// The code points of UTF-8 text made safe by the terminal's clipping
// (ClipToColumns), which leaves no broken sequence.
std::u32string CodePoints(std::string_view text);

// Draws the characters' glyphs from (x, y), one cell after another, each
// font pixel a `pixel` x `pixel` square of `colour`; the pixels between
// them are left as they are.
void DrawGlyphs(SDL_Surface& surface, std::u32string_view text, std::int32_t x, std::int32_t y,
                std::int32_t pixel, Uint32 colour);

}  // namespace kivo
