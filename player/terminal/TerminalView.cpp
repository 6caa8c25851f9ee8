#include "player/terminal/TerminalView.h"

#include <algorithm>
#include <utility>

#include "player/terminal/ScreenUpdate.h"

namespace kivo {

TerminalView::TerminalView(TerminalSize size, ColorMode mode, Writer write)
    : FSize(size), FMode(mode), FWrite(std::move(write)) {}

void TerminalView::Resize(TerminalSize size) {
  FSize = size;
  RequestRedraw();
}

void TerminalView::RequestRedraw() {
  FShown.reset();
  FShownStatus.reset();
}

std::int32_t TerminalView::PictureRows() const { return std::max(FSize.Rows - 1, 0); }

bool TerminalView::UpdateCells(const TFrame& frame) {
  const ViewLayout layout =
      FitWindow(frame.Width, frame.Height, std::max(FSize.Columns, 0), PictureRows());
  if (!FMap || FMap->Layout() != layout) {
    FMap.emplace(layout);
    FShownPixels.reset();
  }
  FLayout = layout;
  if (!FShown || !FShownPixels) {
    FMap->Build(frame, FNext);
    FShownPixels = frame.Pixels;
    return true;
  }
  return FMap->Update(frame, *FShownPixels, FNext);
}

void TerminalView::Present(const TFrame& frame, const PlayerStatus& status) {
  std::string body;
  if (UpdateCells(frame)) {
    body = EncodeChangedCells(FShown ? &*FShown : nullptr, FNext, FMode);
    // The cells shown and the next ones start equal again.
    FShown = FNext;
  }

  std::string statusText = FormatStatus(status);
  if (FSize.Rows > 0 && statusText != FShownStatus) {
    body += EncodeTextRow(statusText, FSize.Rows, FSize.Columns);
  }
  FShownStatus = std::move(statusText);

  if (!body.empty()) FWrite(WrapAsOneUpdate(body));
}

std::optional<WindowPoint> TerminalView::WindowPointAt(std::int32_t column,
                                                       std::int32_t row) const {
  if (column < 0 || row < 0 || column >= FLayout.Columns || row >= FLayout.Rows) {
    return std::nullopt;
  }
  return FLayout.WindowPointAt(column, row);
}

}  // namespace kivo
