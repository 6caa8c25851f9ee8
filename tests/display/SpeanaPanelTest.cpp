#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/display/DisplayTestSupport.h"

namespace {

using display_test::MakePanel;
using display_test::PicturePixel;
using display_test::TPanelSetup;

class SpeanaPanelTest : public ::testing::Test {
 protected:
  TSpeanaPanel* Panel(const TPanelSetup& setup) { return MakePanel(Window, setup); }

  static std::int32_t VisibleSegments(const TMeter& meter) {
    std::int32_t count = 0;
    for (std::int32_t j = 0; j < TMeter::kSegmentCount; ++j) count += meter.Segment(j)->Visible();
    return count;
  }

  display_test::TWindow Window;
  files_test::TTempDir Dir;
};

// --- Construction and layout -----------------------------------------------------

TEST_F(SpeanaPanelTest, StartsInBarStyleWithEveryMeterLaidOutAndHidden) {
  auto* panel = new TSpeanaPanel(&Window);
  EXPECT_EQ(panel->Parent(), &Window);
  EXPECT_EQ(panel->Owner(), &Window);
  EXPECT_EQ(panel->Cursor(), 16);
  EXPECT_EQ(panel->FStyle, TSpeanaPanel::kBarStyle);
  EXPECT_EQ(panel->FDirection, 0);
  EXPECT_EQ(panel->PeakMode(), 0);
  EXPECT_EQ(panel->Graphics(), "");
  EXPECT_EQ(panel->Image(), nullptr);
  EXPECT_EQ(panel->Images(), nullptr);
  ASSERT_EQ(panel->ControlCount(), 200);
  for (std::int32_t i = 0; i < panel->ControlCount(); ++i) {
    EXPECT_FALSE(panel->Controls(i)->Visible()) << "element " << i;
  }
  for (std::int32_t k = 0; k < 10; ++k) {
    EXPECT_EQ(panel->Bar(k)->FKind, TMeter::kBars);
    EXPECT_EQ(panel->Peak(k)->FKind, TMeter::kPeakMarker);
    EXPECT_EQ(panel->Bar(k)->Band(), k);
  }
}

TEST_F(SpeanaPanelTest, AnOwnerThatIsNoWindowIsNoParent) {
  TComponent owner(nullptr);
  auto* panel = new TSpeanaPanel(&owner);
  EXPECT_EQ(panel->Owner(), &owner);
  EXPECT_EQ(panel->Parent(), nullptr);
}

TEST_F(SpeanaPanelTest, ElementsComeInTheOrderBarThenPeakBandByBand) {
  TSpeanaPanel* panel = Panel({});
  for (std::int32_t k = 0; k < 10; ++k) {
    const std::int32_t first = 20 * k;
    EXPECT_EQ(panel->Controls(first), panel->Bar(k)->Segment(0)) << "band " << k;
    EXPECT_EQ(panel->Controls(first + 9), panel->Bar(k)->Segment(9));
    EXPECT_EQ(panel->Controls(first + 10), panel->Peak(k)->Segment(0));
    EXPECT_EQ(panel->Controls(first + 19), panel->Peak(k)->Segment(9));
  }
}

TEST_F(SpeanaPanelTest, LayingOutAgainLeavesNoOldElementsBehind) {
  TSpeanaPanel* panel = Panel({});
  panel->LayoutMeters();
  panel->LayoutMeters();
  EXPECT_EQ(panel->ControlCount(), 200);
  EXPECT_EQ(panel->ComponentCount(), 200);
}

TEST_F(SpeanaPanelTest, LayoutUsesTheDirectionTagAndHandlersSetBeforeIt) {
  auto* panel = new TSpeanaPanel(&Window);
  panel->SetBounds(0, 0, 200, 100);
  panel->SetBevelOuter(bvNone);
  panel->FDirection = 13;
  panel->SetTag(100);
  struct TRecorder {
    void DoubleClicked(TObject* sender) { Senders.push_back(sender); }
    std::vector<TObject*> Senders;
  } recorder;
  panel->OnDblClick = TNotifyEvent(&recorder, &TRecorder::DoubleClicked);
  panel->LayoutMeters();
  TLabel& segment = *panel->Bar(2)->Segment(0);
  EXPECT_EQ(panel->Bar(2)->Direction(), 5);
  EXPECT_EQ(segment.Tag(), 100 + 12544);
  EXPECT_EQ(segment.Left(), 141);  // band 2 counted from the right
  segment.DblClick();
  EXPECT_EQ(recorder.Senders, std::vector<TObject*>{&segment});
}

// --- Graphics --------------------------------------------------------------------

// A frame sheet whose frames are fw x fh: frame (column, row) is filled
// with FrameColour(column, row) except for a white top-left pixel, which
// shows how a frame is mirrored.
TColor FrameColour(std::int32_t column, std::int32_t row) {
  return RGB(static_cast<std::uint8_t>(10 + 10 * column), static_cast<std::uint8_t>(10 + 10 * row),
             200);
}

std::string WriteSheet(const files_test::TTempDir& dir, std::int32_t width, std::int32_t height,
                       std::int32_t fw, std::int32_t fh) {
  const std::string path = dir.File("sheet.bmp");
  display_test::WriteBmp(path, width, height, [fw, fh](std::int32_t x, std::int32_t y) {
    if (x % fw == 0 && y % fh == 0) return clWhite;
    return FrameColour(x / fw, y / fh);
  });
  return path;
}

TPanelSetup FrameStyle(const std::string& sheet, std::int32_t innerHeight = 40) {
  TPanelSetup setup;
  setup.Height = innerHeight;
  setup.Style = TSpeanaPanel::kFrameStyle;
  setup.Graphics = sheet;
  return setup;
}

// The colour of the frame that band k's image shows at level L.
TColor ShownFrame(TSpeanaPanel& panel, std::int32_t band, std::int32_t level) {
  panel.SetLevel(band, level);
  return PicturePixel(*panel.Bar(band)->Image(), 1, 1);
}

TEST_F(SpeanaPanelTest, ASheetOfTenRowsHoldsARowPerBand) {
  TSpeanaPanel* panel = Panel(FrameStyle(WriteSheet(Dir, 110, 400, 10, 40)));
  ASSERT_NE(panel->Images(), nullptr);
  EXPECT_EQ(panel->Images()->Count(), 110);
  EXPECT_EQ(panel->Images()->Width(), 10);
  EXPECT_EQ(panel->Images()->Height(), 40);
  EXPECT_EQ(ShownFrame(*panel, 3, 7), FrameColour(7, 3));  // frame 40
  EXPECT_EQ(ShownFrame(*panel, 9, 10), FrameColour(10, 9));
}

// Band 9 at level 10 shows frame 109, so frames after it are never shown
// and a sheet of many small frames costs no more than 110 of them.
TEST_F(SpeanaPanelTest, NoMoreFramesAreCutThanTheBandsCanShow) {
  TSpeanaPanel* panel = Panel(FrameStyle(WriteSheet(Dir, 110, 400, 10, 2), 2));
  ASSERT_EQ(panel->Images()->Height(), 2);
  EXPECT_EQ(panel->Images()->Count(), TSpeanaPanel::kMaxFrames);
  EXPECT_EQ(ShownFrame(*panel, 3, 7), FrameColour(7, 3));
  EXPECT_EQ(ShownFrame(*panel, 9, 10), FrameColour(10, 9));
  EXPECT_EQ(ShownFrame(*panel, 0, 0), FrameColour(0, 0));
}

TEST_F(SpeanaPanelTest, ASingleRowServesEveryBand) {
  TSpeanaPanel* panel = Panel(FrameStyle(WriteSheet(Dir, 110, 40, 10, 40)));
  EXPECT_EQ(panel->Images()->Count(), 11);
  for (std::int32_t k = 0; k < 10; ++k) EXPECT_EQ(ShownFrame(*panel, k, 7), FrameColour(7, 0));
}

TEST_F(SpeanaPanelTest, ASheetLowerThanTheInnerAreaIsOneRow) {
  TSpeanaPanel* panel = Panel(FrameStyle(WriteSheet(Dir, 110, 30, 10, 30)));
  EXPECT_EQ(panel->Images()->Height(), 30);
  EXPECT_EQ(panel->Images()->Count(), 11);
}

TEST_F(SpeanaPanelTest, RowsRepeatWhenTheSheetHasFewerRowsThanBands) {
  TSpeanaPanel* panel = Panel(FrameStyle(WriteSheet(Dir, 110, 100, 10, 50)));
  EXPECT_EQ(panel->Images()->Height(), 50);
  EXPECT_EQ(panel->Images()->Count(), 22);
  EXPECT_EQ(ShownFrame(*panel, 3, 7), FrameColour(7, 1));  // frame 18
}

TEST_F(SpeanaPanelTest, ASheetWidthBeyondElevenFramesGivesAPartialFrame) {
  TPanelSetup setup = FrameStyle(WriteSheet(Dir, 115, 40, 10, 40));
  setup.Color = clMaroon;
  TSpeanaPanel* panel = Panel(setup);
  ASSERT_EQ(panel->Images()->Count(), 12);
  // Band 1 at level 0 shows frame 11, the partial one: five columns of the
  // sheet, then the panel's face.
  panel->SetLevel(1, 0);
  const TImage& image = *panel->Bar(1)->Image();
  EXPECT_EQ(PicturePixel(image, 0, 0), clWhite);
  EXPECT_EQ(PicturePixel(image, 4, 1), FrameColour(11, 0));
  EXPECT_EQ(PicturePixel(image, 5, 1), clMaroon);
  EXPECT_EQ(PicturePixel(image, 9, 39), clMaroon);
}

// Inner height 40, sheet height 130: frames 43 high, so a fourth row of a
// single sheet line follows the three whole ones, and the rest of its
// frames shows the panel's face.
TEST_F(SpeanaPanelTest, ASheetHeightBeyondWholeRowsGivesAPartialRowOnThePanel) {
  TPanelSetup setup = FrameStyle(WriteSheet(Dir, 110, 130, 10, 43));
  setup.Color = clMaroon;
  TSpeanaPanel* panel = Panel(setup);
  ASSERT_EQ(panel->Images()->Height(), 43);
  ASSERT_EQ(panel->Images()->Count(), 44);
  // Band 3 at level 7: frame (33 + 7) mod 44 = 40, in the partial row.
  panel->SetLevel(3, 7);
  const TImage& image = *panel->Bar(3)->Image();
  EXPECT_EQ(PicturePixel(image, 0, 0), clWhite);
  EXPECT_EQ(PicturePixel(image, 5, 0), FrameColour(7, 3));
  EXPECT_EQ(PicturePixel(image, 5, 1), clMaroon);
  EXPECT_EQ(PicturePixel(image, 9, 42), clMaroon);
  // Band 4 at level 7: frame 51 mod 44 = 7, a whole frame of the first row.
  EXPECT_EQ(ShownFrame(*panel, 4, 7), FrameColour(7, 0));
  EXPECT_EQ(PicturePixel(*panel->Bar(4)->Image(), 9, 42), FrameColour(7, 0));
}

// Where the white corner pixel of frame 0 ends up.
TPoint CornerOfFirstFrame(TSpeanaPanel& panel) {
  TBitmap frame;
  panel.Images()->GetBitmap(0, &frame);
  for (std::int32_t y = 0; y < frame.Height(); ++y) {
    for (std::int32_t x = 0; x < frame.Width(); ++x) {
      if (frame.Canvas()->Pixels(x, y) == clWhite) return Point(x, y);
    }
  }
  return Point(-1, -1);
}

TEST_F(SpeanaPanelTest, TheWholeDirectionValueSelectsMirroring) {
  const std::string sheet = WriteSheet(Dir, 110, 40, 10, 40);
  const std::vector<std::pair<std::int32_t, TPoint>> cases = {
      {0, Point(0, 0)},  {2, Point(9, 0)},  {6, Point(9, 0)}, {3, Point(0, 39)},
      {7, Point(0, 39)}, {10, Point(0, 0)}, {1, Point(0, 0)}};
  for (const auto& [direction, corner] : cases) {
    TPanelSetup setup = FrameStyle(sheet);
    setup.Direction = direction;
    TSpeanaPanel* panel = Panel(setup);
    EXPECT_EQ(CornerOfFirstFrame(*panel), corner) << "direction " << direction;
    delete panel;
  }
}

TEST_F(SpeanaPanelTest, FlipsMirrorInPlaceAroundTheMiddle) {
  TBitmap bitmap;
  bitmap.SetWidth(3);
  bitmap.SetHeight(3);
  for (std::int32_t y = 0; y < 3; ++y) {
    for (std::int32_t x = 0; x < 3; ++x) bitmap.Canvas()->SetPixels(x, y, 10 * y + x);
  }
  FlipHorizontal(bitmap);
  EXPECT_EQ(bitmap.Canvas()->Pixels(0, 1), 12);
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), 11);
  FlipVertical(bitmap);
  EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), 22);
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), 11);
}

