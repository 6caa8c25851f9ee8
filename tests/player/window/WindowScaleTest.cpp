// The desktop window's scale and the way back from a window point to the
// visualisation window's pixel.
#include <gtest/gtest.h>

#include "player/window/WindowScale.h"

namespace {

using namespace kivo;

TEST(WindowScaleTest, TheDefaultScaleTakesAtMostThreeQuartersOfTheScreen) {
  EXPECT_EQ(ComfortableScale({320, 100}, {1280, 1024}), 3);  // 960 of 960 wide
  EXPECT_EQ(ComfortableScale({340, 120}, {1280, 1024}), 2);
  EXPECT_EQ(ComfortableScale({320, 100}, {1920, 1080}), 4);  // 1280 of 1440
  EXPECT_EQ(ComfortableScale({100, 400}, {1920, 1080}), 2);  // the height decides
  // Never below 1, even when the picture is larger than the screen or the
  // screen's size is unknown.
  EXPECT_EQ(ComfortableScale({2000, 100}, {1280, 1024}), 1);
  EXPECT_EQ(ComfortableScale({320, 100}, {0, 0}), 1);
  EXPECT_EQ(ComfortableScale({0, 0}, {1280, 1024}), 1);
}

// Each skin's picture gets the comfortable scale of its own; one larger
// than the screen at scale 1 is cut to the screen; a scale asked for stays.
TEST(WindowScaleTest, EachPictureIsFittedAgainAndNoneIsLargerThanTheScreen) {
  const PixelSize screen{1920, 1080};
  EXPECT_EQ(FitWindow({320, 100}, std::nullopt, screen).Size, (PixelSize{1280, 400}));
  EXPECT_EQ(FitWindow({200, 120}, std::nullopt, screen).Size, (PixelSize{1200, 720}));
  const WindowFit huge = FitWindow({4000, 3000}, std::nullopt, screen);
  EXPECT_EQ(huge.Size, screen);
  EXPECT_TRUE(huge.Cut);
  EXPECT_FALSE(FitWindow({1920, 1080}, std::nullopt, screen).Cut);
  EXPECT_EQ(FitWindow({4000, 3000}, 2, screen).Size, (PixelSize{8000, 6000}));
  EXPECT_EQ(FitWindow({320, 100}, std::nullopt, {0, 0}).Size, (PixelSize{320, 100}));
}

TEST(WindowScaleTest, AResizedWindowGetsTheLargestWholeScaleCentredOnBlack) {
  EXPECT_EQ(PlacePicture({320, 100}, {640, 200}), (PicturePlacement{2, 0, 0, {320, 100}}));
  // Scale 2 fits in 700 x 260 (3 would need 960 x 300): 30 pixels of black
  // on each side.
  EXPECT_EQ(PlacePicture({320, 100}, {700, 260}), (PicturePlacement{2, 30, 30, {320, 100}}));
  // The narrower side decides; an odd remainder leaves the extra pixel
  // right and below.
  EXPECT_EQ(PlacePicture({320, 100}, {1000, 201}), (PicturePlacement{2, 180, 0, {320, 100}}));
  // Smaller than the picture: scale 1, cut on both sides.
  EXPECT_EQ(PlacePicture({320, 100}, {300, 100}), (PicturePlacement{1, -10, 0, {320, 100}}));
}

TEST(WindowScaleTest, APointMapsToThePixelItsSquareShowsAndTheBorderToNothing) {
  const PicturePlacement placement = PlacePicture({320, 100}, {700, 260});
  EXPECT_EQ(PicturePointAt(placement, 30, 30), (WindowPoint{0, 0}));
  EXPECT_EQ(PicturePointAt(placement, 31, 31), (WindowPoint{0, 0}));
  EXPECT_EQ(PicturePointAt(placement, 32, 31), (WindowPoint{1, 0}));
  EXPECT_EQ(PicturePointAt(placement, 30 + 80 * 2 + 1, 30 + 50 * 2), (WindowPoint{80, 50}));
  EXPECT_EQ(PicturePointAt(placement, 669, 229), (WindowPoint{319, 99}));
  for (const auto& [x, y] : {std::pair{29, 100}, std::pair{670, 100}, std::pair{100, 29},
                             std::pair{100, 230}, std::pair{0, 0}, std::pair{28, 28}})
    EXPECT_FALSE(PicturePointAt(placement, x, y)) << x << "," << y;

  // A window cut on the left: its first column shows picture pixel 10.
  const PicturePlacement cut = PlacePicture({320, 100}, {300, 100});
  EXPECT_EQ(PicturePointAt(cut, 0, 0), (WindowPoint{10, 0}));
  EXPECT_EQ(PicturePointAt(cut, 299, 99), (WindowPoint{309, 99}));
}

}  // namespace
