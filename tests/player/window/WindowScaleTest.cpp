// The desktop window's scale, the strip below the picture, and the way back
// from a window point to the visualisation window's pixel.
#include <gtest/gtest.h>

#include "player/window/WindowScale.h"

namespace {

using namespace kivo;

// A strip of ten picture rows below the picture.
constexpr std::int32_t kStrip = 10;

TEST(WindowScaleTest, TheDefaultScaleTakesAtMostThreeQuartersOfTheScreenWithTheStrip) {
  EXPECT_EQ(ComfortableScale({320, 100}, {1280, 1024}, kStrip), 3);  // 960 of 960 wide
  EXPECT_EQ(ComfortableScale({340, 120}, {1280, 1024}, kStrip), 2);
  EXPECT_EQ(ComfortableScale({320, 100}, {1920, 1080}, kStrip), 4);  // 1280 of 1440
  // The height decides, and the strip's rows count: 2 x 410 is more than
  // 810, 2 x 400 is not.
  EXPECT_EQ(ComfortableScale({100, 400}, {1920, 1080}, kStrip), 1);
  EXPECT_EQ(ComfortableScale({100, 400}, {1920, 1080}, 0), 2);
  // Never below 1, even when the picture is larger than the screen or the
  // screen's size is unknown.
  EXPECT_EQ(ComfortableScale({2000, 100}, {1280, 1024}, kStrip), 1);
  EXPECT_EQ(ComfortableScale({320, 100}, {0, 0}, kStrip), 1);
  EXPECT_EQ(ComfortableScale({0, 0}, {1280, 1024}, kStrip), 1);
}

// Each skin's picture gets the comfortable scale of its own, the strip as
// many rows below it at the same scale; one larger than the screen at
// scale 1 is cut to the screen; a scale asked for stays.
TEST(WindowScaleTest, EachPictureIsFittedAgainWithItsStripAndNoneIsLargerThanTheScreen) {
  const PixelSize screen{1920, 1080};
  EXPECT_EQ(FitWindow({320, 100}, std::nullopt, screen, kStrip).Size, (PixelSize{1280, 440}));
  EXPECT_EQ(FitWindow({200, 120}, std::nullopt, screen, kStrip).Size, (PixelSize{1200, 780}));
  const WindowFit huge = FitWindow({4000, 3000}, std::nullopt, screen, kStrip);
  EXPECT_EQ(huge.Size, screen);
  EXPECT_TRUE(huge.Cut);
  EXPECT_FALSE(FitWindow({1920, 1070}, std::nullopt, screen, kStrip).Cut);
  EXPECT_TRUE(FitWindow({1920, 1080}, std::nullopt, screen, kStrip).Cut) << "the strip does not fit";
  EXPECT_EQ(FitWindow({4000, 3000}, 2, screen, kStrip).Size, (PixelSize{8000, 6020}));
  EXPECT_EQ(FitWindow({320, 100}, std::nullopt, {0, 0}, kStrip).Size, (PixelSize{320, 110}));
}

TEST(WindowScaleTest, AResizedWindowGetsTheLargestWholeScaleCentredOnBlackAboveTheStrip) {
  EXPECT_EQ(PlacePicture({320, 100}, {640, 220}, kStrip),
            (PicturePlacement{2, 0, 0, {320, 100}, 200, 20}));
  // Scale 2 fits in 700 x 280 (3 would need 960 x 330): 30 pixels of black
  // on each side of the picture, the strip along the bottom.
  EXPECT_EQ(PlacePicture({320, 100}, {700, 280}, kStrip),
            (PicturePlacement{2, 30, 30, {320, 100}, 260, 20}));
  // The narrower side decides; an odd remainder leaves the extra pixel
  // right of the picture and between it and the strip.
  EXPECT_EQ(PlacePicture({320, 100}, {1000, 221}, kStrip),
            (PicturePlacement{2, 180, 0, {320, 100}, 201, 20}));
  // Smaller than the picture: scale 1, cut on every side, the strip whole.
  EXPECT_EQ(PlacePicture({320, 100}, {300, 100}, kStrip),
            (PicturePlacement{1, -10, -5, {320, 100}, 90, 10}));
  // Shorter than the strip: the strip takes what there is.
  EXPECT_EQ(PlacePicture({320, 100}, {300, 6}, kStrip).StripHeight, 6);
  EXPECT_EQ(PlacePicture({320, 100}, {300, 6}, kStrip).StripTop, 0);
  // Without a strip, the whole window is the picture's.
  EXPECT_EQ(PlacePicture({320, 100}, {700, 260}, 0),
            (PicturePlacement{2, 30, 30, {320, 100}, 260, 0}));
}

TEST(WindowScaleTest, APointMapsToThePixelItsSquareShowsAndTheBorderAndStripToNothing) {
  const PicturePlacement placement = PlacePicture({320, 100}, {700, 280}, kStrip);
  EXPECT_EQ(PicturePointAt(placement, 30, 30), (WindowPoint{0, 0}));
  EXPECT_EQ(PicturePointAt(placement, 31, 31), (WindowPoint{0, 0}));
  EXPECT_EQ(PicturePointAt(placement, 32, 31), (WindowPoint{1, 0}));
  EXPECT_EQ(PicturePointAt(placement, 30 + 80 * 2 + 1, 30 + 50 * 2), (WindowPoint{80, 50}));
  EXPECT_EQ(PicturePointAt(placement, 669, 229), (WindowPoint{319, 99}));
  for (const auto& [x, y] : {std::pair{29, 100}, std::pair{670, 100}, std::pair{100, 29},
                             std::pair{100, 230}, std::pair{0, 0}, std::pair{28, 28},
                             std::pair{100, 260}, std::pair{100, 279}})
    EXPECT_FALSE(PicturePointAt(placement, x, y)) << x << "," << y;

  // A window cut on every side: its first column shows picture pixel 10,
  // its first row picture row 5, and the strip hides the rows below 94.
  const PicturePlacement cut = PlacePicture({320, 100}, {300, 100}, kStrip);
  EXPECT_EQ(PicturePointAt(cut, 0, 0), (WindowPoint{10, 5}));
  EXPECT_EQ(PicturePointAt(cut, 299, 89), (WindowPoint{309, 94}));
  EXPECT_FALSE(PicturePointAt(cut, 100, 90)) << "on the strip, over picture row 95";
}

}  // namespace
