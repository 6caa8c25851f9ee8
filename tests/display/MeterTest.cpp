#include <gtest/gtest.h>

#include <memory>

#include "display/Meter.h"
#include "platform/vcl/ImgList.h"

namespace {

TRect BoundsOf(const TControl& control) { return control.BoundsRect(); }

// A meter on a plain 200 x 100 panel without bevels, as a panel of ten
// bands lays it out.
class MeterTest : public ::testing::Test {
 protected:
  MeterTest() : Panel(nullptr) {
    Panel.SetBevelOuter(bvNone);
    Panel.SetBounds(0, 0, 200, 100);
    Panel.SetColor(clNavy);
  }

  std::unique_ptr<TMeter> LaidOut(std::uint8_t kind, std::int32_t direction, std::int32_t band,
                                  TCustomImageList* images = nullptr) {
    auto meter = std::make_unique<TMeter>(&Panel);
    meter->FKind = kind;
    meter->FImages = images;
    meter->Layout(direction, band, 10);
    return meter;
  }

  std::int32_t VisibleSegments(const TMeter& meter) const {
    std::int32_t count = 0;
    for (std::int32_t j = 0; j < TMeter::kSegmentCount; ++j) count += meter.Segment(j)->Visible();
    return count;
  }

  TPanel Panel;
};

// --- Geometry ------------------------------------------------------------------

TEST_F(MeterTest, RowsGrowRightwardWithBandZeroAtTheBottom) {
  const auto bars = LaidOut(TMeter::kBars, 0, 0);
  const auto peaks = LaidOut(TMeter::kPeakMarker, 0, 0);
  for (std::int32_t j = 0; j < 10; ++j) {
    EXPECT_EQ(BoundsOf(*bars->Segment(j)), Bounds(20 * j, 91, 19, 8)) << "segment " << j;
    const std::int32_t level = j + 1;
    EXPECT_EQ(BoundsOf(*peaks->Segment(j)), Bounds(20 * level - 1, 91, 1, 8)) << "level " << level;
  }
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBars, 0, 9)->Segment(0)).Top, 1);
}

TEST_F(MeterTest, ColumnsGrowUpwardWithBandZeroAtTheLeft) {
  const auto bars = LaidOut(TMeter::kBars, 1, 0);
  const auto peaks = LaidOut(TMeter::kPeakMarker, 1, 0);
  for (std::int32_t j = 0; j < 10; ++j) {
    EXPECT_EQ(BoundsOf(*bars->Segment(j)), Bounds(1, 91 - 10 * j, 18, 9)) << "segment " << j;
    const std::int32_t level = j + 1;
    EXPECT_EQ(BoundsOf(*peaks->Segment(j)), Bounds(1, 100 - 10 * level, 18, 1))
        << "level " << level;
  }
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBars, 1, 9)->Segment(0)).Left, 181);
}

TEST_F(MeterTest, ColumnsGrowingDownwardStartInTheTopSlot) {
  const auto bars = LaidOut(TMeter::kBars, 3, 0);
  const auto peaks = LaidOut(TMeter::kPeakMarker, 3, 0);
  EXPECT_EQ(BoundsOf(*bars->Segment(0)), Bounds(1, 0, 18, 9));
  EXPECT_EQ(BoundsOf(*bars->Segment(9)), Bounds(1, 90, 18, 9));
  // The level-1 marker lies in the gap just below segment 0.
  EXPECT_EQ(BoundsOf(*peaks->Segment(0)), Bounds(1, 9, 18, 1));
  EXPECT_EQ(BoundsOf(*peaks->Segment(9)), Bounds(1, 99, 18, 1));
}

TEST_F(MeterTest, RowsGrowingLeftwardStartAtTheRight) {
  const auto bars = LaidOut(TMeter::kBars, 2, 0);
  const auto peaks = LaidOut(TMeter::kPeakMarker, 2, 0);
  EXPECT_EQ(BoundsOf(*bars->Segment(0)), Bounds(181, 91, 19, 8));
  EXPECT_EQ(BoundsOf(*bars->Segment(9)), Bounds(1, 91, 19, 8));
  EXPECT_EQ(BoundsOf(*peaks->Segment(0)), Bounds(180, 91, 1, 8));
}

