#include <gtest/gtest.h>

#include "player/terminal/Palette.h"

namespace {

using kivo::ColorMode;
using kivo::NearestXterm256;
using kivo::Rgb;

TEST(PaletteTest, TwentyFourBitColourOnlyWhenColortermSaysSo) {
  EXPECT_EQ(kivo::DetectColorMode("truecolor"), ColorMode::TrueColor);
  EXPECT_EQ(kivo::DetectColorMode("24bit"), ColorMode::TrueColor);
  EXPECT_EQ(kivo::DetectColorMode(nullptr), ColorMode::Palette256);
  EXPECT_EQ(kivo::DetectColorMode(""), ColorMode::Palette256);
  EXPECT_EQ(kivo::DetectColorMode("yes"), ColorMode::Palette256);
}

TEST(PaletteTest, CubeCornersMapToTheirCubeEntries) {
  EXPECT_EQ(NearestXterm256({0, 0, 0}), 16);
  EXPECT_EQ(NearestXterm256({255, 0, 0}), 196);
  EXPECT_EQ(NearestXterm256({0, 255, 0}), 46);
  EXPECT_EQ(NearestXterm256({0, 0, 255}), 21);
  EXPECT_EQ(NearestXterm256({255, 255, 0}), 226);
  EXPECT_EQ(NearestXterm256({0, 255, 255}), 51);
  EXPECT_EQ(NearestXterm256({255, 255, 255}), 231);
}

TEST(PaletteTest, InnerCubeLevelsAreMatchedToTheNearestStep) {
  // 95, 135, 175, 215 are the inner levels; 100 is nearest 95, 160 nearest 175.
  EXPECT_EQ(NearestXterm256({95, 135, 175}), 16 + 36 * 1 + 6 * 2 + 3);
  EXPECT_EQ(NearestXterm256({100, 0, 160}), 16 + 36 * 1 + 3);
  // 47 is nearer 0 than 95, 48 nearer 95.
  EXPECT_EQ(NearestXterm256({47, 0, 255}), 21);
  EXPECT_EQ(NearestXterm256({48, 0, 255}), 57);
}

TEST(PaletteTest, GreysPreferTheGreyRampWhenItIsNearer) {
  EXPECT_EQ(NearestXterm256({128, 128, 128}), 244);  // 8 + 10 * 12 exactly
  EXPECT_EQ(NearestXterm256({8, 8, 8}), 232);
  EXPECT_EQ(NearestXterm256({238, 238, 238}), 255);
  // A grey that the cube holds exactly stays in the cube.
  EXPECT_EQ(NearestXterm256({95, 95, 95}), 59);
  // Near-grey colours go to the ramp; a saturated colour never does.
  EXPECT_EQ(NearestXterm256({60, 62, 58}), 237);
  EXPECT_LT(NearestXterm256({200, 30, 30}), 232);
}

TEST(PaletteTest, ColourParametersFollowTheMode) {
  EXPECT_EQ(kivo::ForegroundParameters({1, 2, 3}, ColorMode::TrueColor), "38;2;1;2;3");
  EXPECT_EQ(kivo::BackgroundParameters({1, 2, 3}, ColorMode::TrueColor), "48;2;1;2;3");
  EXPECT_EQ(kivo::ForegroundParameters({255, 0, 0}, ColorMode::Palette256), "38;5;196");
  EXPECT_EQ(kivo::BackgroundParameters({128, 128, 128}, ColorMode::Palette256), "48;5;244");
}

TEST(PaletteTest, FramePixelsAreReadAsRedInTheLowByte) {
  EXPECT_EQ(kivo::PixelRgb(0xFF332211u), (Rgb{0x11, 0x22, 0x33}));
}

}  // namespace