TEST_F(SpeanaPanelTest, FrameHeightFollowsTheInnerArea) {
  EXPECT_EQ(FrameHeight(40, 40), 40);
  EXPECT_EQ(FrameHeight(400, 40), 40);
  EXPECT_EQ(FrameHeight(100, 40), 50);
  EXPECT_EQ(FrameHeight(130, 40), 43);
  EXPECT_EQ(FrameHeight(30, 40), 30);
  EXPECT_EQ(FrameHeight(30, 0), 30);
  EXPECT_EQ(FrameHeight(30, -8), 30);
}

TEST_F(SpeanaPanelTest, WithoutInnerHeightTheWholeSheetIsOneRow) {
  TPanelSetup setup = FrameStyle(WriteSheet(Dir, 110, 30, 10, 30), 0);
  setup.Outer = bvRaised;
  setup.Height = 1;  // inner height -1
  TSpeanaPanel* panel = Panel(setup);
  EXPECT_EQ(panel->Images()->Count(), 11);
  EXPECT_EQ(panel->Images()->Height(), 30);
  panel->SetLevel(0, 4);
  EXPECT_EQ(panel->Bar(0)->FLevel, 4);
}

TEST_F(SpeanaPanelTest, ASheetNarrowerThanElevenPixelsHoldsNoFrames) {
  TSpeanaPanel* panel = Panel(FrameStyle(WriteSheet(Dir, 10, 40, 1, 40)));
  ASSERT_NE(panel->Images(), nullptr);
  EXPECT_EQ(panel->Images()->Count(), 0);
  panel->SetLevel(5, 7);
  EXPECT_EQ(panel->Bar(5)->FLevel, 7);
  EXPECT_TRUE(panel->Bar(5)->Image()->Picture()->Bitmap()->Empty());
}

