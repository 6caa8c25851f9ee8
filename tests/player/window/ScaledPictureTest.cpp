// The window's picture drawn by whole-number squares into surfaces in
// memory, of the pixel formats X servers give windows, and read back
// pixel by pixel against the picture.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "player/window/ScaledPicture.h"

namespace {

using namespace kivo;

using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

SurfacePtr MakeSurface(int width, int height, Uint32 format) {
  SurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, format),
                     &SDL_FreeSurface);
  if (!surface) ADD_FAILURE() << SDL_GetError();
  // Not black, so that a pixel nobody drew is told from the border.
  SDL_FillRect(surface.get(), nullptr, SDL_MapRGB(surface->format, 0x12, 0x34, 0x56));
  return surface;
}

// Opaque, and the transparent black of an area nothing paints.
TFrame RandomFrame(int width, int height, unsigned seed) {
  TFrame frame(width, height);
  std::mt19937 random(seed);
  for (std::uint32_t& pixel : frame.Pixels)
    pixel = random() % 7 == 0 ? 0u : (static_cast<std::uint32_t>(random()) | TFrame::Opaque);
  return frame;
}

// 0xRRGGBB of the surface's pixel.
std::uint32_t RgbAt(const SDL_Surface& surface, int x, int y) {
  const auto* at = static_cast<const std::uint8_t*>(surface.pixels) + y * surface.pitch +
                   x * surface.format->BytesPerPixel;
  Uint32 value = 0;
  for (int i = 0; i < surface.format->BytesPerPixel; ++i) value |= Uint32{at[i]} << (8 * i);
  Uint8 r = 0;
  Uint8 g = 0;
  Uint8 b = 0;
  SDL_GetRGB(value, surface.format, &r, &g, &b);
  return std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
}

std::uint32_t RgbOf(std::uint32_t framePixel) {
  return (framePixel & 0xFF) << 16 | (framePixel & 0xFF00) | (framePixel >> 16 & 0xFF);
}

// How many surface pixels are not `frame` at `placement`, black around it.
long Mismatches(const SDL_Surface& surface, const TFrame& frame,
                const PicturePlacement& placement) {
  long differ = 0;
  for (int y = 0; y < surface.h; ++y) {
    for (int x = 0; x < surface.w; ++x) {
      const auto point = PicturePointAt(placement, x, y);
      const std::uint32_t expected = point ? RgbOf(frame.At(point->X, point->Y)) : 0;
      if (RgbAt(surface, x, y) != expected) ++differ;
    }
  }
  return differ;
}

const std::vector<Uint32> kFormats = {SDL_PIXELFORMAT_RGB888, SDL_PIXELFORMAT_ARGB8888,
                                      SDL_PIXELFORMAT_BGR888, SDL_PIXELFORMAT_RGB24,
                                      SDL_PIXELFORMAT_BGR24};

TEST(ScaledPictureTest, AnAreaOutsideTheSurfaceDrawsNothing) {
  TScaledPicture picture;
  picture.TakeAll(RandomFrame(20, 10, 1));
  // A window smaller than the picture at scale 1 shows its middle: from
  // column 5 and row 2 on.
  const PicturePlacement placement = PlacePicture({20, 10}, {10, 6}, 0);
  ASSERT_EQ(placement.Left, -5);
  ASSERT_EQ(placement.Top, -2);
  SurfacePtr surface = MakeSurface(10, 6, SDL_PIXELFORMAT_RGB888);
  const std::uint32_t untouched = RgbAt(*surface, 0, 0);
  for (const TRect& outside : {TRect{0, 0, 5, 10}, TRect{15, 0, 20, 10}, TRect{0, 8, 20, 10}}) {
    const SDL_Rect drawn = picture.Draw(*surface, placement, outside);
    EXPECT_TRUE(drawn.w == 0 || drawn.h == 0);
  }
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(RgbAt(*surface, x, y), untouched);
}

// Scales 1 to 5, centred on black, cut by a window smaller than the
// picture, in every format, with 3- and 4-byte pixels.
TEST(ScaledPictureTest, TheWholePictureIsEveryPixelAnExactSquareOnBlack) {
  const TFrame frame = RandomFrame(13, 7, 2);
  const std::vector<std::tuple<int, int>> windows = {{13, 7},  {40, 30}, {66, 36},
                                                     {67, 41}, {9, 5},   {30, 6}};
  for (const Uint32 format : kFormats) {
    for (const auto& [width, height] : windows) {
      SCOPED_TRACE(std::string(SDL_GetPixelFormatName(format)) + " " + std::to_string(width) +
                   "x" + std::to_string(height));
      TScaledPicture picture;
      picture.TakeAll(frame);
      const PicturePlacement placement = PlacePicture({13, 7}, {width, height}, 0);
      SurfacePtr surface = MakeSurface(width, height, format);
      picture.DrawAll(*surface, placement);
      EXPECT_EQ(Mismatches(*surface, frame, placement), 0);
    }
  }
}

