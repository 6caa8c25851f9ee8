#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/render/Repainter.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "player/terminal/TerminalView.h"

namespace {

using kivo::ColorMode;
using kivo::PlayerStatus;
using kivo::TerminalSize;
using kivo::TerminalView;
using kivo::WindowPoint;

const std::string kUpperHalf = "\u2580";

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class TerminalViewTest : public ::testing::Test {
 protected:
  TerminalView MakeView(TerminalSize size) {
    return TerminalView(size, ColorMode::TrueColor,
                        [this](std::string_view text) { FWrites.emplace_back(text); });
  }

  std::vector<std::string> FWrites;
  TFrame FFrame{6, 6, 0xFF0000FFu};
  PlayerStatus FStatus{"Track one", 65, 200, 80, 2, 1, false, ""};
};

TEST_F(TerminalViewTest, TheFirstFrameIsDrawnInOneWriteWithItsStatusLine) {
  TerminalView view = MakeView({6, 4});  // three picture rows, the status on row 4
  view.Present(FFrame, FStatus);
  ASSERT_EQ(FWrites.size(), 1u);
  EXPECT_EQ(Count(FWrites[0], kUpperHalf), 6u * 3u);
  EXPECT_NE(FWrites[0].find("\x1b[4;1H"), std::string::npos);
  EXPECT_NE(FWrites[0].find("Track"), std::string::npos);
  EXPECT_EQ(FWrites[0].rfind("\x1b[?2026h", 0), 0u);
}

TEST_F(TerminalViewTest, AnUnchangedFrameAndStatusWriteNothing) {
  TerminalView view = MakeView({6, 4});
  view.Present(FFrame, FStatus);
  view.Present(FFrame, FStatus);
  EXPECT_EQ(FWrites.size(), 1u);
}

TEST_F(TerminalViewTest, OnlyWhatChangedIsWritten) {
  TerminalView view = MakeView({60, 4});
  view.Present(FFrame, FStatus);
  FStatus.DisplayMode = 3;
  view.Present(FFrame, FStatus);
  ASSERT_EQ(FWrites.size(), 2u);
  EXPECT_EQ(Count(FWrites[1], kUpperHalf), 0u);
  EXPECT_NE(FWrites[1].find("mode 3"), std::string::npos);

  FFrame.Pixels[0] = 0xFF00FF00u;
  view.Present(FFrame, FStatus);
  ASSERT_EQ(FWrites.size(), 3u);
  EXPECT_EQ(Count(FWrites[2], kUpperHalf), 1u);
  EXPECT_EQ(FWrites[2].find("mode"), std::string::npos);
}

TEST_F(TerminalViewTest, AResizeOrARequestRedrawsEverything) {
  TerminalView view = MakeView({6, 4});
  view.Present(FFrame, FStatus);
  view.RequestRedraw();
  view.Present(FFrame, FStatus);
  ASSERT_EQ(FWrites.size(), 2u);
  EXPECT_EQ(FWrites[1], FWrites[0]);

  view.Resize({8, 6});
  view.Present(FFrame, FStatus);
  ASSERT_EQ(FWrites.size(), 3u);
  EXPECT_EQ(Count(FWrites[2], kUpperHalf), 6u * 3u);
  EXPECT_NE(FWrites[2].find("\x1b[5;1H"), std::string::npos) << "the blank row below the picture";
  EXPECT_NE(FWrites[2].find("\x1b[6;1H"), std::string::npos);
}

TEST_F(TerminalViewTest, AWindowOfAnotherSizeIsDrawnThroughItsOwnLayout) {
  TerminalView view = MakeView({6, 4});
  view.Present(FFrame, FStatus);
  const TFrame smaller(2, 2, 0xFF00FF00u);
  view.Present(smaller, FStatus);
  ASSERT_EQ(FWrites.size(), 2u);
  EXPECT_EQ(view.Layout().PictureWidth, 2);
  EXPECT_EQ(Count(FWrites[1], kUpperHalf), 1u * 2u) << "the green cells of the centred picture";
  EXPECT_EQ(Count(FWrites[1], " "), 6u * 3u - 2u) << "the rest of the old picture is cleared";
  view.Present(FFrame, FStatus);
  ASSERT_EQ(FWrites.size(), 3u);
  EXPECT_EQ(Count(FWrites[2], kUpperHalf), 6u * 3u);
}

TEST_F(TerminalViewTest, ClicksMapThroughTheLayoutOfTheLastFrame) {
  TerminalView view = MakeView({80, 24});
  const TFrame wide(400, 100, 0xFF000000u);
  view.Present(wide, FStatus);
  EXPECT_EQ(view.WindowPointAt(10, 7), (WindowPoint{52, 7}));
  EXPECT_FALSE(view.WindowPointAt(10, 2).has_value()) << "above the picture";
  EXPECT_FALSE(view.WindowPointAt(10, 23).has_value()) << "the status line";
  EXPECT_FALSE(view.WindowPointAt(-1, 7).has_value());
  EXPECT_FALSE(view.WindowPointAt(80, 7).has_value());
}

TEST_F(TerminalViewTest, ATinyTerminalStillGetsItsStatusLine) {
  TerminalView view = MakeView({10, 1});
  view.Present(FFrame, FStatus);
  ASSERT_EQ(FWrites.size(), 1u);
  EXPECT_EQ(Count(FWrites[0], kUpperHalf), 0u);
  EXPECT_NE(FWrites[0].find("Track one"), std::string::npos);
}

// A view fed a repainter's updates, which compares only where the window
// changed, writes exactly what a view fed whole frames writes; one that
// missed a paint falls back to comparing everything.
TEST(TerminalViewUpdates, APaintedWindowIsDrawnAsItsWholeFramesWouldBe) {
  TComponent owner(nullptr);
  auto* window = new TPanel(&owner);
  window->SetBounds(0, 0, 30, 20);
  window->SetBevelOuter(bvNone);
  window->SetColor(clBlack);
  std::vector<TLabel*> labels;
  for (std::int32_t i = 0; i < 8; ++i) {
    auto* label = new TLabel(&owner);
    label->SetParent(window);
    label->SetBounds(3 * i, i, 3, 4);
    labels.push_back(label);
  }
  std::vector<std::string> byUpdate;
  std::vector<std::string> byFrame;
  const auto writeTo = [](std::vector<std::string>& writes) {
    return [&writes](std::string_view text) { writes.emplace_back(text); };
  };
  TerminalView updated({20, 9}, ColorMode::TrueColor, writeTo(byUpdate));
  TerminalView framed({20, 9}, ColorMode::TrueColor, writeTo(byFrame));
  const PlayerStatus status{"Track", 1, 2, 3, 2, 1, false, ""};

  TRepainter painter;
  std::mt19937 random(7);
  for (int step = 0; step < 400; ++step) {
    TLabel* label = labels[random() % labels.size()];
    switch (random() % 3) {
      case 0:
        label->SetColor(static_cast<TColor>(random() & 0xFFFFFF));
        break;
      case 1:
        label->SetVisible(!label->Visible());
        break;
      case 2:
        label->SetBounds(static_cast<std::int32_t>(random() % 32) - 2,
                         static_cast<std::int32_t>(random() % 22) - 2, 3, 4);
        break;
    }
    painter.Paint(*window);
    if (random() % 7 == 0) continue;  // a paint neither view sees
    updated.Present(painter.Update(), status);
    framed.Present(painter.Frame(), status);
    if (random() % 5 == 0) updated.Present(painter.Update(), status);
    ASSERT_EQ(byUpdate, byFrame) << "at step " << step;
  }
}

TEST(StatusLineTest, ShowsTrackTimeVolumeModeAndPattern) {
  EXPECT_EQ(kivo::FormatStatus({"Song", 65, 200, 80, 2, 1, false, ""}),
            "Song  1:05 / 3:20  vol 80%  mode 2  pattern 1");
  EXPECT_EQ(kivo::FormatStatus({"", 3725, -1, 0, 4, 5, true, ""}),
            "(no track)  1:02:05  vol 0%  mode 4  pattern 5  paused");
  EXPECT_EQ(kivo::FormatStatus({"Song", 0, 1, 80, 2, 1, false, "skin x not loaded: why"}),
            "Song  0:00 / 0:01  vol 80%  mode 2  pattern 1  skin x not loaded: why");
}

TEST(StatusLineTest, SaysWhenTheSoundIsOff) {
  EXPECT_EQ(kivo::FormatStatus({"Song", 0, 1, 80, 2, 1, true, "", true}),
            "Song  0:00 / 0:01  vol 80%  mode 2  pattern 1  sound off  paused");
}

// The capture hint and a broken skin's reason are what a person needs to
// read whole.
TEST(StatusLineTest, ANoticeTooLongForTheLineGoesWholeOnLinesAboveIt) {
  const PlayerStatus status{
      "Song", 0, 1,     80,
      2,      1, false, "skin broken not loaded: cannot read /skins/broken/missing.bmp"};
  EXPECT_EQ(kivo::LayOutStatus(status, 200, 5).Notice.size(), 0u) << "it fits";
  const kivo::StatusRows rows = kivo::LayOutStatus(status, 30, 5);
  EXPECT_EQ(rows.Line, "Song  0:00 / 0:01  vol 80%  mode 2  pattern 1");
  EXPECT_EQ(rows.Notice, (std::vector<std::string>{"skin broken not loaded: cannot",
                                                   "read /skins/broken/missing.bmp"}));
  EXPECT_EQ(kivo::LayOutStatus(status, 30, 1).Notice.size(), 1u) << "as many rows as there are";
  // A word longer than the line is cut where the line ends.
  const PlayerStatus word{"Song", 0, 1, 80, 2, 1, false, std::string(25, 'x')};
  EXPECT_EQ(
      kivo::LayOutStatus(word, 10, 5).Notice,
      (std::vector<std::string>{std::string(10, 'x'), std::string(10, 'x'), std::string(5, 'x')}));
}

TEST_F(TerminalViewTest, ANoticeTakesRowsFromThePictureAndGivesThemBack) {
  TerminalView view = MakeView({20, 9});  // eight picture rows
  view.Present(FFrame, FStatus);
  EXPECT_EQ(view.Layout().Rows, 8);
  PlayerStatus broken = FStatus;
  broken.Notice = "skin broken not loaded: no bitmap";
  view.Present(FFrame, broken);
  EXPECT_EQ(view.Layout().Rows, 6);
  EXPECT_NE(FWrites.back().find("\x1b[7;1H\x1b[0m\x1b[Kskin broken not\x1b"), std::string::npos);
  EXPECT_NE(FWrites.back().find("\x1b[8;1H\x1b[0m\x1b[Kloaded: no bitmap\x1b"), std::string::npos);
  EXPECT_NE(FWrites.back().find("\x1b[9;1H\x1b[0m\x1b[KTrack one"), std::string::npos);
  EXPECT_EQ(view.WindowPointAt(0, 6), std::nullopt) << "no click on the notice";

  view.Present(FFrame, FStatus);
  EXPECT_EQ(view.Layout().Rows, 8);
  // The notice's rows are picture cells again (blank beside the picture).
  EXPECT_NE(FWrites.back().find("\x1b[7;1H "), std::string::npos);
  EXPECT_NE(FWrites.back().find("\x1b[8;1H "), std::string::npos);
}

}  // namespace