TEST_F(MeterTest, ReversedBandOrderPutsBandZeroAtTheTopOrRight) {
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBars, 5, 0)->Segment(0)), Bounds(181, 91, 18, 9));
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBars, 5, 9)->Segment(0)).Left, 1);
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBars, 4, 0)->Segment(0)).Top, 1);
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBars, 4, 9)->Segment(0)).Top, 91);
}

// Direction 6: rows growing leftward, band 0 the top row.
TEST_F(MeterTest, Direction6GrowsRowsLeftwardWithBandZeroOnTop) {
  const auto bars = LaidOut(TMeter::kBars, 6, 0);
  const auto peaks = LaidOut(TMeter::kPeakMarker, 6, 0);
  for (std::int32_t j = 0; j < 10; ++j) {
    EXPECT_EQ(BoundsOf(*bars->Segment(j)), Bounds(181 - 20 * j, 1, 19, 8)) << "segment " << j;
    const std::int32_t level = j + 1;
    EXPECT_EQ(BoundsOf(*peaks->Segment(j)), Bounds(200 - 20 * level, 1, 1, 8)) << "level " << level;
  }
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBars, 6, 9)->Segment(0)), Bounds(181, 91, 19, 8));
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBandImage, 6, 0)->Image()), Bounds(0, 0, 200, 10));
}

// Direction 7: columns growing downward, band 0 the rightmost column.
TEST_F(MeterTest, Direction7GrowsColumnsDownwardWithBandZeroAtTheRight) {
  const auto bars = LaidOut(TMeter::kBars, 7, 0);
  const auto peaks = LaidOut(TMeter::kPeakMarker, 7, 0);
  for (std::int32_t j = 0; j < 10; ++j) {
    EXPECT_EQ(BoundsOf(*bars->Segment(j)), Bounds(181, 10 * j, 18, 9)) << "segment " << j;
    const std::int32_t level = j + 1;
    EXPECT_EQ(BoundsOf(*peaks->Segment(j)), Bounds(181, 10 * level - 1, 18, 1))
        << "level " << level;
  }
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBars, 7, 9)->Segment(0)), Bounds(1, 0, 18, 9));
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBandImage, 7, 0)->Image()), Bounds(180, 0, 20, 100));
}

TEST_F(MeterTest, OnlyTheLowThreeDirectionBitsCount) {
  const auto meter = LaidOut(TMeter::kBars, 10, 0);
  EXPECT_EQ(meter->Direction(), 2);
  EXPECT_EQ(BoundsOf(*meter->Segment(0)), Bounds(181, 91, 19, 8));
}

TEST_F(MeterTest, BevelsShiftElementsAndShrinkTheInnerArea) {
  Panel.SetBounds(0, 0, 202, 102);
  Panel.SetBevelOuter(bvRaised);
  const auto rows = LaidOut(TMeter::kBars, 0, 0);
  EXPECT_EQ(rows->BevelSize(), 1);
  EXPECT_EQ(BoundsOf(*rows->Segment(3)), Bounds(61, 92, 19, 8));
  const auto columns = LaidOut(TMeter::kPeakMarker, 1, 0);
  EXPECT_EQ(BoundsOf(*columns->Segment(0)), Bounds(2, 91, 18, 1));
}

TEST_F(MeterTest, BevelSizeCountsEachBevelThatIsDrawn) {
  const TMeter meter(&Panel);
  EXPECT_EQ(meter.BevelSize(), 0);
  Panel.SetBevelWidth(2);
  Panel.SetBevelInner(bvLowered);
  EXPECT_EQ(meter.BevelSize(), 2);
  Panel.SetBevelOuter(bvSpace);
  EXPECT_EQ(meter.BevelSize(), 4);
}

TEST_F(MeterTest, NarrowRowsCentreTheSegmentsAndKeepThemOnePixelWide) {
  Panel.SetBounds(0, 0, 27, 100);
  Panel.SetBevelOuter(bvLowered);  // inner width 25
  const auto bars = LaidOut(TMeter::kBars, 0, 0);
  for (std::int32_t j = 0; j < 10; ++j) {
    EXPECT_EQ(bars->Segment(j)->Left(), 3 + 2 * j);
    EXPECT_EQ(bars->Segment(j)->Width(), 1);
  }
}

