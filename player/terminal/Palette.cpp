#include "player/terminal/Palette.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <numbers>
#include <string_view>

namespace kivo {

namespace {

constexpr std::array<int, 6> kCubeLevels = {0, 95, 135, 175, 215, 255};
constexpr int kCubeStart = 16;
constexpr int kGreyStart = 232;
constexpr int kGreySteps = 24;
constexpr int kEntries = 256 - kCubeStart;
// A colour of this chroma or more reads as coloured, and an entry of less
// than kNeutralChroma as grey: a coloured one keeps a coloured entry, so
// that a dark blue stays blue instead of the grey it is nearest in
// lightness.
constexpr double kColouredChroma = 10.0;
constexpr double kNeutralChroma = 5.0;

int GreyLevel(int step) { return 8 + 10 * step; }

Rgb EntryRgb(int index) {
  if (index >= kGreyStart) {
    const auto level = static_cast<std::uint8_t>(GreyLevel(index - kGreyStart));
    return {level, level, level};
  }
  const int cube = index - kCubeStart;
  return {static_cast<std::uint8_t>(kCubeLevels[static_cast<std::size_t>(cube / 36)]),
          static_cast<std::uint8_t>(kCubeLevels[static_cast<std::size_t>(cube / 6 % 6)]),
          static_cast<std::uint8_t>(kCubeLevels[static_cast<std::size_t>(cube % 6)])};
}

struct TLab {
  double L;
  double A;
  double B;
  double Chroma() const { return std::hypot(A, B); }
};

double LinearChannel(std::uint8_t value) {
  const double c = value / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// sRGB to CIE L*a*b* under the D65 white.
TLab LabOf(Rgb color) {
  const double r = LinearChannel(color.Red);
  const double g = LinearChannel(color.Green);
  const double b = LinearChannel(color.Blue);
  const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
  const auto f = [](double t) {
    return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0;
  };
  return {116.0 * f(y) - 16.0, 500.0 * (f(x) - f(y)), 200.0 * (f(y) - f(z))};
}

double Degrees(double radians) { return radians * 180.0 / std::numbers::pi; }
double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// CIEDE2000 colour difference (kL = kC = kH = 1).
double DeltaE2000(const TLab& first, const TLab& second) {
  const double meanChroma = (first.Chroma() + second.Chroma()) / 2.0;
  const double g7 = std::pow(meanChroma, 7.0);
  const double g = 0.5 * (1.0 - std::sqrt(g7 / (g7 + std::pow(25.0, 7.0))));
  const double a1 = (1.0 + g) * first.A;
  const double a2 = (1.0 + g) * second.A;
  const double c1 = std::hypot(a1, first.B);
  const double c2 = std::hypot(a2, second.B);
  const double h1 = c1 == 0.0 ? 0.0 : std::fmod(Degrees(std::atan2(first.B, a1)) + 360.0, 360.0);
  const double h2 = c2 == 0.0 ? 0.0 : std::fmod(Degrees(std::atan2(second.B, a2)) + 360.0, 360.0);
  double dh = 0.0;
  if (c1 * c2 != 0.0) {
    dh = h2 - h1;
    if (dh > 180.0) dh -= 360.0;
    if (dh < -180.0) dh += 360.0;
  }
  const double dL = second.L - first.L;
  const double dC = c2 - c1;
  const double dH = 2.0 * std::sqrt(c1 * c2) * std::sin(Radians(dh / 2.0));
  const double meanL = (first.L + second.L) / 2.0;
  const double meanC = (c1 + c2) / 2.0;
  double meanH = h1 + h2;
  if (c1 * c2 != 0.0) {
    meanH = std::abs(h1 - h2) <= 180.0 ? (h1 + h2) / 2.0
            : h1 + h2 < 360.0          ? (h1 + h2 + 360.0) / 2.0
                                       : (h1 + h2 - 360.0) / 2.0;
  }
  const double t = 1.0 - 0.17 * std::cos(Radians(meanH - 30.0)) +
                   0.24 * std::cos(Radians(2.0 * meanH)) +
                   0.32 * std::cos(Radians(3.0 * meanH + 6.0)) -
                   0.20 * std::cos(Radians(4.0 * meanH - 63.0));
  const double rotation = 30.0 * std::exp(-std::pow((meanH - 275.0) / 25.0, 2.0));
  const double c7 = std::pow(meanC, 7.0);
  const double rc = 2.0 * std::sqrt(c7 / (c7 + std::pow(25.0, 7.0)));
  const double lightnessOffset = (meanL - 50.0) * (meanL - 50.0);
  const double sl = 1.0 + 0.015 * lightnessOffset / std::sqrt(20.0 + lightnessOffset);
  const double sc = 1.0 + 0.045 * meanC;
  const double sh = 1.0 + 0.015 * meanC * t;
  const double rt = -std::sin(Radians(2.0 * rotation)) * rc;
  return std::sqrt((dL / sl) * (dL / sl) + (dC / sc) * (dC / sc) + (dH / sh) * (dH / sh) +
                   rt * (dC / sc) * (dH / sh));
}

const std::array<TLab, kEntries>& EntryLabs() {
  static const std::array<TLab, kEntries> labs = [] {
    std::array<TLab, kEntries> made{};
    for (int i = 0; i < kEntries; ++i)
      made[static_cast<std::size_t>(i)] = LabOf(EntryRgb(kCubeStart + i));
    return made;
  }();
  return labs;
}

int SearchNearest(Rgb color) {
  const TLab lab = LabOf(color);
  const bool coloured = lab.Chroma() >= kColouredChroma;
  const std::array<TLab, kEntries>& entries = EntryLabs();
  int best = kCubeStart;
  double bestDistance = INFINITY;
  for (int i = 0; i < kEntries; ++i) {
    const TLab& entry = entries[static_cast<std::size_t>(i)];
    if (coloured && entry.Chroma() < kNeutralChroma) continue;
    const double distance = DeltaE2000(lab, entry);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = kCubeStart + i;
    }
  }
  return best;
}

// The search costs a few tens of microseconds; a picture has few colours,
// so each thread keeps the answers it found, one slot per hash of the colour.
class TNearestCache {
 public:
  int Nearest(Rgb color) {
    const std::uint32_t key = (std::uint32_t{color.Red} << 16) | (std::uint32_t{color.Green} << 8) |
                              color.Blue;
    TSlot& slot = FSlots[(key * 2654435761u) >> (32 - kSlotBits)];
    if (!slot.Filled || slot.Key != key) slot = {key, SearchNearest(color), true};
    return slot.Index;
  }

