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
  // A little red in a full blue is not seen; more of it is violet.
  EXPECT_EQ(NearestXterm256({47, 0, 255}), 21);
  EXPECT_EQ(NearestXterm256({80, 0, 255}), 57);
}

// The default skins' colours as a person sees them: the segments' pure
// colours exactly, the frames skin's near-black as black-grey, and the bars
// skin's navy as a blue, not the grey 234 that is nearest by RGB distance.
TEST(PaletteTest, TheDefaultSkinsColoursKeepTheirLook) {
  EXPECT_EQ(NearestXterm256({0, 255, 0}), 46);
  EXPECT_EQ(NearestXterm256({255, 255, 0}), 226);
  EXPECT_EQ(NearestXterm256({255, 0, 0}), 196);
  EXPECT_EQ(NearestXterm256({0, 255, 255}), 51);
  EXPECT_EQ(NearestXterm256({8, 8, 16}), 232);
  EXPECT_EQ(NearestXterm256({0, 0, 0}), 16);
  EXPECT_EQ(NearestXterm256({8, 24, 48}), 17);
  // The bevels' classic greys stay grey.
  EXPECT_EQ(NearestXterm256({212, 208, 200}), 252);
  EXPECT_EQ(NearestXterm256({128, 128, 128}), 244);
  // Other dark colours keep their hue too.
  EXPECT_EQ(NearestXterm256({48, 24, 8}), 52);
  EXPECT_EQ(NearestXterm256({20, 40, 20}), 22);
  // The same answer again, from the thread's cache.
  EXPECT_EQ(NearestXterm256({8, 24, 48}), 17);
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