TEST_F(MeterTest, ShortColumnsKeepSegmentsOnePixelHigh) {
  Panel.SetBounds(0, 0, 200, 15);  // segment pitch 1
  const auto bars = LaidOut(TMeter::kBars, 1, 0);
  EXPECT_EQ(BoundsOf(*bars->Segment(0)), Bounds(1, 11, 18, 1));
  EXPECT_EQ(BoundsOf(*bars->Segment(9)), Bounds(1, 2, 18, 1));
}

TEST_F(MeterTest, BandImagesLieInsideTheBevels) {
  Panel.SetBounds(0, 0, 206, 106);
  Panel.SetBevelOuter(bvRaised);
  Panel.SetBevelInner(bvLowered);
  Panel.SetBevelWidth(3);  // 6 pixels a side
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBandImage, 0, 0)->Image()), Bounds(6, 89, 194, 9));
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBandImage, 0, 9)->Image()), Bounds(6, 8, 194, 9));
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBandImage, 1, 3)->Image()), Bounds(65, 6, 19, 94));
}

TEST_F(MeterTest, BandImagesFillTheirRowOrColumn) {
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBandImage, 0, 0)->Image()), Bounds(0, 90, 200, 10));
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBandImage, 1, 3)->Image()), Bounds(60, 0, 20, 100));
  Panel.SetBounds(0, 0, 205, 100);  // 5 pixels left over across the columns
  EXPECT_EQ(BoundsOf(*LaidOut(TMeter::kBandImage, 5, 0)->Image()), Bounds(182, 0, 20, 100));
}

TEST_F(MeterTest, TagsNumberTheBandAndTheSlot) {
  EXPECT_EQ(LaidOut(TMeter::kBars, 0, 2)->Segment(0)->Tag(), 12544);
  EXPECT_EQ(LaidOut(TMeter::kBandImage, 0, 2)->Image()->Tag(), 12288);
  Panel.SetTag(7);
  // Growing from the right, segment 9 sits in slot 0.
  const auto reversed = LaidOut(TMeter::kBars, 2, 0);
  EXPECT_EQ(reversed->Segment(9)->Tag(), 7 + 4096 + 256);
  EXPECT_EQ(reversed->Segment(0)->Tag(), 7 + 4096 + 10 * 256);
}

class TClickRecorder {
 public:
  void Clicked(TObject* sender) { Senders.push_back(sender); }
  void DoubleClicked(TObject* sender) { DoubleSenders.push_back(sender); }
  std::vector<TObject*> Senders;
  std::vector<TObject*> DoubleSenders;
};

TEST_F(MeterTest, SegmentsAreHiddenPanelChildrenWithThePanelsHandlers) {
  TClickRecorder recorder;
  Panel.OnClick = TNotifyEvent(&recorder, &TClickRecorder::Clicked);
  Panel.OnDblClick = TNotifyEvent(&recorder, &TClickRecorder::DoubleClicked);
  const auto meter = LaidOut(TMeter::kBars, 0, 0);
  Panel.OnClick = TNotifyEvent();

  ASSERT_EQ(Panel.ComponentCount(), 10);
  ASSERT_EQ(Panel.ControlCount(), 10);
  for (std::int32_t j = 0; j < 10; ++j) {
    TLabel& segment = *meter->Segment(j);
    EXPECT_EQ(segment.Owner(), &Panel);
    EXPECT_EQ(segment.Parent(), &Panel);
    EXPECT_FALSE(segment.Visible());
    EXPECT_FALSE(segment.AutoSize());
    EXPECT_EQ(segment.Caption(), "");
    EXPECT_EQ(segment.Color(), 0);
    EXPECT_EQ(segment.Cursor(), 16);
    EXPECT_TRUE(segment.ShowHint());
    segment.Click();
    segment.DblClick();
  }
  EXPECT_EQ(recorder.Senders.size(), 10u);
  EXPECT_EQ(recorder.Senders.front(), meter->Segment(0));
  EXPECT_EQ(recorder.DoubleSenders.size(), 10u);
}

TEST_F(MeterTest, BandImageShowsAHandAndClicksThroughToThePanelsHandler) {
  TClickRecorder recorder;
  Panel.OnClick = TNotifyEvent(&recorder, &TClickRecorder::Clicked);
  const auto meter = LaidOut(TMeter::kBandImage, 0, 4);
  TImage& image = *meter->Image();
  EXPECT_EQ(image.Cursor(), crHandPoint);
  EXPECT_TRUE(image.ShowHint());
  EXPECT_EQ(image.Parent(), &Panel);
  EXPECT_EQ(meter->Segment(0), nullptr);
  image.Click();
  EXPECT_EQ(recorder.Senders, std::vector<TObject*>{&image});
}

