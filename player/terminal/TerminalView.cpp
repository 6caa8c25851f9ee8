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

std::string TerminalView::UpdateCells(const TFrameUpdate& window) {
  const TFrame& frame = window.Frame;
  const ViewLayout layout =
      FitWindow(frame.Width, frame.Height, std::max(FSize.Columns, 0), PictureRows());
  const bool newLayout = !FMap || FMap->Layout() != layout;
  if (newLayout) FMap.emplace(layout);
  FLayout = layout;
  const std::uint64_t shownSerial = std::exchange(FShownSerial, window.Serial);
  const bool known = FShown && !newLayout && window.Serial != 0 && shownSerial != 0;
  if (known && window.Serial == shownSerial) return {};
  if (known && window.PreviousSerial == shownSerial) {
    FChangedCells.clear();
    FMap->Refresh(frame, window.Changed, *FShown, FChangedCells);
    return EncodeCells(*FShown, FChangedCells, FMode);
  }
  CellGrid cells;
  FMap->Build(frame, cells);
  std::string body = EncodeChangedCells(FShown ? &*FShown : nullptr, cells, FMode);
  FShown = std::move(cells);
  return body;
}

void TerminalView::Present(const TFrame& frame, const PlayerStatus& status) {
  Present(TFrameUpdate{frame, 0, 0, {}}, status);
}

void TerminalView::Present(const TFrameUpdate& window, const PlayerStatus& status) {
  std::string body = UpdateCells(window);
  if (!FShownStatus || status != FShownStatus->Status) {
    std::string text = FormatStatus(status);
    if (FSize.Rows > 0 && (!FShownStatus || text != FShownStatus->Text)) {
      body += EncodeTextRow(text, FSize.Rows, FSize.Columns);
    }
    FShownStatus = {status, std::move(text)};
  }

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
