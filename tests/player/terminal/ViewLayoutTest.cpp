#include <gtest/gtest.h>

#include "player/terminal/ViewLayout.h"

namespace {

using kivo::FitWindow;
using kivo::ViewLayout;
using kivo::WindowPoint;

TEST(ViewLayoutTest, ASmallerWindowIsCentredUnscaled) {
  // 80 columns x 23 rows give an area of 80 x 46 pixels.
  const ViewLayout layout = FitWindow(40, 20, 80, 23);
  EXPECT_EQ(layout.PictureWidth, 40);
  EXPECT_EQ(layout.PictureHeight, 20);
  EXPECT_EQ(layout.Left, 20);
  EXPECT_EQ(layout.Top, 13);
  EXPECT_EQ(layout.SourcePixel(0, 0), (WindowPoint{0, 0}));
  EXPECT_EQ(layout.SourcePixel(39, 19), (WindowPoint{39, 19}));
}

TEST(ViewLayoutTest, AWindowThatFillsTheAreaExactlyIsNotMoved) {
  const ViewLayout layout = FitWindow(80, 46, 80, 23);
  EXPECT_EQ(layout.PictureWidth, 80);
  EXPECT_EQ(layout.PictureHeight, 46);
  EXPECT_EQ(layout.Left, 0);
  EXPECT_EQ(layout.Top, 0);
}

TEST(ViewLayoutTest, AWideWindowIsScaledToTheWidthKeepingItsAspect) {
  const ViewLayout layout = FitWindow(400, 100, 80, 23);
  EXPECT_EQ(layout.PictureWidth, 80);
  EXPECT_EQ(layout.PictureHeight, 20);
  EXPECT_EQ(layout.Left, 0);
  EXPECT_EQ(layout.Top, 13);
  // Each picture pixel shows the window pixel under its centre.
  EXPECT_EQ(layout.SourcePixel(0, 0), (WindowPoint{2, 2}));
  EXPECT_EQ(layout.SourcePixel(79, 19), (WindowPoint{397, 97}));
}

TEST(ViewLayoutTest, EachPicturePixelCoversABoxOfWindowPixelsWithoutGapsOrOverlaps) {
  const ViewLayout unscaled = FitWindow(40, 20, 80, 23);
  EXPECT_EQ(unscaled.SourceBox(3, 4), (kivo::WindowBox{3, 4, 4, 5}));

  const ViewLayout scaled = FitWindow(403, 101, 80, 23);  // not a whole ratio
  std::int32_t right = 0;
  for (std::int32_t x = 0; x < scaled.PictureWidth; ++x) {
    const kivo::WindowBox box = scaled.SourceBox(x, 0);
    EXPECT_EQ(box.Left, right);
    EXPECT_GE(box.Right - box.Left, 5);
    EXPECT_LE(box.Right - box.Left, 6);
    const WindowPoint centre = scaled.SourcePixel(x, 0);
    EXPECT_TRUE(centre.X >= box.Left && centre.X < box.Right) << "a click lands inside the box";
    right = box.Right;
  }
  EXPECT_EQ(right, 403);
  EXPECT_EQ(scaled.SourceBox(0, scaled.PictureHeight - 1).Bottom, 101);
}

TEST(ViewLayoutTest, ATallWindowIsScaledToTheHeight) {
  const ViewLayout layout = FitWindow(100, 200, 80, 23);
  EXPECT_EQ(layout.PictureHeight, 46);
  EXPECT_EQ(layout.PictureWidth, 23);
  EXPECT_EQ(layout.Left, 28);
  EXPECT_EQ(layout.Top, 0);
}

TEST(ViewLayoutTest, AWindowTallerButNarrowerThanTheAreaIsStillScaled) {
  const ViewLayout layout = FitWindow(60, 92, 80, 23);
  EXPECT_EQ(layout.PictureHeight, 46);
  EXPECT_EQ(layout.PictureWidth, 30);
}

TEST(ViewLayoutTest, ExtremeShapesKeepAtLeastOnePixel) {
  EXPECT_EQ(FitWindow(10000, 1, 80, 23).PictureHeight, 1);
  EXPECT_EQ(FitWindow(1, 10000, 80, 23).PictureWidth, 1);
}

TEST(ViewLayoutTest, NothingIsShownInAnEmptyAreaOrOfAnEmptyWindow) {
  for (const ViewLayout& layout : {FitWindow(0, 10, 80, 23), FitWindow(10, 10, 0, 23),
                                   FitWindow(10, 10, 80, 0), FitWindow(10, 10, -5, -5)}) {
    EXPECT_EQ(layout.PictureWidth, 0);
    EXPECT_EQ(layout.PictureHeight, 0);
    EXPECT_FALSE(layout.WindowPointAt(0, 0).has_value());
  }
}

TEST(ViewLayoutTest, ACellMapsBackToTheWindowPixelDrawnInIt) {
  const ViewLayout unscaled = FitWindow(40, 20, 80, 23);  // picture at column 20, pixel row 13
  // Cell row 6 holds pixel rows 12 (beside the picture) and 13 (its row 0).
  EXPECT_EQ(unscaled.WindowPointAt(20, 6), (WindowPoint{0, 0}));
  EXPECT_EQ(unscaled.WindowPointAt(25, 7), (WindowPoint{5, 1}));
  EXPECT_EQ(unscaled.WindowPointAt(59, 16), (WindowPoint{39, 19}));
  EXPECT_FALSE(unscaled.WindowPointAt(19, 10).has_value());
  EXPECT_FALSE(unscaled.WindowPointAt(60, 10).has_value());
  EXPECT_FALSE(unscaled.WindowPointAt(30, 5).has_value());
  EXPECT_FALSE(unscaled.WindowPointAt(30, 17).has_value());

  const ViewLayout scaled = FitWindow(400, 100, 80, 23);  // five window pixels a column
  EXPECT_EQ(scaled.WindowPointAt(10, 7), (WindowPoint{52, 7}));
}

}  // namespace
