// Runs the terminal view in a real terminal, tmux, as a person would: the
// view appears, keys and clicks reach it, and q gives the screen back.
#include <gtest/gtest.h>

#include <string>

#include "tests/player/TmuxTestSupport.h"

namespace {

using namespace kivo_test;

// Starts the demo in an 80 x 24 pane; the shell stays after the program, so
// that the screen it leaves is seen.
CommandResult StartDemo(const Tmux& tmux, const std::string& colorterm) {
  const std::string program = std::string("printf 'NORMAL-SCREEN\\n'; ") + DEMO_PROGRAM +
                              "; echo \"EXIT-STATUS=$?\"; sleep 600";
  return tmux.Run("new-session -d -s view -x 80 -y 24 -e COLORTERM=" + colorterm + " " +
                  Quoted(program));
}

TEST(TerminalInTmuxTest, TheViewAppearsFollowsKeysAndClicksAndQuitRestoresTheScreen) {
  Tmux tmux;
  const CommandResult started = StartDemo(tmux, "truecolor");
  if (started.Status != 0) GTEST_SKIP() << "tmux cannot start: " << started.Output;

  ASSERT_TRUE(tmux.WaitForText("mode 0")) << tmux.Pane();
  const std::string first = tmux.Pane();
  EXPECT_NE(first.find(kUpperHalf), std::string::npos);
  EXPECT_NE(first.find("38;2;"), std::string::npos) << "24-bit colour";
  EXPECT_EQ(first.find("NORMAL-SCREEN"), std::string::npos) << "the view has its own screen";
  EXPECT_EQ(tmux.Format("#{alternate_on}#{cursor_flag}#{wrap_flag}#{mouse_sgr_flag}"), "1001");
  EXPECT_NE(LineOf(first, 23).find("mode 0"), std::string::npos) << "the status on the last row";

  tmux.Run("send-keys -t view 3");
  ASSERT_TRUE(tmux.WaitForText("mode 3")) << tmux.Pane();
  EXPECT_NE(tmux.Pane(), first) << "the picture follows the mode";

  // The window (160 x 60) is shown at half size, 80 x 30 pixels centred in
  // 80 x 46: cell (column 10, row 5) holds picture pixel (10, 2), which
  // shows window pixel (21, 5).
  tmux.Run("send-keys -t view -l " + Quoted("\x1b[<0;11;6M"));
  ASSERT_TRUE(tmux.WaitForText("click 21,5")) << tmux.Pane();

  // A larger terminal: everything is drawn again, the status on its new last row.
  tmux.Run("resize-window -t view -x 100 -y 30");
  ASSERT_TRUE(tmux.WaitFor([](const std::string& pane) {
    return LineOf(pane, 29).find("mode 3") != std::string::npos;
  })) << tmux.Pane();
  EXPECT_EQ(tmux.Pane().find("NORMAL-SCREEN"), std::string::npos);

  tmux.Run("send-keys -t view q");
  ASSERT_TRUE(tmux.WaitForText("EXIT-STATUS=")) << tmux.Pane();
  const std::string after = tmux.Pane();
  EXPECT_NE(after.find("EXIT-STATUS=0"), std::string::npos) << after;
  EXPECT_NE(after.find("NORMAL-SCREEN"), std::string::npos) << after;
  EXPECT_EQ(after.find(kUpperHalf), std::string::npos) << after;
  EXPECT_EQ(tmux.Format("#{alternate_on}#{cursor_flag}#{wrap_flag}#{mouse_sgr_flag}"), "0110");
  EXPECT_EQ(tmux.Format("#{mouse_any_flag}#{mouse_button_flag}#{mouse_standard_flag}"), "000");
}

TEST(TerminalInTmuxTest, WithoutTwentyFourBitColourThePaletteIsUsed) {
  Tmux tmux;
  const CommandResult started = StartDemo(tmux, "''");
  if (started.Status != 0) GTEST_SKIP() << "tmux cannot start: " << started.Output;
  ASSERT_TRUE(tmux.WaitForText("mode 0")) << tmux.Pane();
  const std::string pane = tmux.Pane();
  EXPECT_EQ(pane.find("38;2;"), std::string::npos) << pane;
  EXPECT_NE(pane.find("38;5;"), std::string::npos) << pane;
  tmux.Run("send-keys -t view q");
  EXPECT_TRUE(tmux.WaitForText("EXIT-STATUS=0")) << tmux.Pane();
}

}  // namespace
