// A small fixed-width font for the menu drawn in the desktop window: the
// printable ASCII characters as 5 x 7 pixels; anything else is drawn as
// '?'.
#pragma once

#include <array>
#include <cstdint>

namespace kivo {

inline constexpr std::int32_t kGlyphWidth = 5;
inline constexpr std::int32_t kGlyphHeight = 7;

// The glyph's rows from the top, bit 4 the leftmost pixel.
const std::array<std::uint8_t, kGlyphHeight>& GlyphOf(char32_t character);

}  // namespace kivo