 private:
  static constexpr int kSlotBits = 12;
  struct TSlot {
    std::uint32_t Key = 0;
    int Index = 0;
    bool Filled = false;
  };
  std::array<TSlot, std::size_t{1} << kSlotBits> FSlots{};
};

void AppendNumber(std::string& text, int number) {
  char digits[12];
  const auto written = std::to_chars(std::begin(digits), std::end(digits), number);
  text.append(digits, written.ptr);
}

void AppendColorParameters(std::string& text, std::string_view selector, Rgb color,
                           ColorMode mode) {
  text += selector;
  if (mode == ColorMode::TrueColor) {
    text += ";2;";
    AppendNumber(text, color.Red);
    text += ';';
    AppendNumber(text, color.Green);
    text += ';';
    AppendNumber(text, color.Blue);
  } else {
    text += ";5;";
    AppendNumber(text, NearestXterm256(color));
  }
}

}  // namespace

ColorMode DetectColorMode(const char* colorterm) {
  if (colorterm == nullptr) return ColorMode::Palette256;
  const std::string_view value(colorterm);
  return value == "truecolor" || value == "24bit" ? ColorMode::TrueColor : ColorMode::Palette256;
}

int NearestXterm256(Rgb color) {
  thread_local TNearestCache cache;
  return cache.Nearest(color);
}

std::string ForegroundParameters(Rgb color, ColorMode mode) {
  std::string text;
  AppendForegroundParameters(text, color, mode);
  return text;
}

std::string BackgroundParameters(Rgb color, ColorMode mode) {
  std::string text;
  AppendBackgroundParameters(text, color, mode);
  return text;
}

void AppendForegroundParameters(std::string& out, Rgb color, ColorMode mode) {
  AppendColorParameters(out, "38", color, mode);
}

void AppendBackgroundParameters(std::string& out, Rgb color, ColorMode mode) {
  AppendColorParameters(out, "48", color, mode);
}

}  // namespace kivo
