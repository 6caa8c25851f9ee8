// Panels, BMP sheets and pixel reads for the display tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/SpeanaPanel.h"
#include "tests/platform/BmpTestSupport.h"
#include "tests/platform/FilesTestSupport.h"

namespace display_test {

using TPixelSource = std::function<TColor(std::int32_t x, std::int32_t y)>;

// Writes a 24-bit bottom-up BMP file whose pixel (x, y) is pixel(x, y).
inline void WriteBmp(const std::string& path, std::int32_t width, std::int32_t height,
                     const TPixelSource& pixel) {
  bmp_test::TBmpFile file;
  file.Width = width;
  file.Height = height;
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  for (std::int32_t y = height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row;
    for (std::int32_t x = 0; x < width; ++x) {
      const TColor c = pixel(x, y);
      row.push_back(GetBValue(c));
      row.push_back(GetGValue(c));
      row.push_back(GetRValue(c));
    }
    row.resize(stride, 0);
    file.Data.insert(file.Data.end(), row.begin(), row.end());
  }
  files_test::WriteBytes(path, file.Bytes());
}

// Pixel (x, y) of an element's picture.
inline TColor PicturePixel(const TImage& image, std::int32_t x, std::int32_t y) {
  return image.Picture()->Bitmap()->Canvas()->Pixels(x, y);
}

// A window to hold panels, without bevels, as the player's would be.
class TWindow : public TPanel {
 public:
  TWindow() : TPanel(nullptr) {
    SetBevelOuter(bvNone);
    SetBounds(0, 0, 400, 300);
  }
};

// A panel configured in the controller's order: bounds, bevels, colour,
// style and direction, graphics, then the meters laid out again.
struct TPanelSetup {
  std::int32_t Width = 200;
  std::int32_t Height = 100;
  TBevelCut Inner = bvNone;
  TBevelCut Outer = bvNone;
  TColor Color = clBlack;
  std::uint8_t Style = TSpeanaPanel::kBarStyle;
  std::int32_t Direction = 0;
  std::string Graphics;
};

inline TSpeanaPanel* MakePanel(TWindow& window, const TPanelSetup& setup) {
  auto* panel = new TSpeanaPanel(&window);
  panel->SetBounds(0, 0, setup.Width, setup.Height);
  panel->SetBevelInner(setup.Inner);
  panel->SetBevelOuter(setup.Outer);
  panel->SetColor(setup.Color);
  panel->FStyle = setup.Style;
  panel->FDirection = setup.Direction;
  panel->LoadGraphics(setup.Graphics);
  panel->LayoutMeters();
  return panel;
}

// The segment colours the player uses by default: cyan, then yellow, then red.
inline void SetDefaultColors(TSpeanaPanel& panel) {
  for (std::int32_t i = 0; i < 10; ++i) {
    panel.SetBarColor(i, i < 6 ? clAqua : i < 8 ? clYellow : clRed);
  }
}

}  // namespace display_test
