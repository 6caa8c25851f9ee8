#include "player/LevelsLine.h"

#include <gtest/gtest.h>

#include <string>

namespace kivo {
namespace {

TBlockLevels Levels(const TBandLevels& left, const TBandLevels& right) {
  TBlockLevels levels;
  levels.Left = left;
  levels.Right = right;
  return levels;
}

TEST(LevelsLineTest, EachLevelHasItsHeightAndOutOfRangeLevelsAreClamped) {
  // Rounded to the nearest of the eight heights: only 10 fills the cell.
  const char* const heights[] = {" ", "▁", "▂", "▂", "▃", "▄", "▅", "▆", "▆", "▇", "█"};
  for (std::int32_t level = 0; level <= 10; ++level) {
    EXPECT_STREQ(LevelBar(level), heights[level]) << level;
  }
  EXPECT_STREQ(LevelBar(-7), " ");
  EXPECT_STREQ(LevelBar(11), "█");
  EXPECT_STREQ(LevelBar(INT32_MAX), "█");
  EXPECT_STREQ(LevelBar(INT32_MIN), " ");
}

TEST(LevelsLineTest, ChannelsChooseWhichLevelsTheBarsShow) {
  const TBlockLevels levels = Levels({10, 0, 5, 0, 0, 0, 0, 0, 0, 1}, {0, 10, 6, 0, 0, 0, 0, 0, 0, -3});
  EXPECT_EQ(BarsText(levels, TLevelsChannels::Left), "█ ▄      ▁");
  EXPECT_EQ(BarsText(levels, TLevelsChannels::Right), " █▅       ");
  EXPECT_EQ(BarsText(levels, TLevelsChannels::Both), "█ ▄      ▁ █▅       ");
  // The mean rounds up, and a negative level counts as 0.
  EXPECT_EQ(BarsText(levels, TLevelsChannels::Mix), "▄▄▅      ▁");
}

TEST(LevelsLineTest, AClearedBlockShowsAsSilenceInEveryFormat) {
  TBlockLevels levels = Levels({9, 9, 9, 9, 9, 9, 9, 9, 9, 9}, {9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
  levels.Cleared = true;
  std::string line;
  AppendLevelsLine(4, levels, TLevelsFormat::Json, TLevelsChannels::Both, line);
  EXPECT_EQ(line, "{\"block\":4,\"clear\":true}\n");
  line.clear();
  AppendLevelsLine(4, levels, TLevelsFormat::Bars, TLevelsChannels::Left, line);
  EXPECT_EQ(line, "          \n");
  line.clear();
  AppendLevelsLine(4, levels, TLevelsFormat::Waybar, TLevelsChannels::Mix, line);
  EXPECT_EQ(line, "{\"text\":\"          \",\"class\":\"silent\"}\n");
}

TEST(LevelsLineTest, WaybarSaysPlayingOnlyWhenSomeLevelShows) {
  std::string line;
  AppendLevelsLine(0, Levels({}, {0, 0, 0, 0, 0, 0, 0, 0, 0, -2}), TLevelsFormat::Waybar,
                   TLevelsChannels::Left, line);
  EXPECT_EQ(line, "{\"text\":\"          \",\"class\":\"silent\"}\n");
  line.clear();
  AppendLevelsLine(0, Levels({}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 2}), TLevelsFormat::Waybar,
                   TLevelsChannels::Left, line);
  EXPECT_EQ(line, "{\"text\":\"          \",\"class\":\"playing\"}\n")
      << "the class follows both channels, whichever the bars show";
}

}  // namespace
}  // namespace kivo