TEST_F(SpeanaPanelTest, FrameStyleMakesBandImagesUnderThePeakMarkers) {
  TSpeanaPanel* panel = Panel(FrameStyle(WriteSheet(Dir, 110, 40, 10, 40)));
  EXPECT_EQ(panel->Image(), nullptr);
  EXPECT_EQ(panel->ControlCount(), 110);
  EXPECT_EQ(panel->Controls(0), panel->Bar(0)->Image());
  EXPECT_EQ(panel->Controls(1), panel->Peak(0)->Segment(0));
  for (std::int32_t k = 0; k < 10; ++k) {
    EXPECT_EQ(panel->Bar(k)->FKind, TMeter::kBandImage);
    EXPECT_EQ(panel->Bar(k)->FImages, panel->Images());
    EXPECT_EQ(panel->Peak(k)->FImages, nullptr);
  }
}

TEST_F(SpeanaPanelTest, ABackgroundPictureLiesUnderTheMetersOverTheInnerArea) {
  const std::string path = Dir.File("back.bmp");
  display_test::WriteBmp(path, 30, 20, [](std::int32_t, std::int32_t) { return clTeal; });
  struct TRecorder {
    void Clicked(TObject* sender) { Senders.push_back(sender); }
    std::vector<TObject*> Senders;
  } recorder;
  auto* panel = new TSpeanaPanel(&Window);
  panel->SetBounds(0, 0, 204, 104);
  panel->SetBevelInner(bvLowered);
  panel->SetBevelWidth(2);
  panel->OnClick = TNotifyEvent(&recorder, &TRecorder::Clicked);
  panel->LoadGraphics(path);
  panel->LayoutMeters();

  TImage* image = panel->Image();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(panel->Graphics(), path);
  EXPECT_EQ(panel->Images(), nullptr);
  EXPECT_EQ(image->BoundsRect(), Bounds(4, 4, 196, 96));
  EXPECT_TRUE(image->Visible());
  EXPECT_EQ(PicturePixel(*image, 29, 19), clTeal);
  EXPECT_EQ(panel->Controls(0), image);
  EXPECT_EQ(panel->ControlCount(), 201);
  EXPECT_TRUE(panel->Bar(0)->FHideUnlit);
  EXPECT_FALSE(panel->Peak(0)->FHideUnlit);
  image->Click();
  EXPECT_EQ(recorder.Senders, std::vector<TObject*>{image});
}

