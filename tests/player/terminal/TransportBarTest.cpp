// The transport buttons at the start of the terminal's status line: which
// column hits which button, the gaps none, and the keys of the views.
#include <gtest/gtest.h>

#include "player/terminal/InputDecoder.h"
#include "player/terminal/StatusLine.h"
#include "player/terminal/TerminalView.h"
#include "player/terminal/TransportBar.h"

namespace {

using namespace kivo;

TEST(TransportBarTest, ColumnsOutsideTheFacesHitNoButton) {
  for (const std::int32_t column : {-1, 4, 10, 15, 20, 21, 100})
    EXPECT_EQ(TransportButtonAt(column), std::nullopt) << column;
}

TEST(TransportBarTest, EachFaceHitsItsButtonFromItsFirstToItsLastColumn) {
  const std::string bar = TransportBarText();
  EXPECT_EQ(bar, "[|<] [>||] [[]] [>|]  ");
  const std::pair<std::int32_t, TTransportButton> hits[] = {
      {0, tbPrevious}, {3, tbPrevious}, {5, tbPlayPause}, {9, tbPlayPause},
      {11, tbStop},    {14, tbStop},    {16, tbNext},     {19, tbNext}};
  for (const auto& [column, button] : hits) {
    EXPECT_EQ(TransportButtonAt(column), button) << column;
    EXPECT_EQ(bar[static_cast<std::size_t>(column)], column == 0 || bar[column - 1] == ' ' ? '[' : bar[column]);
  }
}

PlayerStatus Song() {
  PlayerStatus status;
  status.Track = "Song";
  return status;
}

TEST(TransportBarTest, ANarrowTerminalKeepsItsStatusLineForTheStatus) {
  std::string written;
  TerminalView view({TerminalView::kButtonsFromColumns - 1, 4}, ColorMode::TrueColor,
                    [&written](std::string_view text) { written += text; });
  view.Present(TFrame{6, 6, 0xFF0000FFu}, Song());
  EXPECT_EQ(written.find("[|<]"), std::string::npos) << written;
  EXPECT_EQ(view.ButtonAt(0, 3), std::nullopt);
}

TEST(TransportBarTest, TheTerminalsStatusLineBeginsWithTheButtonsAndSaysOnTop) {
  std::string written;
  TerminalView view({TerminalView::kButtonsFromColumns + 20, 4}, ColorMode::TrueColor,
                    [&written](std::string_view text) { written += text; });
  PlayerStatus status = Song();
  status.StayOnTop = true;
  EXPECT_EQ(view.ButtonAt(0, 3), std::nullopt) << "nothing shown yet";
  view.Present(TFrame{6, 6, 0xFF0000FFu}, status);
  EXPECT_NE(written.find("[|<] [>||] [[]] [>|]  Song  0:00"), std::string::npos) << written;
  EXPECT_NE(written.find("  on top"), std::string::npos) << written;
  EXPECT_EQ(view.ButtonAt(7, 3), tbPlayPause);
  EXPECT_EQ(view.ButtonAt(7, 2), std::nullopt) << "a picture row";
  EXPECT_EQ(FormatStatus(status).find('['), std::string::npos) << "the window's title has none";
}

TEST(TransportBarTest, TAndDAreKeysOfBothViews) {
  EXPECT_EQ(KeyOfCharacter('t'), Key::T);
  EXPECT_EQ(KeyOfCharacter('d'), Key::D);
  EXPECT_EQ(KeyOfCharacter('T'), std::nullopt);
}

}  // namespace
