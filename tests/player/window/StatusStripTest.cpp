// The strip below the picture in surfaces in memory: every cell the font's
// glyph at the picture's scale, the text cut to whole cells, the buttons'
// boxes where a click finds them, the held button, and no drawing for a
// status already shown.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "player/terminal/TransportBar.h"
#include "player/window/StatusStrip.h"

namespace {

using namespace kivo;

using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

constexpr std::uint32_t kFace = 0xD4D0C8;
constexpr std::uint32_t kButtonFace = 0xFFFFFF;
constexpr std::uint32_t kInk = 0x000000;
constexpr std::uint32_t kHeldFace = 0x0A246A;
constexpr std::uint32_t kHeldInk = 0xFFFFFF;
constexpr std::uint32_t kShadow = 0x808080;
// What the picture's area holds before the strip is drawn.
constexpr std::uint32_t kPicture = 0x123456;

SurfacePtr MakeSurface(int width, int height) {
  SurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888),
                     &SDL_FreeSurface);
  if (!surface) ADD_FAILURE() << SDL_GetError();
  SDL_FillRect(surface.get(), nullptr, kPicture);
  return surface;
}

std::uint32_t At(const SDL_Surface& surface, int x, int y) {
  return static_cast<const std::uint32_t*>(surface.pixels)[y * surface.pitch / 4 + x] & 0xFFFFFF;
}

// Whether the square of `side` at (x, y) is all `colour`.
bool Square(const SDL_Surface& surface, int x, int y, int side, std::uint32_t colour) {
  for (int row = y; row < y + side; ++row)
    for (int column = x; column < x + side; ++column)
      if (At(surface, column, row) != colour) return false;
  return true;
}

// The cell of a column shows the character's glyph in `ink` on `paper`
// (the column of space beside it may be a box's edge).
void ExpectCell(const SDL_Surface& surface, const PicturePlacement& placement, int column,
                char32_t character, std::uint32_t ink, std::uint32_t paper) {
  const int pixel = placement.Scale;
  const int left = (kStatusStripPadding + column * kGlyphCellWidth) * pixel;
  const int top = placement.StripTop + kStatusStripPadding * pixel;
  const auto& rows = GlyphOf(character);
  for (int y = 0; y < kGlyphHeight; ++y)
    for (int x = 0; x < kGlyphWidth; ++x) {
      const bool dot = (rows[static_cast<std::size_t>(y)] & (0x10 >> x)) != 0;
      ASSERT_TRUE(Square(surface, left + x * pixel, top + y * pixel, pixel, dot ? ink : paper))
          << "column " << column << " ('" << static_cast<char>(character) << "') font pixel " << x
          << "," << y;
    }
}

bool IsButtonColumn(int column) { return TransportButtonAt(column).has_value(); }

TEST(StatusStripTest, EachCellIsTheFontsGlyphAtThePicturesScaleAndTheTextIsCutToWholeCells) {
  const std::string bar = TransportBarText();
  const std::string text = "Song \xC3\xA9\x01  1:05";  // an accent and a control character: '?'
  const std::u32string shown = U"Song ??  1:05";
  const int columns = static_cast<int>(bar.size()) + 9;  // "Song ??  " of the text
  for (const int scale : {1, 2, 3}) {
    SCOPED_TRACE(scale);
    // A cell and a half more than the columns: the half is not drawn.
    const int width = (kStatusStripPadding + columns * kGlyphCellWidth + 3) * scale;
    const PicturePlacement placement =
        PlacePicture({width / scale, 20}, {width, (20 + kStatusStripRows) * scale}, kStatusStripRows);
    ASSERT_EQ(placement.Scale, scale);
    const SurfacePtr surface = MakeSurface(width, (20 + kStatusStripRows) * scale);
    TStatusStrip strip;
    ASSERT_TRUE(strip.Show(text, std::nullopt));
    const SDL_Rect drawn = strip.Draw(*surface, placement);
    EXPECT_EQ(drawn.y, 20 * scale);
    EXPECT_EQ(drawn.h, kStatusStripRows * scale);
    EXPECT_EQ(drawn.w, width);
    for (int column = 0; column < columns; ++column) {
      const bool onBar = column < static_cast<int>(bar.size());
      const char32_t character = onBar ? static_cast<char32_t>(bar[static_cast<std::size_t>(column)])
                                       : shown[static_cast<std::size_t>(column) - bar.size()];
      ExpectCell(*surface, placement, column, character, kInk,
                 IsButtonColumn(column) ? kButtonFace : kFace);
    }
    // The stop button's box, columns 11 to 14: a font pixel before them,
    // the shadow along its right and bottom edges, the face beyond it.
    const int cell = kGlyphCellWidth * scale;
    const int left = kStatusStripPadding * scale + 11 * cell - scale;
    const int right = kStatusStripPadding * scale + 15 * cell - scale;
    const int textTop = placement.StripTop + kStatusStripPadding * scale;
    EXPECT_TRUE(Square(*surface, left, textTop - scale, scale, kButtonFace));
    EXPECT_TRUE(Square(*surface, left - scale, textTop, scale, kFace));
    EXPECT_TRUE(Square(*surface, right, textTop, scale, kShadow));
    EXPECT_TRUE(Square(*surface, left, textTop + kGlyphHeight * scale, scale, kShadow));
    EXPECT_TRUE(Square(*surface, right + scale, textTop, scale, kFace));
    EXPECT_TRUE(Square(*surface, left, textTop - 2 * scale, scale, kFace)) << "above the box";
    // The '1' of "1:05" would come next: a cell that does not fit whole.
    const int cutCell = kStatusStripPadding * scale + columns * cell;
    for (int x = 0; x < 3; ++x)
      EXPECT_TRUE(Square(*surface, cutCell + x * scale, textTop, scale, kFace)) << x;
    EXPECT_EQ(At(*surface, 0, 20 * scale - 1), kPicture) << "the picture's rows are left alone";
    EXPECT_EQ(At(*surface, width - 1, drawn.y + drawn.h - 1), kFace);
  }
}