TEST_F(SpeanaPanelTest, ABackgroundPictureTakesThePanelsDoubleClickHandlerToo) {
  const std::string path = Dir.File("back.bmp");
  display_test::WriteBmp(path, 4, 4, [](std::int32_t, std::int32_t) { return clTeal; });
  struct TRecorder {
    void Clicked(TObject* sender) { Clicks.push_back(sender); }
    void DoubleClicked(TObject* sender) { DoubleClicks.push_back(sender); }
    std::vector<TObject*> Clicks;
    std::vector<TObject*> DoubleClicks;
  } recorder;
  auto* panel = new TSpeanaPanel(&Window);
  panel->SetBounds(0, 0, 200, 100);
  panel->OnDblClick = TNotifyEvent(&recorder, &TRecorder::DoubleClicked);
  panel->LoadGraphics(path);
  TImage* image = panel->Image();
  ASSERT_NE(image, nullptr);
  image->DblClick();
  image->Click();
  EXPECT_EQ(recorder.DoubleClicks, std::vector<TObject*>{image});
  EXPECT_TRUE(recorder.Clicks.empty()) << "no click handler was set on the panel";
}

TEST_F(SpeanaPanelTest, AnEmptyPathDropsPictureAndFramesAndFallsBackToBars) {
  TSpeanaPanel* panel = Panel(FrameStyle(WriteSheet(Dir, 110, 40, 10, 40)));
  panel->LoadGraphics("");
  EXPECT_EQ(panel->Images(), nullptr);
  EXPECT_EQ(panel->FStyle, TSpeanaPanel::kBarStyle);
  // The old band images no longer refer to the released frame list.
  panel->SetLevel(2, 6);
  EXPECT_EQ(panel->Bar(2)->FImages, nullptr);
  panel->LayoutMeters();
  EXPECT_EQ(panel->Bar(2)->FKind, TMeter::kBars);

  const std::string back = Dir.File("back.bmp");
  display_test::WriteBmp(back, 4, 4, [](std::int32_t, std::int32_t) { return clTeal; });
  panel->LoadGraphics(back);
  panel->LoadGraphics("");
  EXPECT_EQ(panel->Image(), nullptr);
  EXPECT_EQ(panel->Graphics(), "");
}