// What the repainter says changed, taken and drawn paint after paint,
// leaves the window as the last paint drawn whole; each area drawn is
// reported as the window rectangle it covers.
TEST(ScaledPictureTest, ChangedAreasDrawnPaintAfterPaintAddUpToTheLastPaint) {
  for (const Uint32 format : kFormats) {
    SCOPED_TRACE(SDL_GetPixelFormatName(format));
    TFrame frame = RandomFrame(32, 10, 3);
    TScaledPicture picture;
    picture.TakeAll(frame);
    // Scale 3, with a border of 2 on the left and 1 on top.
    const PicturePlacement placement = PlacePicture({32, 10}, {100, 32}, 0);
    ASSERT_EQ(placement.Scale, 3);
    SurfacePtr surface = MakeSurface(100, 32, format);
    picture.DrawAll(*surface, placement);

    std::mt19937 random(4);
    for (int paint = 0; paint < 20; ++paint) {
      std::vector<TRect> changed;
      for (int i = 0; i < 3; ++i) {
        const int left = static_cast<int>(random() % 32);
        const int top = static_cast<int>(random() % 10);
        changed.push_back({left, top, left + 1 + static_cast<int>(random() % (32 - left)),
                           top + 1 + static_cast<int>(random() % (10 - top))});
      }
      const TFrame next = RandomFrame(32, 10, 100 + static_cast<unsigned>(paint));
      for (const TRect& area : changed)
        for (int y = area.Top; y < area.Bottom; ++y)
          for (int x = area.Left; x < area.Right; ++x)
            frame.Pixels[static_cast<std::size_t>(y * 32 + x)] = next.At(x, y);
      picture.Take(frame, changed);
      for (const TRect& area : changed) {
        const SDL_Rect drawn = picture.Draw(*surface, placement, area);
        EXPECT_EQ(drawn.x, placement.Left + area.Left * 3);
        EXPECT_EQ(drawn.y, placement.Top + area.Top * 3);
        EXPECT_EQ(drawn.w, area.Width() * 3);
        EXPECT_EQ(drawn.h, area.Height() * 3);
      }
    }
    EXPECT_EQ(Mismatches(*surface, frame, placement), 0);
  }
}

// A window smaller than the picture shows part of a changed area: only
// that part is drawn and reported, starting inside a square.
TEST(ScaledPictureTest, AnAreaCutByTheWindowIsDrawnAndReportedAsFarAsItShows) {
  const TFrame frame = RandomFrame(20, 10, 5);
  // Scale 1 placed at -5, -2 in a 10 x 6 window.
  const PicturePlacement cut = PlacePicture({20, 10}, {10, 6}, 0);
  SurfacePtr surface = MakeSurface(10, 6, SDL_PIXELFORMAT_RGB888);
  TScaledPicture picture;
  picture.TakeAll(frame);
  picture.DrawAll(*surface, cut);
  EXPECT_EQ(Mismatches(*surface, frame, cut), 0);
  const SDL_Rect drawn = picture.Draw(*surface, cut, {3, 1, 8, 9});
  EXPECT_EQ(drawn.x, 0);
  EXPECT_EQ(drawn.y, 0);
  EXPECT_EQ(drawn.w, 3);
  EXPECT_EQ(drawn.h, 6);

  // Scale 4 with the window's left edge 2 pixels into a square.
  PicturePlacement inside{4, -6, 0, {20, 10}};
  SurfacePtr wide = MakeSurface(30, 40, SDL_PIXELFORMAT_BGR24);
  picture.DrawAll(*wide, inside);
  EXPECT_EQ(Mismatches(*wide, frame, inside), 0);
  const SDL_Rect part = picture.Draw(*wide, inside, {1, 2, 3, 4});
  EXPECT_EQ(part.x, 0);
  EXPECT_EQ(part.w, 6);
  EXPECT_EQ(part.y, 8);
  EXPECT_EQ(part.h, 8);
}

// The strip below the picture cuts it: no picture pixel is drawn on the
// strip's rows, which are left for the strip, also where an area reaches
// down into them.
TEST(ScaledPictureTest, ThePictureStopsAboveTheStrip) {
  const TFrame frame = RandomFrame(20, 10, 6);
  // Scale 1 in a 20 x 12 window with a strip of 4 rows: rows 0 to 7 show
  // picture rows 1 to 8.
  const PicturePlacement placement = PlacePicture({20, 10}, {20, 12}, 4);
  ASSERT_EQ(placement.StripTop, 8);
  ASSERT_EQ(placement.Top, -1);
  SurfacePtr surface = MakeSurface(20, 12, SDL_PIXELFORMAT_RGB888);
  TScaledPicture picture;
  picture.TakeAll(frame);
  const SDL_Rect drawn = picture.Draw(*surface, placement, {0, 0, 20, 10});
  EXPECT_EQ(drawn.y, 0);
  EXPECT_EQ(drawn.h, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 20; ++x)
      ASSERT_EQ(RgbAt(*surface, x, y), RgbOf(frame.At(x, y + 1))) << x << "," << y;
  for (int y = 8; y < 12; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(RgbAt(*surface, x, y), 0x123456u) << x << "," << y;
  EXPECT_EQ(picture.Draw(*surface, placement, {0, 9, 20, 10}).h, 0) << "an area under the strip";
}

}  // namespace
