// The windows the player lends to its plug-in: the owner of the plug-in's
// components, the visualisation window (a black panel the plug-in puts its
// controls in) and a second window component the plug-in may ask for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/render/Frame.h"
#include "platform/render/Repainter.h"
#include "platform/vcl/ExtCtrls.h"

namespace kivo {

struct TWindowSize {
  std::int32_t Width = 1;
  std::int32_t Height = 1;
};

// A window side's largest size: a frame of the largest window takes 64 MB.
inline constexpr std::int32_t kMaxWindowSide = 4096;

// As large as the design file's visible panels need: the largest
// Left+Width and Top+Height of those of sections "SpeanaL" and "SpeanaR"
// that are visible, at least 1x1 and at most kMaxWindowSide a side.
TWindowSize WindowSizeForDesign(const std::string& designPath);
// "WxH" with both from 1 to kMaxWindowSide; raises std::invalid_argument
// otherwise.
TWindowSize ParseWindowSize(const std::string& text);

class TVisualisationWindow {
 public:
  explicit TVisualisationWindow(TWindowSize size);
  ~TVisualisationWindow();
  TVisualisationWindow(const TVisualisationWindow&) = delete;
  TVisualisationWindow& operator=(const TVisualisationWindow&) = delete;

  TComponent& Owner() { return *FOwner; }
  TPanel& Window() { return *FWindow; }
  TPanel& SecondWindow() { return *FSecond; }

  // The visualisation window at 1:1 scale.
  TFrame Render() const;
  // The same, painted again only when one of the window's controls asked
  // for a repaint since the last time, and then only where the picture
  // changed; valid until the next call.
  const TFrame& Painted() { return PaintedUpdate().Frame; }
  TFrameUpdate PaintedUpdate();
  // How often Painted painted.
  std::size_t Paints() const { return static_cast<std::size_t>(FRepainter.Paints()); }

 private:
  std::unique_ptr<TComponent> FOwner;
  TPanel* FWindow;
  TPanel* FSecond;
  TRepainter FRepainter;
  std::optional<std::uint64_t> FPaintedRequests;
};

}  // namespace kivo