TEST_F(SpeanaPanelTest, AMissingSheetKeepsTheOldFramesAndRaises) {
  TSpeanaPanel* panel = Panel(FrameStyle(WriteSheet(Dir, 110, 40, 10, 40)));
  const std::string missing = Dir.File("missing.bmp");
  EXPECT_THROW(panel->LoadGraphics(missing), EFOpenError);
  EXPECT_EQ(panel->Graphics(), missing);
  EXPECT_EQ(panel->Image(), nullptr);
  ASSERT_NE(panel->Images(), nullptr);
  EXPECT_EQ(panel->Images()->Count(), 11);
  EXPECT_EQ(ShownFrame(*panel, 0, 3), FrameColour(3, 0));
}

TEST_F(SpeanaPanelTest, ASheetReplacingAPictureRaisesWithThePictureGone) {
  const std::string back = Dir.File("back.bmp");
  display_test::WriteBmp(back, 4, 4, [](std::int32_t, std::int32_t) { return clTeal; });
  TPanelSetup setup;
  setup.Graphics = back;
  TSpeanaPanel* panel = Panel(setup);
  panel->FStyle = TSpeanaPanel::kFrameStyle;
  EXPECT_THROW(panel->LoadGraphics(Dir.File("missing.bmp")), EFOpenError);
  EXPECT_EQ(panel->Image(), nullptr);
  ASSERT_NE(panel->Images(), nullptr);
  EXPECT_EQ(panel->Images()->Count(), 0);
}