TEST_F(MeterTest, ReleasingElementsTakesThemOutOfThePanelAtOnce) {
  auto bars = LaidOut(TMeter::kBars, 0, 0);
  auto image = LaidOut(TMeter::kBandImage, 0, 1);
  ASSERT_EQ(Panel.ControlCount(), 11);
  bars->ReleaseElements();
  image->ReleaseElements();
  EXPECT_EQ(Panel.ComponentCount(), 0);
  EXPECT_EQ(Panel.ControlCount(), 0);
  EXPECT_EQ(bars->Segment(0), nullptr);
  EXPECT_EQ(image->Image(), nullptr);
}

TEST_F(MeterTest, ABandCountBelowOneCountsAsOne) {
  TMeter single(&Panel);
  single.Layout(0, 0, 0);
  EXPECT_EQ(single.BandCount(), 1);
  EXPECT_EQ(BoundsOf(*single.Segment(0)), Bounds(0, 1, 19, 98));
}

// --- Levels ----------------------------------------------------------------------

TEST_F(MeterTest, LevelsAreClamped) {
  const auto bars = LaidOut(TMeter::kBars, 0, 0);
  bars->SetLevel(15);
  EXPECT_EQ(bars->FLevel, 10);
  EXPECT_EQ(VisibleSegments(*bars), 10);
  bars->SetLevel(-3);
  EXPECT_EQ(bars->FLevel, 0);

  const auto peaks = LaidOut(TMeter::kPeakMarker, 0, 0);
  peaks->SetLevel(15);
  EXPECT_EQ(peaks->FLevel, 10);
  EXPECT_TRUE(peaks->Segment(9)->Visible());
  peaks->SetLevel(-3);
  EXPECT_EQ(VisibleSegments(*peaks), 0);
}

TEST_F(MeterTest, LitSegmentsTakeTheirOwnColours) {
  const auto bars = LaidOut(TMeter::kBars, 0, 0);
  bars->SetSegmentColor(0, clAqua);
  bars->SetSegmentColor(1, clYellow);
  bars->SetLevel(2);
  EXPECT_EQ(bars->Segment(0)->Color(), clAqua);
  EXPECT_EQ(bars->Segment(1)->Color(), clYellow);
  EXPECT_TRUE(bars->Segment(1)->Visible());
  EXPECT_FALSE(bars->Segment(2)->Visible());
}

TEST_F(MeterTest, UnlitSegmentsArePaintedInThePanelsColourOnceLit) {
  const auto bars = LaidOut(TMeter::kBars, 0, 0);
  bars->SetSegmentColor(3, clRed);
  bars->SetLevel(5);
  bars->SetLevel(2);
  EXPECT_EQ(VisibleSegments(*bars), 5);
  EXPECT_EQ(bars->Segment(3)->Color(), clNavy);
  EXPECT_FALSE(bars->Segment(5)->Visible());
  bars->SetLevel(4);
  EXPECT_EQ(bars->Segment(3)->Color(), clRed);
}

TEST_F(MeterTest, UnlitSegmentsHideWhenABackgroundShowsThrough) {
  const auto bars = LaidOut(TMeter::kBars, 0, 0);
  bars->FHideUnlit = true;
  bars->SetSegmentColor(3, clRed);
  bars->SetLevel(5);
  bars->SetLevel(2);
  EXPECT_EQ(VisibleSegments(*bars), 2);
  EXPECT_EQ(bars->Segment(3)->Color(), clRed);
}

TEST_F(MeterTest, APeakMarkerShowsOneSegmentAtMost) {
  const auto peaks = LaidOut(TMeter::kPeakMarker, 0, 0);
  peaks->SetLevel(4);
  EXPECT_EQ(VisibleSegments(*peaks), 1);
  EXPECT_TRUE(peaks->Segment(3)->Visible());
  peaks->SetLevel(7);
  EXPECT_EQ(VisibleSegments(*peaks), 1);
  EXPECT_TRUE(peaks->Segment(6)->Visible());
  peaks->SetLevel(0);
  EXPECT_EQ(VisibleSegments(*peaks), 0);
}

