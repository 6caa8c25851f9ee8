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

std::int32_t TerminalView::PictureRows() const { return std::max(FSize.Rows - 1 - FNoticeRows, 0); }

std::int32_t TerminalView::MostNoticeRows() const { return std::max(FSize.Rows - 1, 0) / 2; }

std::string TerminalView::EncodeStatus(const StatusRows& rows) const {
  std::string out;
  std::int32_t row = FSize.Rows - static_cast<std::int32_t>(rows.Notice.size());
  for (const std::string& line : rows.Notice) out += EncodeTextRow(line, row++, FSize.Columns);
  return out + EncodeTextRow(rows.Line, FSize.Rows, FSize.Columns);
}

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

// The status is laid out first: the rows a notice takes are the picture's.
void TerminalView::Present(const TFrameUpdate& window, const PlayerStatus& status) {
  std::optional<StatusRows> newRows;
  if (!FShownStatus || status != FShownStatus->Status) {
    const std::string bar = ShowsButtons() ? TransportBarText() : std::string();
    newRows = LayOutStatus(status, FSize.Columns - static_cast<std::int32_t>(bar.size()),
                           MostNoticeRows());
    newRows->Line.insert(0, bar);
    FNoticeRows = static_cast<std::int32_t>(newRows->Notice.size());
  }
  std::string body = UpdateCells(window);
  if (newRows) {
    if (FSize.Rows > 0 && (!FShownStatus || *newRows != FShownStatus->Rows)) {
      body += EncodeStatus(*newRows);
    }
    FShownStatus = {status, std::move(*newRows)};
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

// The status line is the terminal's last row.
// A narrow terminal keeps its status line for the status.
bool TerminalView::ShowsButtons() const { return FSize.Columns >= kButtonsFromColumns; }

std::optional<TTransportButton> TerminalView::ButtonAt(std::int32_t column,
                                                       std::int32_t row) const {
  if (!FShownStatus || !ShowsButtons() || row != FSize.Rows - 1) return std::nullopt;
  return TransportButtonAt(column);
}

}  // namespace kivo