TEST_F(SpeanaPanelTest, AFileThatIsNoBitmapLeavesAnEmptyPictureOverTheInnerArea) {
  const std::string back = Dir.File("back.bmp");
  display_test::WriteBmp(back, 4, 4, [](std::int32_t, std::int32_t) { return clTeal; });
  TPanelSetup setup;
  setup.Outer = bvRaised;
  setup.Graphics = back;
  TSpeanaPanel* panel = Panel(setup);
  panel->FStyle = TSpeanaPanel::kFrameStyle;
  panel->LoadGraphics(WriteSheet(Dir, 110, 40, 10, 40));
  panel->LayoutMeters();
  panel->FStyle = TSpeanaPanel::kBarStyle;

  const std::string text = Dir.File("notes.bmp");
  files_test::WriteText(text, "not a picture");
  EXPECT_THROW(panel->LoadGraphics(text), EInvalidGraphic);
  EXPECT_EQ(panel->Graphics(), text);
  EXPECT_EQ(panel->Images(), nullptr);
  ASSERT_NE(panel->Image(), nullptr);
  EXPECT_EQ(panel->Image()->BoundsRect(), Bounds(1, 1, 198, 98));
  EXPECT_TRUE(panel->Image()->Picture()->Bitmap()->Empty());
  // The band images laid out for the frames must not reach the released list.
  panel->SetLevel(0, 5);
  EXPECT_EQ(panel->Bar(0)->FLevel, 5);
}

TEST_F(SpeanaPanelTest, AReloadedPictureReplacesTheOldOneWhenTheNewFileIsBroken) {
  const std::string back = Dir.File("back.bmp");
  display_test::WriteBmp(back, 4, 4, [](std::int32_t, std::int32_t) { return clTeal; });
  TPanelSetup setup;
  setup.Graphics = back;
  TSpeanaPanel* panel = Panel(setup);
  TImage* image = panel->Image();
  EXPECT_THROW(panel->LoadGraphics(Dir.File("missing.bmp")), EFOpenError);
  EXPECT_EQ(panel->Image(), image);
  EXPECT_TRUE(image->Picture()->Bitmap()->Empty());
}

// --- Levels and peaks ------------------------------------------------------------

class SpeanaPanelPeakTest : public SpeanaPanelTest {
 protected:
  SpeanaPanelPeakTest() : Panel_(MakePanel(Window, {})) {}

  // The peak levels of band 0 after level `first`, then `count` calls with
  // level `then`.
  std::vector<std::int32_t> PeakTimeline(std::int32_t first, std::int32_t then,
                                         std::int32_t count) {
    std::vector<std::int32_t> timeline;
    Panel_->SetLevel(0, first);
    timeline.push_back(Panel_->Peak(0)->FLevel);
    for (std::int32_t i = 0; i < count; ++i) {
      Panel_->SetLevel(0, then);
      timeline.push_back(Panel_->Peak(0)->FLevel);
    }
    return timeline;
  }