TEST(StatusStripTest, TheButtonOfTheStateIsHeldDown) {
  PlayerStatus status;
  EXPECT_EQ(HeldButton(status), std::nullopt) << "playing";
  status.Paused = true;
  EXPECT_EQ(HeldButton(status), tbPlayPause);
  status.Paused = false;
  status.Stopped = true;
  EXPECT_EQ(HeldButton(status), tbStop);

  const PicturePlacement placement = PlacePicture({100, 10}, {300, 42}, kStatusStripRows);
  ASSERT_EQ(placement.Scale, 2);
  const SurfacePtr surface = MakeSurface(300, 42);
  TStatusStrip strip;
  strip.Show("", tbStop);
  strip.Draw(*surface, placement);
  const std::string bar = TransportBarText();
  for (int column = 0; column < static_cast<int>(bar.size()); ++column) {
    const bool held = TransportButtonAt(column) == tbStop;
    ExpectCell(*surface, placement, column, static_cast<char32_t>(bar[static_cast<std::size_t>(column)]),
               held ? kHeldInk : kInk,
               held ? kHeldFace : IsButtonColumn(column) ? kButtonFace : kFace);
  }
}

TEST(StatusStripTest, AStatusAlreadyShownIsNoChange) {
  TStatusStrip strip;
  EXPECT_TRUE(TStatusStrip().Show("", std::nullopt)) << "a new strip has shown nothing yet";
  EXPECT_TRUE(strip.Show("Song  0:01", std::nullopt));
  EXPECT_FALSE(strip.Show("Song  0:01", std::nullopt));
  EXPECT_TRUE(strip.Show("Song  0:02", std::nullopt));
  EXPECT_TRUE(strip.Show("Song  0:02", tbPlayPause));
  EXPECT_FALSE(strip.Show("Song  0:02", tbPlayPause));
}

// At scale 3 a cell is 18 pixels wide from x = 6; each box reaches a font
// pixel beyond its glyphs, rows 3 to 29 of the 33-row strip.
TEST(StatusStripTest, AClickFindsTheButtonWhoseBoxItHitsAndNothingElse) {
  const PicturePlacement placement = PlacePicture({200, 50}, {600, 183}, kStatusStripRows);
  ASSERT_EQ(placement.Scale, 3);
  ASSERT_EQ(placement.StripTop, 150);
  const auto cellX = [](int column) { return 6 + column * 18; };
  const int middle = 150 + 16;
  const std::pair<int, TTransportButton> hits[] = {
      {0, tbPrevious}, {3, tbPrevious}, {5, tbPlayPause}, {9, tbPlayPause},
      {11, tbStop},    {14, tbStop},    {16, tbNext},     {19, tbNext}};
  for (const auto& [column, button] : hits) {
    EXPECT_EQ(TStatusStrip::ButtonAt(placement, 600, cellX(column), middle), button) << column;
    EXPECT_EQ(TStatusStrip::ButtonAt(placement, 600, cellX(column) + 17, middle), button) << column;
  }
  EXPECT_EQ(TStatusStrip::ButtonAt(placement, 600, cellX(0) - 3, middle), tbPrevious)
      << "the box's edge";
  for (const auto& [x, y] : {std::pair{cellX(0) - 4, middle}, std::pair{cellX(4) + 3, middle},
                             std::pair{cellX(4) + 14, middle}, std::pair{cellX(25), middle},
                             std::pair{cellX(1), 150 + 2}, std::pair{cellX(1), 150 + 30},
                             std::pair{cellX(1), 149}, std::pair{cellX(1), 100}})
    EXPECT_EQ(TStatusStrip::ButtonAt(placement, 600, x, y), std::nullopt) << x << "," << y;

  // A window with room for two buttons only: the third is neither drawn
  // nor hit.
  const int narrow = cellX(11);
  EXPECT_EQ(TStatusStrip::ButtonAt(placement, narrow, cellX(9), middle), tbPlayPause);
  EXPECT_EQ(TStatusStrip::ButtonAt(placement, narrow, cellX(11) - 1, middle), std::nullopt);
  const SurfacePtr surface = MakeSurface(narrow, 183);
  TStatusStrip strip;
  strip.Show("", std::nullopt);
  strip.Draw(*surface, placement);
  EXPECT_EQ(At(*surface, cellX(9), middle), kButtonFace);
  EXPECT_EQ(At(*surface, narrow - 1, middle), kFace);
}

}  // namespace
