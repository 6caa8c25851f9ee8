// The open menu over the window's picture, in surfaces in memory: after
// paints that each change part of the picture, some of it under the menu,
// the areas drawn (the picture's, then the menu's lists over them) leave
// the surface exactly as the picture and the menu drawn whole.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "player/menu/MenuNavigation.h"
#include "player/menu/PlayerMenu.h"
#include "player/window/MenuPicture.h"
#include "player/window/ScaledPicture.h"

namespace {

using namespace kivo;

using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

SurfacePtr MakeSurface(int width, int height) {
  SurfacePtr surface(
      SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888),
      &SDL_FreeSurface);
  if (!surface) ADD_FAILURE() << SDL_GetError();
  return surface;
}

bool SamePixels(const SDL_Surface& a, const SDL_Surface& b) {
  for (int y = 0; y < a.h; ++y) {
    const auto* rowA = static_cast<const std::uint8_t*>(a.pixels) + y * a.pitch;
    const auto* rowB = static_cast<const std::uint8_t*>(b.pixels) + y * b.pitch;
    if (std::memcmp(rowA, rowB, static_cast<std::size_t>(a.w) * 4) != 0) return false;
  }
  return true;
}

TShownMenu OpenMenuWithTools() {
  TMenuFacts facts;
  facts.Tools = {{0x5001, "Sing along"}};
  TMenuNavigation navigation(BuildPlayerMenu(facts));
  navigation.Point(TMenuSpot{0, 7}, false);  // Tools, opened beside it
  return navigation.Shown();
}

TEST(MenuPictureTest, PaintsUnderTheOpenMenuLeaveItAndThePictureAsDrawnWhole) {
  const PicturePlacement placement{2, 10, 6, {120, 90}};
  TFrame frame(120, 90);
  std::mt19937 random(7);
  for (std::uint32_t& pixel : frame.Pixels) pixel = random() | TFrame::Opaque;
  const SurfacePtr shown = MakeSurface(300, 200);
  const SurfacePtr whole = MakeSurface(300, 200);
  TScaledPicture picture;
  picture.TakeAll(frame);
  TMenuOverPicture menu;
  menu.AnchorAt(30, 20);
  ASSERT_TRUE(menu.Show(OpenMenuWithTools()));
  EXPECT_FALSE(menu.Show(OpenMenuWithTools())) << "the same menu is no change";
  picture.DrawAll(*shown, placement);
  menu.Draw(*shown, placement.Scale);

  for (int paint = 0; paint < 200; ++paint) {
    std::vector<TRect> areas;
    for (int i = 0; i < 3; ++i) {
      const int left = static_cast<int>(random() % 110);
      const int top = static_cast<int>(random() % 80);
      const TRect area{left, top, left + 1 + static_cast<int>(random() % 10),
                       top + 1 + static_cast<int>(random() % 10)};
      for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
          frame.Pixels[static_cast<std::size_t>(y * 120 + x)] = random() | TFrame::Opaque;
      areas.push_back(area);
    }
    picture.Take(frame, areas);
    std::vector<SDL_Rect> drawn;
    for (const TRect& area : areas) drawn.push_back(picture.Draw(*shown, placement, area));
    const std::size_t pictureAreas = drawn.size();
    menu.DrawOver(*shown, drawn);
    for (std::size_t i = pictureAreas; i < drawn.size(); ++i) {
      EXPECT_GT(drawn[i].w, 0);
      EXPECT_LE(drawn[i].x + drawn[i].w, 300) << "sent areas lie in the window";
    }

    picture.DrawAll(*whole, placement);
    menu.Draw(*whole, placement.Scale);
    ASSERT_TRUE(SamePixels(*shown, *whole)) << "after paint " << paint;
  }
  // The menu lies where its lists say.
  EXPECT_EQ(menu.SpotAt(31, 21), (TMenuSpot{0, 0}));
  EXPECT_FALSE(menu.SpotAt(299, 199));
  EXPECT_FALSE(menu.SpotAt(-1, 5));
}

}  // namespace