  TSpeanaPanel* Panel_;
};

TEST_F(SpeanaPanelPeakTest, PeakHoldStaysFifteenCallsThenJumpsToTheLevel) {
  Panel_->SetPeakMode(2);
  const std::vector<std::int32_t> timeline = PeakTimeline(7, 3, 17);
  EXPECT_EQ(std::vector<std::int32_t>(timeline.begin(), timeline.begin() + 16),
            std::vector<std::int32_t>(16, 7));
  EXPECT_EQ(timeline[16], 3);
  EXPECT_EQ(timeline[17], 3);
}

TEST_F(SpeanaPanelPeakTest, PeakHoldHoldsSevenCallsAfterAJump) {
  Panel_->SetPeakMode(2);
  PeakTimeline(9, 5, 16);
  ASSERT_EQ(Panel_->Peak(0)->FLevel, 5);
  std::vector<std::int32_t> afterJump;
  for (std::int32_t i = 0; i < 8; ++i) {
    Panel_->SetLevel(0, 2);
    afterJump.push_back(Panel_->Peak(0)->FLevel);
  }
  EXPECT_EQ(afterJump, (std::vector<std::int32_t>{5, 5, 5, 5, 5, 5, 5, 2}));
}

TEST_F(SpeanaPanelPeakTest, FallingPeakHoldsSevenCallsThenFallsEverySecondCall) {
  Panel_->SetPeakMode(3);
  const std::vector<std::int32_t> timeline = PeakTimeline(7, 0, 14);
  EXPECT_EQ(timeline, (std::vector<std::int32_t>{7, 7, 7, 7, 7, 7, 7, 7, 6, 6, 5, 5, 4, 4, 3}));
  EXPECT_TRUE(Panel_->Peak(0)->Segment(2)->Visible());
  EXPECT_FALSE(Panel_->Peak(0)->Segment(6)->Visible());
}

TEST_F(SpeanaPanelPeakTest, ARisingLevelTakesThePeakAtOnce) {
  Panel_->SetPeakMode(3);
  EXPECT_EQ(PeakTimeline(4, 6, 1).back(), 6);
  EXPECT_EQ(Panel_->Peak(0)->FHold, 8);
  Panel_->SetPeakMode(2);
  EXPECT_EQ(PeakTimeline(4, 6, 1).back(), 6);
  EXPECT_EQ(Panel_->Peak(0)->FHold, 16);
}

TEST_F(SpeanaPanelPeakTest, LevelsOutsideTheRangeShowClamped) {
  Panel_->SetPeakMode(2);
  Panel_->SetLevel(4, 12);
  EXPECT_EQ(VisibleSegments(*Panel_->Bar(4)), 10);
  EXPECT_EQ(Panel_->Peak(4)->FLevel, 10);
  EXPECT_TRUE(Panel_->Peak(4)->Segment(9)->Visible());

  Panel_->ClearLevels();
  Panel_->Peak(4)->FHold = 5;
  Panel_->SetLevel(4, -2);
  EXPECT_EQ(Panel_->Bar(4)->FLevel, 0);
  EXPECT_EQ(Panel_->Peak(4)->FLevel, 0);
  EXPECT_EQ(Panel_->Peak(4)->FHold, 5);
}

TEST_F(SpeanaPanelPeakTest, ModesWithoutPeaksLeaveTheMarkersAlone) {
  for (const std::uint8_t mode : {0, 1}) {
    Panel_->SetPeakMode(mode);
    Panel_->SetLevel(1, 8);
    EXPECT_EQ(VisibleSegments(*Panel_->Bar(1)), 8);
    EXPECT_EQ(Panel_->Peak(1)->FLevel, 0) << "mode " << int{mode};
    EXPECT_EQ(VisibleSegments(*Panel_->Peak(1)), 0);
  }
}

