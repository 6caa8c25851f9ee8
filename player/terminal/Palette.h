// Colour output for terminals: 24-bit SGR codes, or the nearest entry of the
// xterm 256-colour palette where the terminal lacks 24-bit colour.
#pragma once

#include <cstdint>
#include <string>

namespace kivo {

enum class ColorMode { TrueColor, Palette256 };

// TrueColor when COLORTERM (passed as its value, or null when unset) says
// "truecolor" or "24bit"; the 256-colour palette otherwise.
ColorMode DetectColorMode(const char* colorterm);

struct Rgb {
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;
  bool operator==(const Rgb&) const = default;
};

// The colour of a frame pixel (0xAABBGGRR).
constexpr Rgb PixelRgb(std::uint32_t pixel) {
  return {static_cast<std::uint8_t>(pixel & 0xFF), static_cast<std::uint8_t>((pixel >> 8) & 0xFF),
          static_cast<std::uint8_t>((pixel >> 16) & 0xFF)};
}

// The palette index 16..255 that looks nearest to a colour: the least
// CIEDE2000 difference in CIE L*a*b*, the lower index on a tie. A colour
// with visible chroma keeps an entry that has some, so that dark blues stay
// blue rather than the grey of their lightness.
int NearestXterm256(Rgb color);

// The SGR parameters that select a colour as foreground or background,
// "38;2;R;G;B" / "48;5;N" and the like, without the CSI and the final "m".
std::string ForegroundParameters(Rgb color, ColorMode mode);
std::string BackgroundParameters(Rgb color, ColorMode mode);
// The same, appended to `out`.
void AppendForegroundParameters(std::string& out, Rgb color, ColorMode mode);
void AppendBackgroundParameters(std::string& out, Rgb color, ColorMode mode);

}  // namespace kivo
