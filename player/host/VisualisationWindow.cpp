#include "player/host/VisualisationWindow.h"

#include <algorithm>
#include <stdexcept>

#include "platform/render/Renderer.h"
#include "platform/vcl/IniFiles.h"

namespace kivo {

namespace {

TPanel* MakeBlackPanel(TComponent& owner, TWindowSize size) {
  auto* panel = new TPanel(&owner);
  panel->SetBevelOuter(bvNone);
  panel->SetBevelInner(bvNone);
  panel->SetColor(clBlack);
  panel->SetBounds(0, 0, size.Width, size.Height);
  return panel;
}

}  // namespace

TWindowSize WindowSizeForDesign(const std::string& designPath) {
  TWindowSize size;
  if (designPath.empty()) return size;
  const TIniFile design(designPath);
  for (const char* section : {"SpeanaL", "SpeanaR"}) {
    // An invisible panel takes no room.
    if (design.ReadInteger(section, "Visible", 0) == 0) continue;
    const std::int64_t right = std::int64_t{design.ReadInteger(section, "Left", 0)} +
                               design.ReadInteger(section, "Width", 0);
    const std::int64_t bottom = std::int64_t{design.ReadInteger(section, "Top", 0)} +
                                design.ReadInteger(section, "Height", 0);
    size.Width =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(right, size.Width, kMaxWindowSide));
    size.Height =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(bottom, size.Height, kMaxWindowSide));
  }
  return size;
}

TWindowSize ParseWindowSize(const std::string& text) {
  const std::size_t x = text.find_first_of("xX");
  std::size_t widthEnd = 0;
  std::size_t heightEnd = 0;
  try {
    if (x == std::string::npos) throw std::invalid_argument(text);
    const int width = std::stoi(text.substr(0, x), &widthEnd);
    const int height = std::stoi(text.substr(x + 1), &heightEnd);
    const bool inRange =
        width >= 1 && height >= 1 && width <= kMaxWindowSide && height <= kMaxWindowSide;
    if (widthEnd == x && heightEnd == text.size() - x - 1 && inRange) return {width, height};
  } catch (const std::logic_error&) {
  }
  throw std::invalid_argument("a window size is WIDTHxHEIGHT, each from 1 to " +
                              std::to_string(kMaxWindowSide) + ": " + text);
}

TVisualisationWindow::TVisualisationWindow(TWindowSize size)
    : FOwner(std::make_unique<TComponent>(nullptr)),
      FWindow(MakeBlackPanel(*FOwner, size)),
      FSecond(MakeBlackPanel(*FOwner, size)) {}

TVisualisationWindow::~TVisualisationWindow() = default;

TFrame TVisualisationWindow::Render() const { return RenderControl(*FWindow); }

TFrameUpdate TVisualisationWindow::PaintedUpdate() {
  const std::uint64_t requests = FWindow->RepaintRequests();
  if (FPaintedRequests != requests) {
    FRepainter.Paint(*FWindow);
    FPaintedRequests = requests;
  }
  return FRepainter.Update();
}

}  // namespace kivo
