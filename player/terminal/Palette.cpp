#include "player/terminal/Palette.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <iterator>
#include <string_view>

namespace kivo {

namespace {

constexpr std::array<int, 6> kCubeLevels = {0, 95, 135, 175, 215, 255};
constexpr int kCubeStart = 16;
constexpr int kGreyStart = 232;
constexpr int kGreySteps = 24;

int GreyLevel(int step) { return 8 + 10 * step; }

int NearestCubeStep(int value) {
  int best = 0;
  for (int step = 1; step < static_cast<int>(kCubeLevels.size()); ++step) {
    if (std::abs(kCubeLevels[step] - value) < std::abs(kCubeLevels[best] - value)) best = step;
  }
  return best;
}

int NearestGreyStep(int value) {
  int best = 0;
  for (int step = 1; step < kGreySteps; ++step) {
    if (std::abs(GreyLevel(step) - value) < std::abs(GreyLevel(best) - value)) best = step;
  }
  return best;
}

int SquaredDistance(Rgb color, int red, int green, int blue) {
  const int dr = color.Red - red;
  const int dg = color.Green - green;
  const int db = color.Blue - blue;
  return dr * dr + dg * dg + db * db;
}

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
  const int r = NearestCubeStep(color.Red);
  const int g = NearestCubeStep(color.Green);
  const int b = NearestCubeStep(color.Blue);
  const int cubeDistance = SquaredDistance(color, kCubeLevels[r], kCubeLevels[g], kCubeLevels[b]);

  const int grey = NearestGreyStep((color.Red + color.Green + color.Blue) / 3);
  const int greyDistance =
      SquaredDistance(color, GreyLevel(grey), GreyLevel(grey), GreyLevel(grey));

  if (greyDistance < cubeDistance) return kGreyStart + grey;
  return kCubeStart + 36 * r + 6 * g + b;
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