TEST_F(SpeanaPanelPeakTest, SettingAPeakModeClearsEveryBarAndPeak) {
  Panel_->SetPeakMode(3);
  for (std::int32_t k = 0; k < 10; ++k) Panel_->SetLevel(k, k + 1);
  Panel_->SetPeakMode(3);
  EXPECT_EQ(Panel_->PeakMode(), 3);
  for (std::int32_t k = 0; k < 10; ++k) {
    EXPECT_EQ(Panel_->Bar(k)->FLevel, 0);
    EXPECT_EQ(Panel_->Peak(k)->FLevel, 0);
    EXPECT_EQ(VisibleSegments(*Panel_->Peak(k)), 0);
    EXPECT_EQ(Panel_->Peak(k)->FHold, 8) << "counters stay";
  }
}

TEST_F(SpeanaPanelPeakTest, EveryModeClearsAVisiblePeak) {
  for (const std::uint8_t mode : {0, 1, 2, 3}) {
    Panel_->SetPeakMode(3);
    Panel_->SetLevel(5, 6);
    ASSERT_TRUE(Panel_->Peak(5)->Segment(5)->Visible());
    Panel_->SetPeakMode(mode);
    EXPECT_EQ(Panel_->PeakMode(), mode);
    EXPECT_EQ(Panel_->Peak(5)->FLevel, 0) << "mode " << int{mode};
    EXPECT_EQ(VisibleSegments(*Panel_->Peak(5)), 0) << "mode " << int{mode};
    EXPECT_EQ(Panel_->Bar(5)->FLevel, 0) << "mode " << int{mode};
  }
}

// A level that reaches the peak again counts as a new peak: the hold starts
// over.
TEST_F(SpeanaPanelPeakTest, ALevelEqualToThePeakRearmsTheHold) {
  Panel_->SetPeakMode(2);
  PeakTimeline(7, 3, 5);
  ASSERT_EQ(Panel_->Peak(0)->FHold, 11);
  Panel_->SetLevel(0, 7);
  EXPECT_EQ(Panel_->Peak(0)->FHold, 16);
  const std::vector<std::int32_t> hold = PeakTimeline(3, 3, 14);
  EXPECT_EQ(hold, std::vector<std::int32_t>(15, 7)) << "the full hold after the equal level";

  Panel_->SetPeakMode(3);
  PeakTimeline(6, 2, 3);
  ASSERT_EQ(Panel_->Peak(0)->FHold, 5);
  Panel_->SetLevel(0, 6);
  EXPECT_EQ(Panel_->Peak(0)->FHold, 8);
  EXPECT_EQ(Panel_->Peak(0)->FLevel, 6);
}

TEST_F(SpeanaPanelPeakTest, BarColoursReachBarsAndPeaksOfEveryBand) {
  Panel_->SetBarColor(4, clFuchsia);
  for (std::int32_t k = 0; k < 10; ++k) {
    EXPECT_EQ(Panel_->Bar(k)->Segment(4)->Color(), clFuchsia);
    EXPECT_EQ(Panel_->Peak(k)->Segment(4)->Color(), clFuchsia);
    EXPECT_EQ(Panel_->Bar(k)->Segment(3)->Color(), 0);
  }
  EXPECT_THROW(Panel_->SetBarColor(10, clRed), EListError);
}

TEST_F(SpeanaPanelPeakTest, BandsOutsideTheRangeAreRefused) {
  EXPECT_THROW(Panel_->SetLevel(10, 3), EListError);
  EXPECT_THROW(Panel_->SetLevel(-1, 3), EListError);
}

TEST_F(SpeanaPanelTest, FrameStyleBarsStoreColoursWithoutSegments) {
  TSpeanaPanel* panel = Panel(FrameStyle(WriteSheet(Dir, 110, 40, 10, 40)));
  panel->SetBarColor(2, clLime);
  EXPECT_EQ(panel->Bar(0)->SegmentColor(2), clLime);
  EXPECT_EQ(panel->Bar(0)->Segment(2), nullptr);
  EXPECT_EQ(panel->Peak(0)->Segment(2)->Color(), clLime);
}

}  // namespace
