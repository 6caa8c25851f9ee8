#include "player/LevelsLine.h"

#include <algorithm>
#include <array>

namespace kivo {

namespace {

void AppendJsonLevels(std::string& line, const char* name, const TBandLevels& levels) {
  line += ",\"";
  line += name;
  line += "\":[";
  for (std::size_t band = 0; band < levels.size(); ++band) {
    if (band > 0) line += ',';
    line += std::to_string(levels[band]);
  }
  line += ']';
}

void AppendJson(std::size_t block, const TBlockLevels& levels, std::string& line) {
  line += "{\"block\":";
  line += std::to_string(block);
  if (levels.Cleared) {
    line += ",\"clear\":true}\n";
    return;
  }
  AppendJsonLevels(line, "left", levels.Left);
  AppendJsonLevels(line, "right", levels.Right);
  line += "}\n";
}

void AppendBars(std::string& text, const TBandLevels& levels, bool cleared) {
  for (const std::int32_t level : levels) text += cleared ? " " : LevelBar(level);
}

TBandLevels Mixed(const TBandLevels& left, const TBandLevels& right) {
  TBandLevels mix{};
  for (std::size_t band = 0; band < mix.size(); ++band) {
    const std::int32_t sum = std::max(left[band], 0) + std::max(right[band], 0);
    mix[band] = (sum + 1) / 2;
  }
  return mix;
}

bool Silent(const TBlockLevels& levels) {
  const auto quiet = [](std::int32_t level) { return level <= 0; };
  return levels.Cleared || (std::all_of(levels.Left.begin(), levels.Left.end(), quiet) &&
                            std::all_of(levels.Right.begin(), levels.Right.end(), quiet));
}

}  // namespace

const char* LevelBar(std::int32_t level) {
  static constexpr std::array<const char*, 8> kHeights = {"▁", "▂", "▃", "▄",
                                                          "▅", "▆", "▇", "█"};
  if (level <= 0) return " ";
  const std::int32_t height = (std::min(level, 10) * 8 + 5) / 10;
  return kHeights[static_cast<std::size_t>(height - 1)];
}

std::string BarsText(const TBlockLevels& levels, TLevelsChannels channels) {
  std::string text;
  switch (channels) {
    case TLevelsChannels::Left:
      AppendBars(text, levels.Left, levels.Cleared);
      break;
    case TLevelsChannels::Right:
      AppendBars(text, levels.Right, levels.Cleared);
      break;
    case TLevelsChannels::Both:
      AppendBars(text, levels.Left, levels.Cleared);
      AppendBars(text, levels.Right, levels.Cleared);
      break;
    case TLevelsChannels::Mix:
      AppendBars(text, Mixed(levels.Left, levels.Right), levels.Cleared);
      break;
  }
  return text;
}

void AppendLevelsLine(std::size_t block, const TBlockLevels& levels, TLevelsFormat format,
                      TLevelsChannels channels, std::string& line) {
  switch (format) {
    case TLevelsFormat::Json:
      AppendJson(block, levels, line);
      return;
    case TLevelsFormat::Bars:
      line += BarsText(levels, channels);
      line += '\n';
      return;
    case TLevelsFormat::Waybar:
      // The bars hold no character that JSON must escape.
      line += "{\"text\":\"";
      line += BarsText(levels, channels);
      line += "\",\"class\":\"";
      line += Silent(levels) ? "silent" : "playing";
      line += "\"}\n";
      return;
  }
}

}  // namespace kivo