TEST_F(MeterTest, AnUnchangedLevelAsksForNoRepaint) {
  const auto bars = LaidOut(TMeter::kBars, 0, 0);
  const auto hiding = LaidOut(TMeter::kBars, 0, 1);
  hiding->FHideUnlit = true;
  const auto peaks = LaidOut(TMeter::kPeakMarker, 0, 0);
  for (std::int32_t j = 0; j < 10; ++j) bars->SetSegmentColor(j, clLime);
  bars->SetLevel(8);
  bars->SetLevel(3);
  hiding->SetLevel(6);
  peaks->SetLevel(4);

  const std::uint64_t before = Panel.RepaintRequests();
  bars->SetLevel(3);
  hiding->SetLevel(6);
  peaks->SetLevel(4);
  EXPECT_EQ(Panel.RepaintRequests(), before);

  // Moving a peak touches its old and its new segment only.
  peaks->SetLevel(0);
  EXPECT_EQ(Panel.RepaintRequests(), before + 1);
}

TEST_F(MeterTest, SegmentColoursAreKeptBeforeLayoutAndAppliedWhenLit) {
  TMeter meter(&Panel);
  meter.SetSegmentColor(9, clRed);
  meter.Layout(0, 0, 10);
  EXPECT_EQ(meter.SegmentColor(9), clRed);
  EXPECT_EQ(meter.Segment(9)->Color(), 0);
  meter.SetLevel(10);
  EXPECT_EQ(meter.Segment(9)->Color(), clRed);
  meter.SetSegmentColor(9, clLime);
  EXPECT_EQ(meter.Segment(9)->Color(), clLime);
  EXPECT_THROW(meter.SetSegmentColor(10, clRed), EListError);
  EXPECT_THROW(meter.SetSegmentColor(-1, clRed), EListError);
}

// A list of `count` one-pixel frames, frame n coloured n.
class FrameList : public TImageList {
 public:
  explicit FrameList(std::int32_t count) : TImageList(nullptr) {
    SetWidth(1);
    SetHeight(1);
    SetMasked(false);
    TBitmap strip;
    strip.SetWidth(count);
    strip.SetHeight(1);
    for (std::int32_t n = 0; n < count; ++n) strip.Canvas()->SetPixels(n, 0, n);
    if (count > 0) Add(&strip);
  }
};

TColor ShownFrame(const TMeter& meter) {
  return meter.Image()->Picture()->Bitmap()->Canvas()->Pixels(0, 0);
}

TEST_F(MeterTest, BandImageShowsTheFrameOfItsBandAndLevel) {
  FrameList sheetOf110(110);
  FrameList singleRow(11);
  const auto full = LaidOut(TMeter::kBandImage, 0, 2, &sheetOf110);
  const auto row = LaidOut(TMeter::kBandImage, 0, 2, &singleRow);
  EXPECT_EQ(ShownFrame(*full), 22);  // level 0 right after the layout
  full->SetLevel(5);
  row->SetLevel(5);
  EXPECT_EQ(ShownFrame(*full), 27);
  EXPECT_EQ(ShownFrame(*row), 5);
  full->SetLevel(99);
  EXPECT_EQ(ShownFrame(*full), 32);
}

TEST_F(MeterTest, BandImageRepaintsOnEveryLevel) {
  FrameList frames(11);
  const auto meter = LaidOut(TMeter::kBandImage, 0, 0, &frames);
  meter->SetLevel(3);
  const std::uint64_t before = meter->Image()->RepaintRequests();
  meter->SetLevel(3);
  EXPECT_GT(meter->Image()->RepaintRequests(), before);
}

TEST_F(MeterTest, BandImageWithoutFramesOnlyRecordsTheLevel) {
  FrameList empty(0);
  const auto withoutList = LaidOut(TMeter::kBandImage, 0, 0);
  const auto withEmptyList = LaidOut(TMeter::kBandImage, 0, 1, &empty);
  withoutList->SetLevel(6);
  withEmptyList->SetLevel(6);
  EXPECT_EQ(withoutList->FLevel, 6);
  EXPECT_EQ(withEmptyList->FLevel, 6);
  EXPECT_TRUE(withEmptyList->Image()->Picture()->Bitmap()->Empty());
}

}  // namespace
