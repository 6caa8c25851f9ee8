// Shows the visualisation window on a terminal frame after frame: the
// picture fills all rows but the last, which holds the status line, and
// those a notice too long for it takes above it. Each
// frame is sent as one piece of output holding only what changed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/render/Frame.h"
#include "platform/render/Repainter.h"
#include "player/terminal/CellGrid.h"
#include "player/terminal/Palette.h"
#include "player/terminal/StatusLine.h"
#include "player/terminal/TransportBar.h"
#include "player/terminal/ViewLayout.h"

namespace kivo {

struct TerminalSize {
  std::int32_t Columns = 0;
  std::int32_t Rows = 0;
  bool operator==(const TerminalSize&) const = default;
};

class TerminalView {
 public:
  using Writer = std::function<void(std::string_view)>;

  // `write` receives each frame's output in one call.
  TerminalView(TerminalSize size, ColorMode mode, Writer write);

  // A new terminal size: the next frame redraws everything.
  void Resize(TerminalSize size);
  // The next frame redraws everything, e.g. after the screen was disturbed.
  void RequestRedraw();

  // Draws what changed since the last frame; writes nothing when nothing did.
  // The cells of a frame are worked out whole.
  void Present(const TFrame& frame, const PlayerStatus& status);
  // The same for a painted window: an unchanged paint costs nothing, and
  // for the paint after the one shown only the cells where the window
  // changed are worked out again.
  void Present(const TFrameUpdate& window, const PlayerStatus& status);

  // The layout of the last frame presented.
  const ViewLayout& Layout() const { return FLayout; }
  // The window pixel under a screen cell (0-based column and row), as the
  // last frame was drawn; nothing beside the picture or on the status line.
  std::optional<WindowPoint> WindowPointAt(std::int32_t column, std::int32_t row) const;
  // The status line begins with the transport buttons in a terminal this
  // wide or wider.
  static constexpr std::int32_t kButtonsFromColumns = 80;
  // The transport button under a screen cell: on the status line only.
  std::optional<TTransportButton> ButtonAt(std::int32_t column, std::int32_t row) const;

 private:
  std::int32_t PictureRows() const;
  bool ShowsButtons() const;
  // A notice may take up to half the picture's rows.
  std::int32_t MostNoticeRows() const;
  std::string EncodeStatus(const StatusRows& rows) const;

  // Brings the cells shown up to the window; the output that draws the
  // cells that changed.
  std::string UpdateCells(const TFrameUpdate& window);

  TerminalSize FSize;
  ColorMode FMode;
  Writer FWrite;
  ViewLayout FLayout;
  // Made again only when the window or the terminal changes size.
  std::optional<CellMap> FMap;
  std::optional<CellGrid> FShown;  // nothing until drawn, or after a redraw request
  // The window paint the shown cells show; 0 when they come from a frame.
  std::uint64_t FShownSerial = 0;
  std::vector<std::size_t> FChangedCells;
  // The status last formatted, kept so that an unchanged one is not
  // formatted again, and its rows.
  struct TShownStatus {
    PlayerStatus Status;
    StatusRows Rows;
  };
  std::optional<TShownStatus> FShownStatus;
  std::int32_t FNoticeRows = 0;
};

}  // namespace kivo
